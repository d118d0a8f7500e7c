#include "platform/ui/PopupMenu.h"

#include "platform/ui/Controls.h"
#include "platform/ui/UserControl.h"

#include <QGuiApplication>
#include <QPointer>

namespace platform::ui {
namespace {

ScopedScriptedPopups*& Script() {
    static ScopedScriptedPopups* script = nullptr;
    return script;
}

int& Unscripted() {
    static int n = 0;
    return n;
}

} // namespace

std::string LeftCharacters(const std::string& utf8, std::size_t count) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // A character starts at every byte that is not a continuation byte.
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
            if (chars == count) return utf8.substr(0, i);
            ++chars;
        }
    }
    return utf8;
}

QString MenuCaption(const std::string& utf8) {
    QString s = OneLine(Q(utf8));
    s.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return s;
}

PopupMenu::PopupMenu(QWidget* parent, const std::string& codeName) : QMenu(parent) {
    SetName(this, codeName);
}

QAction* PopupMenu::AddEntry(const std::string& codeName, const std::string& caption) {
    QAction* a = addAction(MenuCaption(caption));
    SetName(a, codeName);
    return a;
}

QAction* PopupMenu::AddSeparatorEntry(const std::string& codeName) {
    QAction* a = addSeparator();
    SetName(a, codeName);
    return a;
}

QAction* PopupMenu::Entry(const std::string& codeName) const {
    const QString name = Q(ObjectName(codeName));
    for (QAction* a : actions())
        if (a->objectName() == name) return a;
    return nullptr;
}

void PopupMenu::SetCaption(const std::string& codeName, const std::string& text) {
    if (QAction* a = Entry(codeName)) a->setText(MenuCaption(text));
}

std::string PopupMenu::Caption(const std::string& codeName) const {
    QAction* a = Entry(codeName);
    return a ? S(a->text()) : std::string();
}

QAction* PopupMenu::Popup(QWidget* owner, QPoint topLeft) {
    const QPoint global = owner ? owner->mapToGlobal(topLeft) : topLeft;
    if (ScopedScriptedPopups* script = Script()) {
        PopupRecord r;
        r.menu = S(objectName());
        for (QAction* a : actions())
            r.captions.push_back(a->isSeparator() ? std::string() : S(a->text()));
        r.globalTopLeft = global;
        script->shown_.push_back(std::move(r));
        std::string choice;
        if (!script->choices_.empty()) {
            choice = script->choices_.front();
            script->choices_.pop_front();
        }
        QAction* a = choice.empty() ? nullptr : Entry(choice);
        if (!a || a->isSeparator() || !a->isEnabled()) return nullptr;
        QPointer<QAction> guard(a);
        a->trigger();
        return guard.data();
    }
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        ++Unscripted();
        return nullptr;
    }
    QPointer<QMenu> self(this);
    QAction* chosen = exec(global);
    return self ? chosen : nullptr;
}

ScopedScriptedPopups::ScopedScriptedPopups() : previous_(Script()) {
    Script() = this;
}

ScopedScriptedPopups::~ScopedScriptedPopups() {
    Script() = previous_;
}

int UnscriptedPopups() {
    return Unscripted();
}

} // namespace platform::ui
