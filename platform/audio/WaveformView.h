// The audio editor on screen: the waveform of the visible range (drawn from the blocks'
// summaries, so any zoom of an hour of audio paints at once), a time ruler, the cursor, the
// selection, the named regions in their colours with their names, and the selected channels.
//
// Mouse: a click puts the cursor, a drag selects, shift-click extends the selection; the
// edges of a region drag anywhere over its height, its body by its name in the ruler; a
// double-click on the waveform raises the editor's select-visible-range event. Every press
// raises MouseDown first (button 1 left, 2 right, 4 middle; shift 1 shift, 2 control, 4 alt).
// A click takes the keyboard focus; the wheel scrolls a zoomed view.
//
// Keys: Home and End put the cursor at the start and the end, Left and Right move it by one
// column of the view; with Shift they extend the selection. The view follows the cursor.
//
// The view also runs the editor's transport timer, so position and level events arrive.
#pragma once

#include "platform/audio/AudioEditor.h"
#include "platform/audio/SampleLoader.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <vector>

namespace platform::audio {

// Calls `pump` every 25 ms on the owner's thread, for as long as the owner lives.
QTimer* StartTransportTimer(QObject* owner, std::function<void()> pump);

// Per-column minimum and maximum of a track over [start, start + columns * samplesPerColumn).
// Columns with no audio get min > max. With `wanted`, nothing waits for the disk: samples
// that are not in memory are drawn from the summaries and added to `wanted`.
void WaveformColumns(const Track& track, double start, double samplesPerColumn, int columns, float* mins,
                     float* maxs, std::vector<SampleRequest>* wanted = nullptr);

class WaveformView : public QWidget {
public:
    explicit WaveformView(AudioEditor& editor, QWidget* parent = nullptr);
    ~WaveformView() override;

    // Paints the view into any device at that size (the widget, or an offscreen image). A
    // paint never waits for the disk: samples not in memory are read in the background and
    // the view is painted again when they have come.
    void Render(QPainter& p, const QSize& size) const;
    // The last paint had every sample it needed.
    bool Complete() const { return !incomplete_; }
    QImage RenderImage(const QSize& size) const;

    // The visible range as drawn: the editor's, or the whole document when it holds none.
    std::pair<std::int64_t, std::int64_t> VisibleRange() const;
    std::int64_t SampleAt(int x, int width) const;
    int XOf(std::int64_t sample, int width) const;

    // The ruler: the time labels in its upper row, the regions' names and spans in the lower,
    // so that neither hides the other.
    static constexpr int kTimeRowHeight = 13;
    static constexpr int kRulerHeight = kTimeRowHeight + 15;
    static constexpr int kEdgeGrip = 4; // pixels either side of a region's edge

    // Shows the visible range's width from `start` on, kept inside the document.
    void ScrollTo(std::int64_t start);
    // True while the view shows less than the whole document.
    bool Zoomed() const;

    Signal<int, int, int, int> MouseDown;
    // The visible range or the document's length changed (by a zoom, a scroll or an edit).
    Signal<> ViewChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Drag { None, Select, RegionStart, RegionEnd, RegionBody };
    void DragTo(int x);
    void RenderBase(QPainter& p, const QSize& size) const;
    void DrawCursor(QPainter& p, const QSize& size) const;
    // Everything the picture depends on but the cursor.
    std::vector<std::int64_t> Signature() const;
    void Refresh();
    void AskForSamples(std::vector<SampleRequest> wanted, std::int64_t vs, std::int64_t ve, double spp) const;
    QImage base_;
    bool stale_ = false;                     // samples the picture lacked have come
    bool baseIncomplete_ = false;            // the picture kept lacks samples, asked for at baseLoadedAt_
    std::uint64_t baseLoadedAt_ = 0;
    mutable bool incomplete_ = false;        // the last paint drew summaries in place of samples
    static constexpr std::uint64_t kNotAsked = ~std::uint64_t{0};
    mutable std::uint64_t loadedAtPaint_ = 0, askedAt_ = kNotAsked;
    mutable int rounds_ = 0;                 // paints of this picture that lacked samples after all had come
    mutable std::array<std::int64_t, 3> roundsKey_{};
    mutable std::int64_t lastStart_ = 0;
    std::vector<std::int64_t> baseSignature_;
    std::int64_t drawnPosition_ = -1;
    std::array<std::int64_t, 3> viewKey_{-1, -1, -1}; // visible start, end and length last told
    AudioEditor& e_;
    std::shared_ptr<bool> alive_;
    Drag drag_ = Drag::None;
    int region_ = 0;                 // 1-based region being dragged
    std::int64_t anchor_ = 0;        // selection anchor, or where a body drag began
    std::int64_t regionStart_ = 0, regionLength_ = 0;
    int pressX_ = 0;
};

} // namespace platform::audio
