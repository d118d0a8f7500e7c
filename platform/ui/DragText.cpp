#include "platform/ui/DragText.h"

#include "platform/ui/Controls.h"

#include <QDrag>
#include <QGuiApplication>
#include <QWidget>

namespace platform::ui {
namespace {

ScopedScriptedDrags*& Script() {
    static ScopedScriptedDrags* script = nullptr;
    return script;
}

int& Unscripted() {
    static int n = 0;
    return n;
}

} // namespace

std::string DataObject::GetData(std::int16_t format) const {
    auto it = data_.find(format);
    return it == data_.end() ? std::string() : it->second;
}

QMimeData* DataObject::ToMimeData() const {
    auto* mime = new QMimeData;
    if (GetFormat(cfText)) mime->setText(Q(GetData(cfText)));
    return mime;
}

DataObject DataObject::FromMimeData(const QMimeData* mime) {
    DataObject d;
    if (mime && mime->hasText()) d.SetData(S(mime->text()), cfText);
    return d;
}

std::int32_t EffectsOf(Qt::DropActions actions) {
    std::int32_t e = 0;
    if (actions & Qt::CopyAction) e |= dropEffectCopy;
    if (actions & Qt::MoveAction) e |= dropEffectMove;
    if (actions & Qt::LinkAction) e |= dropEffectLink;
    return e;
}

Qt::DropActions ActionsOf(std::int32_t effects) {
    Qt::DropActions a;
    if (effects & dropEffectCopy) a |= Qt::CopyAction;
    if (effects & dropEffectMove) a |= Qt::MoveAction;
    if (effects & dropEffectLink) a |= Qt::LinkAction;
    return a;
}

std::int32_t StartDrag(QWidget* source, const DataObject& data, std::int32_t allowedEffects) {
    if (ScopedScriptedDrags* script = Script()) {
        script->started_.push_back({data.GetData(cfText), data.GetFormat(cfText), allowedEffects});
        if (script->effects_.empty()) return dropEffectNone;
        const std::int32_t e = script->effects_.front();
        script->effects_.pop_front();
        return e & allowedEffects;
    }
    if (!source || QGuiApplication::platformName() == QLatin1String("offscreen")) {
        ++Unscripted();
        return dropEffectNone;
    }
    const Qt::DropActions allowed = ActionsOf(allowedEffects);
    if (!allowed) return dropEffectNone;
    // The drag belongs to the source; it must not outlive it if the host deletes the source
    // while the drag runs.
    auto* drag = new QDrag(source);
    drag->setMimeData(data.ToMimeData());
    const Qt::DropAction result =
        drag->exec(allowed, allowed & Qt::CopyAction ? Qt::CopyAction : Qt::IgnoreAction);
    return EffectsOf(result);
}

ScopedScriptedDrags::ScopedScriptedDrags() : previous_(Script()) {
    Script() = this;
}

ScopedScriptedDrags::~ScopedScriptedDrags() {
    Script() = previous_;
}

int UnscriptedDrags() {
    return Unscripted();
}

} // namespace platform::ui
