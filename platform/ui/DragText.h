// Drag and drop of text between controls and programs, in the platform's terms: a data
// object with its formats, drop effects (1 copy, 2 move, 4 link) and a drag that a control
// starts by hand.
//
// Tests script drags (ScopedScriptedDrags): each drag is recorded with its data and allowed
// effects and ends at once with the next queued effect (0 when none is queued). Without a
// script under the offscreen platform a drag ends at once with 0 and is counted.
#pragma once

#include <QMimeData>

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

class QWidget;

namespace platform::ui {

inline constexpr std::int16_t cfText = 1; // the plain-text clipboard format

inline constexpr std::int32_t dropEffectNone = 0;
inline constexpr std::int32_t dropEffectCopy = 1;
inline constexpr std::int32_t dropEffectMove = 2;
inline constexpr std::int32_t dropEffectLink = 4;

// The data of a drag: texts (UTF-8) by clipboard format.
class DataObject {
public:
    void Clear() { data_.clear(); }
    void SetData(const std::string& text, std::int16_t format = cfText) { data_[format] = text; }
    bool GetFormat(std::int16_t format) const { return data_.count(format) != 0; }
    std::string GetData(std::int16_t format = cfText) const;
    bool Empty() const { return data_.empty(); }

    // What Qt carries: the plain text as text/plain.
    QMimeData* ToMimeData() const;
    static DataObject FromMimeData(const QMimeData* mime);

private:
    std::map<std::int16_t, std::string> data_;
};

// Qt's drop actions as effects and back.
std::int32_t EffectsOf(Qt::DropActions actions);
Qt::DropActions ActionsOf(std::int32_t effects);

// Starts a drag from `source` and waits for it to end; the effect the drop target chose
// (0 when the drag was cancelled or nothing took it). The source may be gone by then: the
// caller checks before touching it.
std::int32_t StartDrag(QWidget* source, const DataObject& data, std::int32_t allowedEffects);

struct DragRecord {
    std::string text; // the plain text carried ("" when none)
    bool hasText = false;
    std::int32_t allowedEffects = 0;
};

class ScopedScriptedDrags {
public:
    ScopedScriptedDrags();
    ~ScopedScriptedDrags();
    ScopedScriptedDrags(const ScopedScriptedDrags&) = delete;
    ScopedScriptedDrags& operator=(const ScopedScriptedDrags&) = delete;

    void EndWith(std::int32_t effect) { effects_.push_back(effect); }
    const std::vector<DragRecord>& Started() const { return started_; }

private:
    friend std::int32_t StartDrag(QWidget*, const DataObject&, std::int32_t);
    std::deque<std::int32_t> effects_;
    std::vector<DragRecord> started_;
    ScopedScriptedDrags* previous_;
};

int UnscriptedDrags();

} // namespace platform::ui
