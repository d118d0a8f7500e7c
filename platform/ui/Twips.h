// Twips (1/1440 inch) and pixels. Layouts given in twips are computed in twips and turned
// into pixels once, from the screen's real dots per inch: 15 twips per pixel at 96 dpi.
#pragma once

namespace platform::ui {

double TwipsPerPixelX();
double TwipsPerPixelY();

int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(int pixels);
double PixelsToTwipsY(int pixels);

// The primary screen's size in twips (the whole screen, as windows are centred on it).
double ScreenWidth();
double ScreenHeight();

// Tests pin the scale; 0 returns to the screen's.
void OverrideTwipsPerPixel(double twipsPerPixel);

} // namespace platform::ui
