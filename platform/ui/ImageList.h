// Keyed image lists: pictures for buttons and toolbar keys, looked up by the key the window's
// code names them with. A picture is a standard freedesktop icon name from the icon theme
// (SVG through Qt SVG; the Breeze theme that scripts/setup.sh installs when the desktop has
// none), or an SVG of the program's own for what no theme has.
#pragma once

#include <QIcon>
#include <QObject>

#include <map>
#include <string>

class QAbstractButton;

namespace platform::ui {

// Makes QIcon::fromTheme find the standard names: keeps the desktop's theme when it has them,
// else uses Breeze (or the first installed theme that does). Runs once; every ImageList calls it.
void UseIconTheme();

// A picture from the SVG text given (drawn at every size asked).
QIcon SvgIcon(const std::string& svg);
// The theme's icon of a standard name, looked up when it is first drawn; the fallback (one
// of our own pictures) when the theme has none.
QIcon ThemedIcon(const std::string& iconName, const QIcon& fallback);

class ImageList : public QObject {
    Q_OBJECT
public:
    ImageList(QObject* parent, const std::string& name);
    // A theme icon by its standard name; false (and nothing added) when the theme lacks it.
    bool AddThemed(const std::string& key, const std::string& iconName);
    // The same without asking the theme now: the fallback is drawn when the theme lacks it.
    void AddThemed(const std::string& key, const std::string& iconName, const std::string& fallbackSvg);
    void Add(const std::string& key, const QIcon& icon);
    void AddSvg(const std::string& key, const std::string& svg) { Add(key, SvgIcon(svg)); }
    bool Has(const std::string& key) const { return images_.count(key) > 0; }
    // The picture of a key; a null icon for an unknown key.
    QIcon Picture(const std::string& key) const;
    int Count() const { return static_cast<int>(images_.size()); }

private:
    std::map<std::string, QIcon> images_;
};

// Shows a picture on a command button, option button or check box; the key is kept as the
// button's "picture" property so that tests and the window read back which one it shows.
void SetButtonPicture(QAbstractButton* button, const ImageList& images, const std::string& key);
std::string ButtonPicture(const QAbstractButton* button);

} // namespace platform::ui
