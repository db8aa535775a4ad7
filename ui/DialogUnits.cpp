#include "DialogUnits.h"

#include <QFontMetrics>

namespace vidlume {

QSize DialogBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The width of the 52 letters, halved and rounded: the same average the templates were
    // laid out with.
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return { (letters / 26 + 1) / 2, metrics.height() };
}

QRect DialogToPixels(const QFont& font, int x, int y, int width, int height)
{
    const QSize base = DialogBaseUnits(font);
    const auto px = [&](int v) { return v * base.width() / 4; };
    const auto py = [&](int v) { return v * base.height() / 8; };
    return QRect(px(x), py(y), px(x + width) - px(x), py(y + height) - py(y));
}

} // namespace vidlume
