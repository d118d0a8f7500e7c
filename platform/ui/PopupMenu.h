// Pop-up menus of a control: entries named as the code names them (the QAction's object
// name), captions filled before each pop-up, and a pop-up that returns the chosen entry.
//
// Tests script the choice (ScopedScriptedPopups): each pop-up takes the next entry name from
// the queue ("" chooses nothing) and records its captions. Without a script under the
// offscreen platform a pop-up chooses nothing at once and is counted, so tests never block.
#pragma once

#include <QMenu>
#include <QPoint>

#include <deque>
#include <string>
#include <vector>

namespace platform::ui {

// The first `count` characters of a UTF-8 text (characters, not bytes).
std::string LeftCharacters(const std::string& utf8, std::size_t count);

// A text as a menu caption that shows as it reads: "&" doubled (no mnemonic), line breaks
// turned to blanks.
QString MenuCaption(const std::string& utf8);

class PopupMenu : public QMenu {
    Q_OBJECT
public:
    PopupMenu(QWidget* parent, const std::string& codeName);

    // Entries in order; a separator is an entry too, so it can be found by name.
    QAction* AddEntry(const std::string& codeName, const std::string& caption);
    QAction* AddSeparatorEntry(const std::string& codeName);
    QAction* Entry(const std::string& codeName) const;

    // Sets an entry's caption from a text (MenuCaption rules).
    void SetCaption(const std::string& codeName, const std::string& text);
    std::string Caption(const std::string& codeName) const;

    // Shows the menu with its top-left at a point of `owner` (pixels) and waits for the
    // choice; the chosen entry (its triggered signal has already run), or null.
    QAction* Popup(QWidget* owner, QPoint topLeft);
};

struct PopupRecord {
    std::string menu;                  // the menu's code name
    std::vector<std::string> captions; // every entry's caption in order ("" for separators)
    QPoint globalTopLeft;
};

class ScopedScriptedPopups {
public:
    ScopedScriptedPopups();
    ~ScopedScriptedPopups();
    ScopedScriptedPopups(const ScopedScriptedPopups&) = delete;
    ScopedScriptedPopups& operator=(const ScopedScriptedPopups&) = delete;

    // The entry to choose at the next pop-up ("" chooses nothing).
    void Choose(const std::string& entryCodeName) { choices_.push_back(entryCodeName); }
    const std::vector<PopupRecord>& Shown() const { return shown_; }

private:
    friend class PopupMenu;
    std::deque<std::string> choices_;
    std::vector<PopupRecord> shown_;
    ScopedScriptedPopups* previous_;
};

// Pop-ups shown offscreen with no script, since the start.
int UnscriptedPopups();

} // namespace platform::ui
