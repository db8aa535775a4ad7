#pragma once
// Control rectangles are given in dialog units, which scale with the dialog's font: a
// horizontal unit is a quarter of the font's average character width, a vertical one an eighth
// of its line height. Converting with the font the window really uses keeps every control in
// proportion, and the pages' anchoring works from these rectangles.

#include <QFont>
#include <QRect>
#include <QSize>

namespace vidlume {

// The average character width and the line height of the font, in pixels.
QSize DialogBaseUnits(const QFont& font);
// A rectangle (x, y, width, height) in dialog units, in pixels.
QRect DialogToPixels(const QFont& font, int x, int y, int width, int height);

} // namespace vidlume
