// Small pieces the library's dialogs share: client sizes in twips, pictures from the icon
// theme, the numeric key filter and the reading of value boxes.
#pragma once

#include <QIcon>
#include <QWidget>

#include <string>

namespace rozuzezer::ui {

// The window's client area in twips; the window manager adds its frame around it.
void SetClientSizeTwips(QWidget* form, double widthTwips, double heightTwips);

// A picture of the desktop's icon theme, from Breeze where the desktop names no theme.
QIcon ThemeIcon(const char* name);

// Digits and control keys pass; any other key is swallowed (0).
int NumericKey(int keyAscii);

// A box's text read as a leading number (empty: 0), made whole (halves to even) and kept
// within +-1e9, so digits pasted without end read as a large number instead of failing.
double NumberValue(const std::string& text);
long WholeValue(const std::string& text);
long ClampedValue(const std::string& text, long lowest, long highest);

// Cuts every connection from the window's controls and from the application to the window.
// Called first in a dialog's destructor: the controls still report focus changes while
// they are being destroyed, and the window's handlers must not run by then.
void DisconnectFromWindow(QWidget* window);

// Blanks removed at both ends.
std::string Trim(const std::string& text);

} // namespace rozuzezer::ui
