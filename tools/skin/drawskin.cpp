// drawskin - draws Vidlume's skin bitmaps.
//
//   vidlume_drawskin <bitmaps.json> <output folder> [--sheet FILE] [--preview FILE [WxH]]
//
// Every entry of the manifest becomes <output folder>/<id>.png at exactly the listed size:
// 32-bit entries as RGBA (straight alpha), 24-bit entries as RGB without alpha. The art is
// plain vector drawing with fixed parameters, so the same manifest gives the same bytes on
// every run. --sheet writes a contact sheet of all bitmaps on a checkerboard; --preview
// composes a main window the way the view lays it out, to judge the bitmaps in place.

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QConicalGradient>
#include <QDir>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <vector>

namespace {

struct Entry {
    int id = 0;
    int width = 0;
    int height = 0;
    int bpp = 0;
};

// ---------------------------------------------------------------------------------------
// Palette. One accent colour; the rest are neutral greys of the dark frame and the light
// pages, plus a few tints that only the small pictures use.

const QColor kAccent(0x3d, 0x8b, 0xfd);
const QColor kAccentLight(0x74, 0xac, 0xff);
const QColor kAccentDark(0x2a, 0x6a, 0xd6);
const QColor kObsidianTop(0x2b, 0x2d, 0x31);
const QColor kObsidianBottom(0x1e, 0x1f, 0x22);
const QColor kGraphite(0x3a, 0x3c, 0x42);
const QColor kPage(0xf4, 0xf5, 0xf7);
const QColor kPageBorder(0xc3, 0xc8, 0xd0);
const QColor kShelfTop(0xee, 0xf0, 0xf3);
const QColor kShelfBottom(0xdf, 0xe2, 0xe7);
const QColor kAmber(0xf3, 0xb5, 0x3f);
const QColor kAmberLight(0xfb, 0xd0, 0x6a);
const QColor kAmberDark(0xdc, 0x9a, 0x26);
const QColor kViolet(0x8b, 0x6c, 0xf6);
const QColor kVioletDark(0x5b, 0x3f, 0xd6);
const QColor kTeal(0x2d, 0xd4, 0xbf);
const QColor kTealDark(0x0f, 0x94, 0x88);
const QColor kRed(0xef, 0x6a, 0x6e);
const QColor kRedDark(0xd0, 0x3b, 0x40);

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    auto lerp = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

// ---------------------------------------------------------------------------------------
// Shapes and effects

QPainterPath roundRect(const QRectF& r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QPainterPath ellipse(QPointF centre, qreal rx, qreal ry)
{
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
}

QPainterPath circle(QPointF centre, qreal r)
{
    return ellipse(centre, r, r);
}

QPainterPath polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QPen roundPen(const QColor& c, qreal width)
{
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Three passes of a box blur over premultiplied ARGB; integer arithmetic only, so the
// result is the same on every run. Pixels outside the image count as transparent.
QImage boxBlur(const QImage& source, int radius, int passes = 3)
{
    QImage img = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = img.width();
    const int h = img.height();
    if (radius <= 0 || w <= 0 || h <= 0)
        return img;
    const int n = 2 * radius + 1;
    std::vector<int> prefix((std::size_t(unsigned(std::max(w, h))) + 1) * 4);

    auto blurLine = [&](int count, auto get, auto set) {
        for (int c = 0; c < 4; ++c)
            prefix[std::size_t(c)] = 0;
        for (int i = 0; i < count; ++i) {
            const QRgb px = get(i);
            const int v[4] = {qAlpha(px), qRed(px), qGreen(px), qBlue(px)};
            for (int c = 0; c < 4; ++c)
                prefix[std::size_t(i + 1) * 4 + std::size_t(c)] = prefix[std::size_t(i) * 4 + std::size_t(c)] + v[c];
        }
        for (int i = 0; i < count; ++i) {
            const int lo = std::max(i - radius, 0);
            const int hi = std::min(i + radius + 1, count);
            int v[4];
            for (int c = 0; c < 4; ++c)
                v[c] = (prefix[std::size_t(hi) * 4 + std::size_t(c)] - prefix[std::size_t(lo) * 4 + std::size_t(c)] + n / 2) / n;
            set(i, qRgba(v[1], v[2], v[3], v[0]));
        }
    };

    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            blurLine(w, [row](int i) { return row[i]; }, [row](int i, QRgb v) { row[i] = v; });
        }
        for (int x = 0; x < w; ++x) {
            blurLine(
                h, [&img, x](int i) { return reinterpret_cast<const QRgb*>(img.constScanLine(i))[x]; },
                [&img, x](int i, QRgb v) { reinterpret_cast<QRgb*>(img.scanLine(i))[x] = v; });
        }
    }
    return img;
}

// A soft shadow of `shape` under whatever is drawn next. `fade` (optional) scales the
// shadow's opacity per row, for shapes whose shadow must stop short of an edge.
void dropShadow(QImage& target, const QPainterPath& shape, QPointF offset, int radius,
                const QColor& colour, const std::function<double(int)>& fade = {})
{
    QImage layer(target.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(offset);
        p.fillPath(shape, colour);
    }
    layer = boxBlur(layer, radius);
    if (fade) {
        for (int y = 0; y < layer.height(); ++y) {
            const double f = std::clamp(fade(y), 0.0, 1.0);
            auto* row = reinterpret_cast<QRgb*>(layer.scanLine(y));
            for (int x = 0; x < layer.width(); ++x) {
                const QRgb px = row[x];
                row[x] = qRgba(int(qRed(px) * f), int(qGreen(px) * f), int(qBlue(px) * f), int(qAlpha(px) * f));
            }
        }
    }
    QPainter p(&target);
    p.drawImage(0, 0, layer);
}

// The usual shadow of a small picture: one pixel down, slightly blurred.
void iconShadow(QImage& target, const QPainterPath& shape, int alpha = 70)
{
    dropShadow(target, shape, QPointF(0, 1), 1, QColor(0, 0, 0, alpha));
}

// ---------------------------------------------------------------------------------------
// Text. Only DejaVu Sans is used, loaded from its file, so the outlines never depend on
// what the font configuration of the machine would pick.

QString g_family;

bool loadFonts()
{
    const char* files[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                           "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"};
    for (const char* file : files) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
        if (id < 0) {
            std::fprintf(stderr, "drawskin: cannot load %s (package fonts-dejavu-core)\n", file);
            return false;
        }
        if (g_family.isEmpty())
            g_family = QFontDatabase::applicationFontFamilies(id).value(0);
    }
    return !g_family.isEmpty();
}

QFont sans(qreal pixelSize, bool bold = false)
{
    QFont f(g_family);
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFontDatabase::hasFamily(g_family) ? QFont::NoFontMerging : QFont::PreferDefault);
    f.setKerning(true);
    return f;
}

// Outline of `text` with its ink box centred on `centre`.
QPainterPath centredText(const QString& text, const QFont& font, QPointF centre)
{
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF box = path.boundingRect();
    path.translate(centre - box.center());
    return path;
}

// ---------------------------------------------------------------------------------------
// Small shared glyphs

QLinearGradient screenGradient(const QRectF& r)
{
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(0x8c, 0xbd, 0xff));
    g.setColorAt(0.55, kAccent);
    g.setColorAt(1, QColor(0x25, 0x5f, 0xc9));
    return g;
}

// A glassy diagonal sheen over the upper-left part of a screen.
void screenSheen(QPainter& p, const QRectF& r)
{
    QPainterPath sheen = polygon({r.topLeft(), QPointF(r.left() + r.width() * 0.7, r.top()),
                                  QPointF(r.left(), r.top() + r.height() * 0.8)});
    p.fillPath(sheen.intersected(roundRect(r, 1)), QColor(255, 255, 255, 38));
}

// Eighth note whose head is centred on `head`; `s` scales the glyph (1 = about 10 px tall).
QPainterPath eighthNote(QPointF head, qreal s)
{
    QPainterPath note;
    QPainterPath headPath = ellipse(QPointF(0, 0), 2.3 * s, 1.7 * s);
    headPath = QTransform().rotate(-22).map(headPath);
    note.addPath(headPath.translated(head));
    const qreal stemX = head.x() + 1.45 * s;
    note.addRect(QRectF(stemX, head.y() - 8.0 * s, 1.1 * s, 8.0 * s));
    QPainterPath flag;
    flag.moveTo(stemX + 1.1 * s, head.y() - 8.0 * s);
    flag.cubicTo(stemX + 1.4 * s, head.y() - 5.6 * s, stemX + 4.4 * s, head.y() - 5.4 * s, stemX + 3.6 * s, head.y() - 2.6 * s);
    flag.cubicTo(stemX + 3.5 * s, head.y() - 4.2 * s, stemX + 2.4 * s, head.y() - 4.9 * s, stemX + 1.1 * s, head.y() - 5.2 * s);
    flag.closeSubpath();
    note.addPath(flag);
    return note.simplified();
}

// Two beamed notes; `origin` is the centre of the left head.
QPainterPath beamedNotes(QPointF origin, qreal s)
{
    QPainterPath notes;
    const QPointF heads[2] = {origin, origin + QPointF(8.0 * s, -1.6 * s)};
    for (const QPointF& h : heads) {
        QPainterPath headPath = QTransform().rotate(-22).map(ellipse(QPointF(0, 0), 2.4 * s, 1.8 * s));
        notes.addPath(headPath.translated(h));
        notes.addRect(QRectF(h.x() + 1.5 * s, h.y() - 9.0 * s, 1.2 * s, 9.0 * s));
    }
    const qreal x0 = heads[0].x() + 1.5 * s;
    const qreal x1 = heads[1].x() + 2.7 * s;
    notes.addPath(polygon({QPointF(x0, heads[0].y() - 9.0 * s), QPointF(x1, heads[1].y() - 9.0 * s),
                           QPointF(x1, heads[1].y() - 6.6 * s), QPointF(x0, heads[0].y() - 6.6 * s)}));
    return notes.simplified();
}

QPainterPath playTriangle(QPointF centre, qreal size)
{
    // Optical centre: a triangle looks centred when shifted a little towards its point.
    const qreal h = size;
    const qreal w = size * 0.9;
    const QPointF c = centre + QPointF(w * 0.12, 0);
    return polygon({c + QPointF(-w / 2, -h / 2), c + QPointF(w / 2, 0), c + QPointF(-w / 2, h / 2)});
}

// An optical disc; `hole` is left transparent.
void drawDisc(QImage& img, QPointF c, qreal r)
{
    iconShadow(img, circle(c, r));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient base(c, r);
    base.setColorAt(0.0, QColor(0xfb, 0xfc, 0xfd));
    base.setColorAt(0.55, QColor(0xe9, 0xec, 0xf0));
    base.setColorAt(1.0, QColor(0xbb, 0xc1, 0xcb));
    p.fillPath(circle(c, r), base);
    QConicalGradient sheen(c, 30);
    const QColor tints[] = {QColor(120, 170, 255, 70), QColor(200, 140, 255, 45), QColor(120, 230, 210, 60),
                            QColor(255, 230, 140, 50), QColor(120, 170, 255, 70)};
    for (int i = 0; i < 5; ++i)
        sheen.setColorAt(i / 4.0, tints[i]);
    p.fillPath(circle(c, r).subtracted(circle(c, r * 0.36)), sheen);
    p.setPen(QPen(QColor(0x86, 0x8e, 0x99), 0.9));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r - 0.45, r - 0.45);
    // Hub.
    p.setPen(QPen(QColor(0xa9, 0xaf, 0xb8), 0.8));
    p.setBrush(QColor(0xf1, 0xf3, 0xf6));
    p.drawEllipse(c, r * 0.34, r * 0.34);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillPath(circle(c, r * 0.14), Qt::transparent);
}

// A folder: `r` is the whole folder's box.
void drawFolder(QImage& img, const QRectF& r, bool paper)
{
    const qreal u = r.width() / 40.0;
    const QRectF back(r.left(), r.top() + 3 * u, r.width(), r.height() - 3 * u);
    QPainterPath backPath = roundRect(back, 3 * u).united(roundRect(QRectF(r.left(), r.top(), 15 * u, 7 * u), 2.5 * u));
    const QRectF front(r.left(), r.top() + 9 * u, r.width(), r.height() - 9 * u);
    iconShadow(img, backPath);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(backPath, kAmberDark);
    if (paper) {
        const QRectF sheet(r.left() + 4 * u, r.top() + 6 * u, r.width() - 8 * u, 14 * u);
        p.fillPath(roundRect(sheet, 1 * u), QColor(0xfb, 0xfb, 0xfc));
        p.fillPath(roundRect(sheet.adjusted(3 * u, 3 * u, -3 * u, -sheet.height() + 4 * u), 0.5 * u), QColor(0xdd, 0xe1, 0xe6));
    }
    p.fillPath(roundRect(front, 3 * u), vertical(front, kAmberLight, kAmber));
    p.setPen(QPen(QColor(0xff, 0xe6, 0xa3), std::max<qreal>(0.8, u)));
    p.drawLine(QPointF(front.left() + 3 * u, front.top() + 0.6 * u), QPointF(front.right() - 3 * u, front.top() + 0.6 * u));
}

// A small accent disc with a white mark, the look of every round button of the skin.
void accentDisc(QPainter& p, QPointF c, qreal r)
{
    QLinearGradient g(c - QPointF(0, r), c + QPointF(0, r));
    g.setColorAt(0, kAccentLight);
    g.setColorAt(1, kAccentDark);
    p.fillPath(circle(c, r), g);
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - r + 1, c.y() - r + 1, 2 * r - 2, 2 * r - 2), 30 * 16, 120 * 16);
}

// ---------------------------------------------------------------------------------------
// View background and frame pieces

void drawViewBackground(QImage& img)
{
    // The tab labels are black and sit in the top band of the view; the "Transfer" button's
    // label is white and sits in the middle. The band is sized so that the labels stay on
    // light ground down to the smallest window the frame allows.
    const qreal W = img.width();
    const qreal H = img.height();
    const qreal shelf = std::round(H * 150.0 / 768.0);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF top(0, 0, W, shelf);
    p.fillRect(top, vertical(top, kShelfTop, kShelfBottom));
    p.fillRect(QRectF(0, 0, W, 1), QColor(0xf8, 0xf9, 0xfb));
    const QRectF body(0, shelf, W, H - shelf);
    p.fillRect(body, vertical(body, kObsidianTop, kObsidianBottom));
    // A faint accent glow behind the "Transfer" button.
    QRadialGradient glow(QPointF(W / 2, H * 0.53), W * 0.32);
    glow.setColorAt(0, withAlpha(kAccent, 34));
    glow.setColorAt(1, withAlpha(kAccent, 0));
    p.fillRect(body, glow);
    // Shadow cast by the band onto the dark part.
    const QRectF shade(0, shelf, W, 14);
    p.fillRect(shade, vertical(shade, QColor(0, 0, 0, 90), QColor(0, 0, 0, 0)));
    p.fillRect(QRectF(0, shelf - 1, W, 1), QColor(0xc4, 0xc8, 0xcf));
}

// Light page panel. The same bitmap is nine-sliced with corner 24 by the strip and with
// corner 16 when a page paints its background through it, so everything that is not
// uniform lies within 16 pixels of the border and the inside is one flat colour.
void drawPageFrame(QImage& img)
{
    const qreal W = img.width();
    const qreal H = img.height();
    const QRectF panel(3, 3, W - 6, H - 6);
    const QPainterPath shape = roundRect(panel, 8);
    dropShadow(img, shape, QPointF(0, 1), 1, QColor(0, 0, 0, 120));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(shape, kPage);
    p.setPen(QPen(kPageBorder, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), 7.5, 7.5);
}

// Selected tab. Its box reaches 5 pixels into the page frame below it; in those rows the
// tab is opaque page colour between its side borders, which opens the frame's top border
// under the tab, and transparent outside them, so the frame's own edge shows.
void drawSelectedTab(QImage& img)
{
    const qreal W = img.width();
    const int H = img.height();
    const qreal inset = 3;
    const qreal radius = 8;
    QPainterPath shape;
    shape.moveTo(inset, H + 2);
    shape.lineTo(inset, inset + radius);
    shape.quadTo(inset, inset, inset + radius, inset);
    shape.lineTo(W - inset - radius, inset);
    shape.quadTo(W - inset, inset, W - inset, inset + radius);
    shape.lineTo(W - inset, H + 2);
    shape.closeSubpath();
    dropShadow(img, shape, QPointF(0, 0), 1, QColor(0, 0, 0, 85), [H](int y) { return (H - 7 - y) / 6.0; });

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, inset, 0, 24);
    fill.setColorAt(0, Qt::white);
    fill.setColorAt(1, kPage);
    p.fillPath(shape, fill);
    // Border on the top and the sides, ending one row above the bottom (which lies on the
    // frame's inside).
    p.setPen(QPen(kPageBorder, 1, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath outline;
    outline.moveTo(inset + 0.5, H - 1);
    outline.lineTo(inset + 0.5, inset + radius);
    outline.quadTo(inset + 0.5, inset + 0.5, inset + radius, inset + 0.5);
    outline.lineTo(W - inset - radius, inset + 0.5);
    outline.quadTo(W - inset - 0.5, inset + 0.5, W - inset - 0.5, inset + radius);
    outline.lineTo(W - inset - 0.5, H - 1);
    p.drawPath(outline);
    // Accent cap.
    QPainterPath cap = shape.intersected(roundRect(QRectF(0, inset, W, 3), 0));
    p.fillPath(cap, kAccent);
}

void drawPanelRows(QImage& img)
{
    // Rows of the transfer panel: a dark separator, a highlight, then a gradient. Every
    // piece of the panel uses the same rows so that they meet without seams.
    QPainter p(&img);
    const int H = img.height();
    const int W = img.width();
    const QColor top(0x2b, 0x2d, 0x31);
    const QColor bottom(0x1a, 0x1b, 0x1e);
    for (int y = 0; y < H; ++y) {
        QColor c;
        if (y == 0)
            c = QColor(0x10, 0x11, 0x13);
        else if (y == 1)
            c = QColor(0x3b, 0x3d, 0x43);
        else
            c = mix(top, bottom, double(y - 2) / std::max(1, H - 3));
        p.fillRect(0, y, W, 1, c);
    }
}

void drawPanelFill(QImage& img)
{
    drawPanelRows(img);
}

void drawPanelLeftCap(QImage& img)
{
    drawPanelRows(img);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal cy = img.height() / 2.0 + 1;
    // A short queue: the running item in accent, the waiting ones in grey.
    const qreal x = 22;
    p.fillPath(roundRect(QRectF(x, cy - 8, 20, 4), 2), kAccent);
    p.fillPath(roundRect(QRectF(x, cy - 2, 20, 4), 2), QColor(0x6b, 0x70, 0x79));
    p.fillPath(roundRect(QRectF(x, cy + 4, 14, 4), 2), QColor(0x4d, 0x51, 0x58));
    p.fillPath(polygon({QPointF(x + 25, cy - 9), QPointF(x + 31, cy - 6), QPointF(x + 25, cy - 3)}), kAccent);
    // Divider at the right end.
    const int W = img.width();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(W - 3, 9, 1, img.height() - 16), QColor(0x12, 0x13, 0x15));
    p.fillRect(QRect(W - 2, 9, 1, img.height() - 16), QColor(0x3b, 0x3d, 0x43));
}

void drawPanelArtwork(QImage& img)
{
    drawPanelRows(img);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal W = img.width();
    const qreal H = img.height();
    const qreal cy = 2 + (H - 2) / 2.0;
    QRadialGradient glow(QPointF(W - 110, cy), 200);
    glow.setColorAt(0, withAlpha(kAccent, 40));
    glow.setColorAt(1, withAlpha(kAccent, 0));
    p.fillRect(QRectF(0, 2, W, H - 2), glow);
    // A level meter that fades in from the left; the left part stays plain because the
    // status text may run a few pixels into it.
    const qreal start = 170;
    const qreal end = W - 18;
    int i = 0;
    for (qreal x = start; x + 3 <= end; x += 6, ++i) {
        const double level = (0.5 + 0.5 * std::sin(i * 0.47)) * (0.55 + 0.45 * std::sin(i * 0.131 + 1.2));
        const qreal h = 3 + std::round(level * 22);
        double fadeIn = std::clamp((x - start) / 260.0, 0.0, 1.0);
        double fadeOut = std::clamp((end - x) / 40.0, 0.0, 1.0);
        const int alpha = int(std::lround(170 * fadeIn * fadeOut));
        QLinearGradient g(0, cy - h / 2, 0, cy + h / 2);
        g.setColorAt(0, withAlpha(kAccentLight, alpha));
        g.setColorAt(1, withAlpha(kAccentDark, alpha));
        p.fillPath(roundRect(QRectF(x, cy - h / 2, 3, h), 1.5), g);
    }
}

// Progress track and fill: capsules centred in the 40-pixel panel. With corner 20 and a
// height of 40 there are no middle rows; columns between the corners are uniform.
void drawProgressTrack(QImage& img)
{
    const qreal W = img.width();
    const qreal cy = img.height() / 2.0;
    const QRectF r(2, cy - 7, W - 4, 14);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(roundRect(r.translated(0, 1), 7), QColor(255, 255, 255, 22));
    p.fillPath(roundRect(r, 7), vertical(r, QColor(0x0c, 0x0d, 0x0f), QColor(0x1c, 0x1d, 0x21)));
    p.setPen(QPen(QColor(0, 0, 0, 110), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6.5, 6.5);
}

void drawProgressFill(QImage& img)
{
    const qreal W = img.width();
    const qreal cy = img.height() / 2.0;
    const QRectF r(4, cy - 5, W - 8, 10);
    dropShadow(img, roundRect(r, 5), QPointF(0, 0), 1, withAlpha(kAccent, 150));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0x8c, 0xbd, 0xff));
    g.setColorAt(0.5, kAccent);
    g.setColorAt(1, QColor(0x2a, 0x66, 0xcc));
    p.fillPath(roundRect(r, 5), g);
    const QRectF gloss(r.left() + 3, r.top() + 1, r.width() - 6, 3);
    p.fillPath(roundRect(gloss, 1.5), QColor(255, 255, 255, 55));
}

void drawAbortButton(QImage& img, bool hover)
{
    const QPointF c(img.width() / 2.0, img.height() / 2.0);
    const qreal r = img.width() / 2.0 - 3;
    iconShadow(img, circle(c, r), 90);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    if (hover)
        p.fillPath(circle(c, r), vertical(box, kRed, kRedDark));
    else
        p.fillPath(circle(c, r), vertical(box, QColor(0x45, 0x48, 0x4f), QColor(0x34, 0x36, 0x3b)));
    p.setPen(QPen(hover ? QColor(0xb3, 0x30, 0x35) : QColor(0x59, 0x5d, 0x65), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r - 0.5, r - 0.5);
    const qreal d = r * 0.4;
    p.setPen(roundPen(hover ? Qt::white : QColor(0xd5, 0xd9, 0xdf), 2));
    p.drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
    p.drawLine(c + QPointF(-d, d), c + QPointF(d, -d));
}

void drawTransferIcon(QImage& img)
{
    const QPointF c(img.width() / 2.0, img.height() / 2.0);
    const qreal r = img.width() / 2.0 - 5;
    dropShadow(img, circle(c, r), QPointF(0, 0), 2, withAlpha(kAccent, 200));
    iconShadow(img, circle(c, r), 110);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    accentDisc(p, c, r);
    const qreal u = r / 19.0;
    p.setPen(roundPen(Qt::white, 3.6 * u));
    p.drawLine(c + QPointF(-9 * u, 0), c + QPointF(7.5 * u, 0));
    QPainterPath head;
    head.moveTo(c + QPointF(1 * u, -7.5 * u));
    head.lineTo(c + QPointF(8.5 * u, 0));
    head.lineTo(c + QPointF(1 * u, 7.5 * u));
    p.drawPath(head);
}

void drawArrowButton(QImage& img, bool next)
{
    const QPointF c(img.width() / 2.0, img.height() / 2.0);
    const qreal r = img.width() * 11.0 / 32.0;
    iconShadow(img, circle(c, r), 80);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    accentDisc(p, c, r);
    const qreal u = r / 11.0;
    const qreal dir = next ? 1 : -1;
    QPainterPath chevron;
    chevron.moveTo(c + QPointF(-2.2 * u * dir, -5.2 * u));
    chevron.lineTo(c + QPointF(3.0 * u * dir, 0));
    chevron.lineTo(c + QPointF(-2.2 * u * dir, 5.2 * u));
    p.setPen(roundPen(Qt::white, 2.6 * u));
    p.setBrush(Qt::NoBrush);
    p.drawPath(chevron);
}

// ---------------------------------------------------------------------------------------
// Media list pieces

// Selected-row background, drawn with corner 2 over a row of a white list. The inside is
// a vertical gradient (stretching it keeps it a gradient); columns between the corners
// are uniform. The corner pixels are blended with the list's white to round them off.
void drawSelection(QImage& img, bool focused)
{
    const int W = img.width();
    const int H = img.height();
    const QColor top = focused ? QColor(0xe4, 0xef, 0xff) : QColor(0xf1, 0xf2, 0xf5);
    const QColor bottom = focused ? QColor(0xc9, 0xde, 0xff) : QColor(0xe2, 0xe5, 0xea);
    const QColor edgeTop = focused ? QColor(0x8f, 0xb8, 0xfb) : QColor(0xc8, 0xcc, 0xd3);
    const QColor edgeBottom = focused ? QColor(0x6f, 0xa3, 0xf8) : QColor(0xb5, 0xba, 0xc3);
    for (int y = 0; y < H; ++y) {
        const double t = double(y) / (H - 1);
        const QColor inside = mix(top, bottom, t);
        const QColor edge = mix(edgeTop, edgeBottom, t);
        for (int x = 0; x < W; ++x) {
            const bool border = x == 0 || x == W - 1 || y == 0 || y == H - 1;
            const bool corner = (x == 0 || x == W - 1) && (y == 0 || y == H - 1);
            QColor c = border ? edge : inside;
            if (corner)
                c = mix(edge, Qt::white, 0.6);
            else if (y == 1 && !border)
                c = mix(inside, Qt::white, 0.55);
            img.setPixel(x, y, c.rgb());
        }
    }
}

void drawCheckMark(QImage& img, bool checked)
{
    const qreal s = img.width() / 24.0;
    const QRectF box(3 * s, 3 * s, 18 * s, 18 * s);
    iconShadow(img, roundRect(box, 4 * s), 45);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    if (checked) {
        p.fillPath(roundRect(box, 4 * s), vertical(box, QColor(0x5c, 0x9e, 0xfd), QColor(0x2c, 0x77, 0xee)));
        p.setPen(QPen(QColor(0x24, 0x63, 0xcc), 1));
    } else {
        p.fillPath(roundRect(box, 4 * s), vertical(box, Qt::white, QColor(0xee, 0xf0, 0xf3)));
        p.setPen(QPen(QColor(0x8a, 0x92, 0x9e), 1.2));
    }
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3.6 * s, 3.6 * s);
    if (checked) {
        QPainterPath tick;
        tick.moveTo(7.6 * s, 12.2 * s);
        tick.lineTo(10.6 * s, 15.2 * s);
        tick.lineTo(16.4 * s, 8.8 * s);
        p.setPen(roundPen(Qt::white, 2.3 * s));
        p.drawPath(tick);
    }
}

void drawFolderRow(QImage& img)
{
    const qreal s = img.width() / 48.0;
    drawFolder(img, QRectF(4 * s, 8 * s, 40 * s, 32 * s), true);
}

void drawVideoPlaceholder(QImage& img)
{
    const qreal s = img.width() / 48.0;
    const QRectF film(3 * s, 8 * s, 42 * s, 32 * s);
    iconShadow(img, roundRect(film, 4 * s), 80);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(roundRect(film, 4 * s), vertical(film, QColor(0x36, 0x38, 0x3e), kObsidianBottom));
    for (int i = 0; i < 6; ++i) {
        const qreal x = film.left() + 4 * s + i * 6.4 * s;
        p.fillPath(roundRect(QRectF(x, film.top() + 2 * s, 3.4 * s, 2.8 * s), 0.8 * s), QColor(0xe9, 0xec, 0xf0, 220));
        p.fillPath(roundRect(QRectF(x, film.bottom() - 4.8 * s, 3.4 * s, 2.8 * s), 0.8 * s), QColor(0xe9, 0xec, 0xf0, 220));
    }
    const QRectF frame(film.left() + 3 * s, film.top() + 6.8 * s, film.width() - 6 * s, film.height() - 13.6 * s);
    p.fillPath(roundRect(frame, 2 * s), screenGradient(frame));
    screenSheen(p, frame);
    p.fillPath(playTriangle(frame.center(), 9 * s), Qt::white);
}

void drawAudioPlaceholder(QImage& img)
{
    const qreal s = img.width() / 48.0;
    const QRectF tile(5 * s, 5 * s, 38 * s, 38 * s);
    iconShadow(img, roundRect(tile, 9 * s), 80);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(tile.topLeft(), tile.bottomRight());
    g.setColorAt(0, kViolet);
    g.setColorAt(1, kVioletDark);
    p.fillPath(roundRect(tile, 9 * s), g);
    p.fillPath(roundRect(tile, 9 * s).intersected(roundRect(QRectF(tile.left(), tile.top(), tile.width(), tile.height() / 2), 0)),
               QColor(255, 255, 255, 22));
    p.fillPath(beamedNotes(QPointF(18.5 * s, 31 * s), 1.45 * s), Qt::white);
}

// ---------------------------------------------------------------------------------------
// Device pictures (32 x 32). Simple generic shapes; no product's logo or name.

void drawComputer(QImage& img)
{
    const QRectF bezel(2, 4, 28, 19.5);
    iconShadow(img, roundRect(bezel, 2.5).united(roundRect(QRectF(8, 26.5, 16, 3), 1.5)));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(polygon({QPointF(13, 23), QPointF(19, 23), QPointF(20, 27), QPointF(12, 27)}),
               vertical(QRectF(12, 23, 8, 4), QColor(0xa9, 0xaf, 0xb8), QColor(0x84, 0x8a, 0x94)));
    p.fillPath(roundRect(QRectF(8, 26.5, 16, 3), 1.5), vertical(QRectF(8, 26.5, 16, 3), QColor(0xb4, 0xb9, 0xc1), QColor(0x7d, 0x83, 0x8c)));
    p.fillPath(roundRect(bezel, 2.5), vertical(bezel, kGraphite, kObsidianBottom));
    const QRectF screen(4, 6, 24, 15);
    p.fillPath(roundRect(screen, 1), screenGradient(screen));
    screenSheen(p, screen);
}

void drawDvd(QImage& img)
{
    const QPointF c(16, 16);
    drawDisc(img, c, 14.5);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath label = centredText(QStringLiteral("DVD"), sans(8, true), QPointF(16, 24.6));
    p.fillPath(label.translated(0, 0.6), QColor(255, 255, 255, 200));
    p.fillPath(label, QColor(0x1f, 0x4f, 0xa8));
}

void drawAudioCd(QImage& img)
{
    drawDisc(img, QPointF(14.5, 14.5), 13.5);
    const QPointF b(24.5, 24.5);
    iconShadow(img, circle(b, 7));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(circle(b, 7.2), Qt::white);
    QLinearGradient g(b - QPointF(6, 6), b + QPointF(6, 6));
    g.setColorAt(0, kViolet);
    g.setColorAt(1, kVioletDark);
    p.fillPath(circle(b, 6.2), g);
    p.fillPath(eighthNote(b + QPointF(-1.6, 2.6), 0.72), Qt::white);
}

void drawOnlineVideo(QImage& img)
{
    const QPointF gc(21.5, 20.5);
    const qreal gr = 9.5;
    const QRectF screen(1, 4, 21, 15.5);
    iconShadow(img, circle(gc, gr).united(roundRect(screen, 3)));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(gc - QPointF(gr, gr), gc + QPointF(gr, gr));
    g.setColorAt(0, kTeal);
    g.setColorAt(1, kTealDark);
    p.fillPath(circle(gc, gr), g);
    p.save();
    p.setClipPath(circle(gc, gr - 0.6));
    p.setPen(QPen(QColor(255, 255, 255, 190), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(gc, gr * 0.45, gr);
    p.drawLine(QPointF(gc.x(), gc.y() - gr), QPointF(gc.x(), gc.y() + gr));
    p.drawLine(QPointF(gc.x() - gr, gc.y()), QPointF(gc.x() + gr, gc.y()));
    p.drawLine(QPointF(gc.x() - gr, gc.y() - gr * 0.5), QPointF(gc.x() + gr, gc.y() - gr * 0.5));
    p.drawLine(QPointF(gc.x() - gr, gc.y() + gr * 0.5), QPointF(gc.x() + gr, gc.y() + gr * 0.5));
    p.restore();
    // The screen overlaps the globe; a thin white gap keeps the two apart.
    p.setPen(QPen(Qt::white, 1.6));
    p.setBrush(vertical(screen, kGraphite, kObsidianBottom));
    p.drawRoundedRect(screen, 3, 3);
    const QRectF inner = screen.adjusted(2, 2, -2, -2);
    p.fillPath(roundRect(inner, 1.5), screenGradient(inner));
    p.fillPath(playTriangle(inner.center(), 6.5), Qt::white);
}

void drawSlideShow(QImage& img)
{
    auto photo = [](QPointF centre, qreal angle, QSizeF size) {
        QTransform t;
        t.translate(centre.x(), centre.y());
        t.rotate(angle);
        QPainterPath frame;
        frame.addRoundedRect(QRectF(-size.width() / 2, -size.height() / 2, size.width(), size.height()), 1.2, 1.2);
        return std::make_pair(t, frame);
    };
    const auto [backT, backShape] = photo(QPointF(13, 13.5), -11, QSizeF(20, 16));
    const auto [frontT, frontShape] = photo(QPointF(18, 18.5), 6, QSizeF(22, 17));
    iconShadow(img, backT.map(backShape));
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setTransform(backT);
        p.fillPath(backShape, QColor(0xfa, 0xfb, 0xfc));
        p.setPen(QPen(QColor(0xb4, 0xba, 0xc4), 0.8));
        p.drawPath(backShape);
        p.fillRect(QRectF(-8, -6, 16, 10), QColor(0xc4, 0xd2, 0xe8));
    }
    iconShadow(img, frontT.map(frontShape), 90);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(frontT);
    p.fillPath(frontShape, Qt::white);
    p.setPen(QPen(QColor(0xb4, 0xba, 0xc4), 0.8));
    p.drawPath(frontShape);
    const QRectF pic(-9, -6.5, 18, 11.5);
    p.fillRect(pic, vertical(pic, QColor(0x7f, 0xb6, 0xff), QColor(0xd4, 0xe7, 0xff)));
    p.save();
    p.setClipRect(pic);
    p.fillPath(circle(QPointF(4.5, -2.5), 2.1), QColor(0xff, 0xc8, 0x3d));
    p.fillPath(polygon({QPointF(-9, 5), QPointF(-9, 1), QPointF(-4, -2.5), QPointF(1, 2), QPointF(1, 5)}), QColor(0x3d, 0xa3, 0x5d));
    p.fillPath(polygon({QPointF(-3, 5), QPointF(3.5, 0), QPointF(9, 3.5), QPointF(9, 5)}), QColor(0x2e, 0x85, 0x4b));
    p.restore();
}

void drawTablet(QImage& img)
{
    const QRectF body(5.5, 1.5, 21, 29);
    iconShadow(img, roundRect(body, 3.2));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(roundRect(body, 3.2), vertical(body, QColor(0x43, 0x46, 0x4d), kObsidianBottom));
    p.setPen(QPen(QColor(0x5c, 0x60, 0x68), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(0.4, 0.4, -0.4, -0.4), 2.8, 2.8);
    const QRectF screen(7.5, 4.5, 17, 23);
    p.fillPath(roundRect(screen, 0.8), vertical(screen, QColor(0x8c, 0xbd, 0xff), kAccent));
    p.save();
    p.setClipRect(screen);
    p.fillPath(circle(QPointF(20.5, 9.5), 1.9), QColor(0xff, 0xe0, 0x8a));
    p.fillPath(polygon({QPointF(7.5, 27.5), QPointF(7.5, 20), QPointF(12.5, 14.5), QPointF(17.5, 20.5), QPointF(17.5, 27.5)}),
               QColor(0x2a, 0x5f, 0xbf));
    p.fillPath(polygon({QPointF(12, 27.5), QPointF(18.5, 18.5), QPointF(24.5, 24), QPointF(24.5, 27.5)}), QColor(0x1f, 0x4c, 0x9e));
    p.restore();
    screenSheen(p, screen);
    p.fillPath(circle(QPointF(16, 3), 0.6), QColor(0x7d, 0x83, 0x8c));
}

void drawPlayer(QImage& img)
{
    const QRectF body(8, 1.5, 16, 29);
    iconShadow(img, roundRect(body, 3));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(roundRect(body, 3), vertical(body, QColor(0xfa, 0xfb, 0xfc), QColor(0xd3, 0xd7, 0xde)));
    p.setPen(QPen(QColor(0x9a, 0xa1, 0xab), 0.9));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(0.45, 0.45, -0.45, -0.45), 2.6, 2.6);
    const QRectF screen(10.5, 4, 11, 9);
    p.fillPath(roundRect(screen, 1), screenGradient(screen));
    screenSheen(p, screen);
    const QPointF wc(16, 22);
    QRadialGradient wheel(wc + QPointF(0, -2), 7);
    wheel.setColorAt(0, QColor(0xe3, 0xe6, 0xea));
    wheel.setColorAt(1, QColor(0xb9, 0xbe, 0xc6));
    p.setPen(QPen(QColor(0x95, 0x9c, 0xa6), 0.8));
    p.setBrush(wheel);
    p.drawEllipse(wc, 5.6, 5.6);
    p.setPen(QPen(QColor(0xa3, 0xa9, 0xb2), 0.7));
    p.setBrush(QColor(0xf4, 0xf5, 0xf7));
    p.drawEllipse(wc, 2.1, 2.1);
}

void drawPhone(QImage& img)
{
    const QRectF body(9, 1.5, 14, 29);
    iconShadow(img, roundRect(body, 3.5));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(roundRect(body, 3.5), vertical(body, QColor(0x43, 0x46, 0x4d), kObsidianBottom));
    p.setPen(QPen(QColor(0x5c, 0x60, 0x68), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(0.4, 0.4, -0.4, -0.4), 3.1, 3.1);
    const QRectF screen(10.5, 5, 11, 21.5);
    p.fillPath(roundRect(screen, 1), screenGradient(screen));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 2; ++col)
            p.fillPath(roundRect(QRectF(12.2 + col * 4.6, 7.3 + row * 4.6, 3, 3), 0.9), QColor(255, 255, 255, 200));
    screenSheen(p, screen);
    p.fillPath(roundRect(QRectF(14, 3, 4, 1), 0.5), QColor(0x7d, 0x83, 0x8c));
    p.fillPath(roundRect(QRectF(14, 27.8, 4, 1.2), 0.6), QColor(0x6b, 0x70, 0x79));
}

void drawNetbook(QImage& img)
{
    const QRectF lid(2.5, 5, 19, 14.5);
    const QPainterPath basePath = polygon({QPointF(0.5, 20), QPointF(23.5, 20), QPointF(22.3, 23.5), QPointF(1.7, 23.5)});
    const QRectF stick(25, 15.5, 6, 11.5);
    const QRectF plug(26, 11, 4, 4.8);
    iconShadow(img, roundRect(lid, 1.6).united(basePath).united(roundRect(stick, 1.6)).united(roundRect(plug, 0.5)));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(roundRect(lid, 1.6), vertical(lid, QColor(0x43, 0x46, 0x4d), kObsidianBottom));
    const QRectF screen = lid.adjusted(1.5, 1.5, -1.5, -1.5);
    p.fillPath(roundRect(screen, 0.6), screenGradient(screen));
    screenSheen(p, screen);
    p.fillPath(basePath, vertical(QRectF(0, 20, 24, 3.5), QColor(0xe6, 0xe9, 0xee), QColor(0xa9, 0xaf, 0xb8)));
    p.fillPath(roundRect(QRectF(9.5, 20, 5, 1.1), 0.5), QColor(0x8e, 0x95, 0x9f));
    // USB stick beside it.
    p.fillPath(roundRect(plug, 0.5), vertical(plug, QColor(0xe8, 0xeb, 0xef), QColor(0xb4, 0xb9, 0xc1)));
    p.fillRect(QRectF(26.9, 12.3, 0.9, 0.9), QColor(0x6b, 0x70, 0x79));
    p.fillRect(QRectF(28.3, 12.3, 0.9, 0.9), QColor(0x6b, 0x70, 0x79));
    QLinearGradient g(stick.topLeft(), stick.topRight());
    g.setColorAt(0, QColor(0xfb, 0xbf, 0x46));
    g.setColorAt(1, QColor(0xe0, 0x8a, 0x0b));
    p.fillPath(roundRect(stick, 1.6), g);
    p.fillPath(roundRect(QRectF(26.6, 19.5, 2.8, 4.2), 0.8), QColor(255, 255, 255, 70));
}

void drawCellPhone(QImage& img)
{
    const QRectF body(9, 1.5, 14, 29);
    iconShadow(img, roundRect(body, 3));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(roundRect(body, 3), vertical(body, QColor(0x5a, 0x5e, 0x66), QColor(0x33, 0x35, 0x3a)));
    const QRectF screen(11, 4.5, 10, 8.5);
    p.fillPath(roundRect(screen, 0.8), screenGradient(screen));
    screenSheen(p, screen);
    p.fillPath(roundRect(QRectF(13, 14.6, 6, 1.8), 0.9), QColor(0x9a, 0xa0, 0xaa));
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col)
            p.fillPath(roundRect(QRectF(11.3 + col * 3.4, 18 + row * 3, 2.6, 2), 0.6), QColor(0xd5, 0xd9, 0xdf));
}

void drawGameConsole(QImage& img)
{
    const QRectF body(1, 9, 30, 15);
    iconShadow(img, roundRect(body, 7.5));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(roundRect(body, 7.5), vertical(body, QColor(0x4a, 0x4d, 0x55), kObsidianBottom));
    const QRectF screen(9, 11, 14, 11);
    p.fillPath(roundRect(screen, 0.8), screenGradient(screen));
    screenSheen(p, screen);
    const QColor key(0xc9, 0xcd, 0xd4);
    p.fillPath(roundRect(QRectF(2.7, 15.6, 5.2, 1.8), 0.5).united(roundRect(QRectF(4.4, 13.9, 1.8, 5.2), 0.5)), key);
    const QPointF bc(26.6, 16.5);
    for (QPointF d : {QPointF(0, -1.9), QPointF(1.9, 0), QPointF(0, 1.9), QPointF(-1.9, 0)})
        p.fillPath(circle(bc + d, 0.95), key);
}

// ---------------------------------------------------------------------------------------
// Button icons

void drawUpFolder(QImage& img)
{
    const qreal s = img.width() / 24.0;
    drawFolder(img, QRectF(2 * s, 4 * s, 20 * s, 16 * s), false);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x5a, 0x3b, 0x05);
    p.setPen(roundPen(ink, 2 * s));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(12 * s, 17.5 * s), QPointF(12 * s, 11 * s));
    QPainterPath head;
    head.moveTo(8.8 * s, 13.8 * s);
    head.lineTo(12 * s, 10.6 * s);
    head.lineTo(15.2 * s, 13.8 * s);
    p.drawPath(head);
}

void drawSearch(QImage& img)
{
    const qreal s = img.width() / 24.0;
    const QPointF c(10 * s, 10 * s);
    const qreal r = 6.2 * s;
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(roundPen(kGraphite, 3.4 * s));
    p.drawLine(c + QPointF(4.9 * s, 4.9 * s), QPointF(20 * s, 20 * s));
    QRadialGradient lens(c - QPointF(2 * s, 2 * s), r * 1.4);
    lens.setColorAt(0, QColor(255, 255, 255, 240));
    lens.setColorAt(1, QColor(0xd6, 0xe6, 0xff, 230));
    p.setPen(QPen(kGraphite, 2.2 * s));
    p.setBrush(lens);
    p.drawEllipse(c, r, r);
    p.setPen(roundPen(QColor(255, 255, 255, 220), 1.1 * s));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - r + 2.2 * s, c.y() - r + 2.2 * s, 2 * r - 4.4 * s, 2 * r - 4.4 * s), 100 * 16, 70 * 16);
}

void drawAddFile(QImage& img)
{
    const qreal s = img.width() / 16.0;
    const QPainterPath back = roundRect(QRectF(0.8 * s, 2.5 * s, 12.5 * s, 10.5 * s), 1.3 * s)
                                  .united(roundRect(QRectF(0.8 * s, 1.5 * s, 5.5 * s, 3 * s), 1 * s));
    const QPainterPath front = polygon({QPointF(2.6 * s, 6 * s), QPointF(15 * s, 6 * s), QPointF(13.2 * s, 13 * s), QPointF(0.8 * s, 13 * s)});
    iconShadow(img, back.united(front), 60);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(back, kAmberDark);
    p.fillPath(front, vertical(QRectF(0, 6 * s, 16, 7 * s), kAmberLight, kAmber));
    const QPointF b(11.6 * s, 11.4 * s);
    p.fillPath(circle(b, 4.3 * s), Qt::white);
    p.fillPath(circle(b, 3.5 * s), vertical(QRectF(b.x() - 3.5 * s, b.y() - 3.5 * s, 7 * s, 7 * s), kAccentLight, kAccentDark));
    p.setPen(QPen(Qt::white, 1.3 * s, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(b + QPointF(-2 * s, 0), b + QPointF(2 * s, 0));
    p.drawLine(b + QPointF(0, -2 * s), b + QPointF(0, 2 * s));
}

void drawPlayButton(QImage& img)
{
    const QPointF c(img.width() / 2.0, img.height() / 2.0);
    const qreal r = img.width() * 9.5 / 24.0;
    iconShadow(img, circle(c, r), 80);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    accentDisc(p, c, r);
    p.fillPath(playTriangle(c, r * 0.95), Qt::white);
}

void drawStopButton(QImage& img)
{
    const qreal s = img.width() / 16.0;
    const QRectF box(3 * s, 3 * s, 10 * s, 10 * s);
    iconShadow(img, roundRect(box, 2 * s), 60);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(roundRect(box, 2 * s), vertical(box, kRed, kRedDark));
    p.setPen(QPen(QColor(0xb3, 0x30, 0x35), 0.9));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box.adjusted(0.45, 0.45, -0.45, -0.45), 1.6 * s, 1.6 * s);
    p.fillPath(roundRect(QRectF(box.left() + 1.5 * s, box.top() + 1.2 * s, box.width() - 3 * s, 2 * s), 1 * s), QColor(255, 255, 255, 60));
}

// ---------------------------------------------------------------------------------------
// About box and splash picture

void drawAboutPicture(QImage& img)
{
    const qreal W = img.width();
    const qreal H = img.height();
    const qreal split = std::round(H * 0.655);  // the dialog's text starts below this
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF hero(0, 0, W, split);
    p.fillRect(hero, vertical(hero, kObsidianTop, QColor(0x19, 0x1a, 0x1d)));
    QRadialGradient glow(QPointF(W * 0.2, split * 0.5), W * 0.45);
    glow.setColorAt(0, withAlpha(kAccent, 70));
    glow.setColorAt(1, withAlpha(kAccent, 0));
    p.fillRect(hero, glow);
    p.save();
    p.setClipRect(hero);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 9; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 12 + i), 1));
        const qreal r = 70 + i * 32;
        p.drawEllipse(QPointF(W + 10, split + 20), r, r);
    }
    p.restore();

    const QRectF mark(40, split / 2 - 38, 76, 76);
    p.end();
    dropShadow(img, roundRect(mark, 18), QPointF(0, 3), 3, QColor(0, 0, 0, 140));
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient mg(mark.topLeft(), mark.bottomRight());
    mg.setColorAt(0, kAccentLight);
    mg.setColorAt(1, kAccentDark);
    p.fillPath(roundRect(mark, 18), mg);
    p.fillPath(roundRect(mark, 18).intersected(roundRect(QRectF(mark.left(), mark.top(), mark.width(), mark.height() * 0.45), 0)),
               QColor(255, 255, 255, 26));
    p.fillPath(playTriangle(mark.center(), 34), Qt::white);

    QPainterPath name;
    name.addText(0, 0, sans(44, true), QStringLiteral("Vidlume"));
    name.translate(mark.right() + 22 - name.boundingRect().left(), split / 2 + 10);
    p.fillPath(name, Qt::white);
    QPainterPath tagline;
    tagline.addText(0, 0, sans(14), QStringLiteral("Convert, transfer, enjoy."));
    tagline.translate(mark.right() + 24 - tagline.boundingRect().left(), split / 2 + 34);
    p.fillPath(tagline, QColor(0xa9, 0xaf, 0xb8));

    const QRectF lower(0, split, W, H - split);
    p.fillRect(lower, kPage);
    QLinearGradient rule(0, 0, W, 0);
    rule.setColorAt(0, kAccent);
    rule.setColorAt(1, withAlpha(kAccent, 0));
    p.fillRect(QRectF(0, split, W, 3), rule);
}

// ---------------------------------------------------------------------------------------

using DrawFn = std::function<void(QImage&)>;

const std::map<int, DrawFn>& artById()
{
    static const std::map<int, DrawFn> art = {
        {310, drawPageFrame},
        {311, drawSelectedTab},
        {312, drawComputer},
        {314, drawTransferIcon},
        {319, drawPlayer},
        {320, drawCellPhone},
        {327, drawViewBackground},
        {329, drawPanelArtwork},
        {330, drawPanelFill},
        {331, drawPanelLeftCap},
        {332, [](QImage& i) { drawArrowButton(i, true); }},
        {333, [](QImage& i) { drawArrowButton(i, false); }},
        {336, drawProgressTrack},
        {337, drawProgressFill},
        {338, [](QImage& i) { drawAbortButton(i, false); }},
        {339, [](QImage& i) { drawAbortButton(i, true); }},
        {340, drawGameConsole},
        {341, drawFolderRow},
        {342, drawVideoPlaceholder},
        {343, [](QImage& i) { drawSelection(i, true); }},
        {344, [](QImage& i) { drawSelection(i, false); }},
        {346, drawAboutPicture},
        {351, drawAudioPlaceholder},
        {352, drawAudioCd},
        {353, drawDvd},
        {356, drawOnlineVideo},
        {365, [](QImage& i) { drawCheckMark(i, false); }},
        {366, [](QImage& i) { drawCheckMark(i, true); }},
        {371, drawPhone},
        {372, drawUpFolder},
        {374, drawSearch},
        {387, drawSlideShow},
        {388, drawAddFile},
        {389, drawPlayButton},
        {390, drawStopButton},
        {399, drawNetbook},
        {402, drawTablet},
    };
    return art;
}

QImage render(const Entry& e)
{
    QImage img(e.width, e.height, e.bpp == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    img.fill(e.bpp == 32 ? QColor(Qt::transparent) : QColor(Qt::black));
    artById().at(e.id)(img);
    // Fixed resolution, so the pHYs chunk never depends on the machine.
    img.setDotsPerMeterX(3780);
    img.setDotsPerMeterY(3780);
    return img.convertToFormat(e.bpp == 32 ? QImage::Format_ARGB32 : QImage::Format_RGB888);
}

bool readManifest(const QString& path, std::vector<Entry>& entries)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "drawskin: cannot read %s\n", qPrintable(path));
        return false;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray()) {
        std::fprintf(stderr, "drawskin: %s: not a JSON array (%s)\n", qPrintable(path), qPrintable(error.errorString()));
        return false;
    }
    std::set<int> seen;
    for (const QJsonValue& v : doc.array()) {
        const QJsonObject o = v.toObject();
        Entry e{o.value("id").toInt(), o.value("width").toInt(), o.value("height").toInt(), o.value("bpp").toInt()};
        if (e.id <= 0 || e.width <= 0 || e.height <= 0 || (e.bpp != 24 && e.bpp != 32)) {
            std::fprintf(stderr, "drawskin: bad manifest entry %s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
            return false;
        }
        if (!seen.insert(e.id).second) {
            std::fprintf(stderr, "drawskin: bitmap %d listed twice\n", e.id);
            return false;
        }
        if (!artById().count(e.id)) {
            std::fprintf(stderr, "drawskin: no drawing for bitmap %d\n", e.id);
            return false;
        }
        entries.push_back(e);
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// Contact sheet and window preview (for looking at the results, not part of the output)

void checkerboard(QPainter& p, const QRect& r)
{
    for (int y = r.top(); y <= r.bottom(); y += 8)
        for (int x = r.left(); x <= r.right(); x += 8) {
            const bool dark = ((x - r.left()) / 8 + (y - r.top()) / 8) % 2;
            p.fillRect(QRect(x, y, 8, 8).intersected(r), dark ? QColor(0xc8, 0xc8, 0xc8) : QColor(0xf0, 0xf0, 0xf0));
        }
}

QImage contactSheet(const std::vector<Entry>& entries, const std::map<int, QImage>& images)
{
    const int sheetWidth = 1500;
    struct Cell {
        const Entry* e;
        QSize shown;
    };
    std::vector<Cell> cells;
    for (const Entry& e : entries) {
        const int longest = std::max(e.width, e.height);
        double scale = longest <= 50 ? 4.0 : longest <= 140 ? 2.0 : 1.0;
        if (e.height * scale > 400)
            scale = 400.0 / e.height;
        if (e.width * scale > 600)
            scale = 600.0 / e.width;
        cells.push_back({&e, QSize(int(e.width * scale), int(e.height * scale))});
    }
    // Flow layout.
    std::vector<QRect> places;
    int x = 10, y = 10, rowHeight = 0;
    for (const Cell& c : cells) {
        const int w = std::max(c.shown.width(), 90) + 20;
        const int h = c.shown.height() + 40;
        if (x + w > sheetWidth) {
            x = 10;
            y += rowHeight;
            rowHeight = 0;
        }
        places.emplace_back(x, y, w, h);
        x += w;
        rowHeight = std::max(rowHeight, h);
    }
    QImage sheet(sheetWidth, y + rowHeight + 10, QImage::Format_RGB32);
    sheet.fill(QColor(0x60, 0x63, 0x69));
    QPainter p(&sheet);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Cell& c = cells[i];
        const QRect place = places[i];
        const QRect target(place.left() + 10, place.top() + 8, c.shown.width(), c.shown.height());
        checkerboard(p, target);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(target, images.at(c.e->id));
        p.setPen(Qt::white);
        p.setFont(sans(12, true));
        p.drawText(QPointF(place.left() + 10, target.bottom() + 18),
                   QStringLiteral("%1  %2x%3 %4").arg(c.e->id).arg(c.e->width).arg(c.e->height).arg(c.e->bpp));
    }
    return sheet;
}

// Nine-slice drawing as the view does it (corners fixed, edges stretched in one direction,
// the centre in both; without a middle column or row when the target is too small).
void nineSlice(QPainter& p, const QImage& src, int k, const QRect& dst)
{
    const int w = src.width(), h = src.height(), W = dst.width(), H = dst.height();
    if (W <= 0 || H <= 0)
        return;
    struct Span {
        int s0, s1, d0, d1;
    };
    auto spans = [k](int size, int target) {
        std::vector<Span> v;
        if (target < 2 * k) {
            v.push_back({0, target / 2, 0, target / 2});
            v.push_back({target / 2, target, target / 2, target});
        } else {
            v.push_back({0, k, 0, k});
            v.push_back({k, size - k, k, target - k});
            v.push_back({size - k, size, target - k, target});
        }
        return v;
    };
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (const Span& cx : spans(w, W))
        for (const Span& cy : spans(h, H)) {
            if (cx.d1 <= cx.d0 || cy.d1 <= cy.d0 || cx.s1 <= cx.s0 || cy.s1 <= cy.s0)
                continue;
            p.drawImage(QRectF(dst.left() + cx.d0, dst.top() + cy.d0, cx.d1 - cx.d0, cy.d1 - cy.d0), src,
                        QRectF(cx.s0, cy.s0, cx.s1 - cx.s0, cy.s1 - cy.s0));
        }
    p.restore();
}

// Rectangle from left, top, right, bottom with right and bottom exclusive, as the view computes them.
QRect ltrb(int l, int t, int r, int b)
{
    return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

struct PreviewTab {
    int bitmap;
    QString label;
    bool hover = false;
};

void previewStrip(QPainter& p, const std::map<int, QImage>& bmp, const QRect& strip, const QRect& frame,
                  const std::vector<PreviewTab>& tabs, int selected)
{
    const QFont font = sans(11);
    const QFontMetrics fm(font);
    p.setFont(font);
    const int n = int(tabs.size());
    const int arrow = bmp.at(333).width();
    auto width = [&](int i) { return std::max(bmp.at(tabs[std::size_t(i)].bitmap).width(), fm.horizontalAdvance(tabs[std::size_t(i)].label)); };
    const int sl = strip.left(), sr = strip.right() + 1, st = strip.top(), fb = frame.top() + 5;
    const int sum = sl + sr;
    const int ws = width(selected);
    const QRect selBox = ltrb((sum - (ws + 48)) / 2, st, (sum + (ws + 48)) / 2, fb);
    nineSlice(p, bmp.at(310), 24, frame);
    nineSlice(p, bmp.at(311), 24, selBox);

    auto drawTab = [&](const QImage& icon, const QString& label, bool hover, const QRect& hit) {
        const int l = hit.left(), r = hit.right() + 1, t = hit.top(), b = hit.bottom() + 1;
        const int il = (l + r - icon.width()) / 2, it = t + 12;
        if (hover) {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(212, 232, 255));
            p.drawRoundedRect(QRectF(il - 2, it - 2, icon.width() + 4, icon.height() + 4), 1, 1);
        }
        p.drawImage(il, it, icon);
        p.setPen(Qt::black);
        p.drawText(ltrb(l, t + icon.height() + 16, r, b), Qt::AlignCenter | Qt::TextSingleLine, label);
    };

    int x = selBox.left();
    int i = selected, steps = 0;
    for (;;) {
        i = (i - 1 + n) % n;
        x -= width(i) + 16;
        ++steps;
        if (x <= sl + arrow + 16 || steps == n)
            break;
    }
    x += width(i) + 16;
    const int first = (i + 1) % n;
    if (n >= 2) {
        drawTab(bmp.at(333), QString(), false, ltrb(sl, st, sl + arrow + 16, fb));
        drawTab(bmp.at(332), QString(), false, ltrb(sr - arrow - 16, st, sr, fb));
    }
    for (int c = 0; c < n; ++c) {
        const int idx = (first + c) % n;
        const int box = width(idx) + (idx == selected ? 48 : 16);
        if (x > sl + arrow + 16 && x + box < sr - arrow - 16) {
            const PreviewTab& t = tabs[std::size_t(idx)];
            drawTab(bmp.at(t.bitmap), t.label, idx == selected ? false : t.hover, ltrb(x, st, x + box, fb));
        }
        x += box;
    }
}

void previewList(QPainter& p, const std::map<int, QImage>& bmp, const QRect& list, bool focused, bool checks)
{
    p.fillRect(list, Qt::white);
    p.setBrush(Qt::NoBrush);
    p.setPen(QColor(0x9a, 0xa0, 0xaa));
    p.drawRect(list.adjusted(0, 0, -1, -1));
    const QRect header(list.left() + 1, list.top() + 1, list.width() - 2, 22);
    p.fillRect(header, QColor(0xf3, 0xf4, 0xf6));
    p.setPen(QColor(0xd0, 0xd3, 0xd9));
    p.drawLine(header.bottomLeft(), header.bottomRight());
    const int checkW = checks ? 36 : 0;
    p.setFont(sans(11));
    p.setPen(Qt::black);
    if (checks)
        p.drawText(QRect(header.left(), header.top(), checkW, header.height()), Qt::AlignCenter, QStringLiteral("All"));
    p.drawText(QRect(header.left() + checkW, header.top(), 76, header.height()), Qt::AlignCenter, QStringLiteral("Thumbnail"));
    p.drawText(QRect(header.left() + checkW + 82, header.top(), 200, header.height()), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Name"));

    QImage frame(64, 48, QImage::Format_RGB32);
    {
        QPainter f(&frame);
        f.fillRect(frame.rect(), vertical(QRectF(frame.rect()), QColor(0xf7, 0xa9, 0x5c), QColor(0x6a, 0x3e, 0x7c)));
        f.setRenderHint(QPainter::Antialiasing);
        f.fillPath(polygon({QPointF(0, 48), QPointF(0, 34), QPointF(22, 24), QPointF(40, 36), QPointF(64, 28), QPointF(64, 48)}),
                   QColor(0x2c, 0x24, 0x3a));
    }
    struct Row {
        const QImage* picture;
        QString title, line1, line2;
        bool selected, checked, folder;
    };
    const Row rows[] = {
        {&frame, "Beach day.mp4", "Duration:\t3:12", "Resolution:\t1280 x 720", true, true, false},
        {&bmp.at(341), "Holidays", "Folder", "", false, false, true},
        {&bmp.at(342), "Interview.mkv", "Reading file information...", "Date:\t02.05.2024", false, false, false},
        {&bmp.at(351), "Track 01.mp3", "Duration:\t4:05", "Format:\t44100 Hz, 2 channels", true, true, false},
    };
    int y = header.bottom() + 1;
    for (const Row& row : rows) {
        const QRect r(list.left() + 1, y, list.width() - 2, 60);
        if (r.bottom() > list.bottom())
            break;
        if (row.selected)
            nineSlice(p, bmp.at(focused ? 343 : 344), 2, QRect(r.left(), r.top(), r.width(), r.height() - 1));
        if (checks && !row.folder) {
            const QImage& mark = bmp.at(row.checked ? 366 : 365);
            p.drawImage(r.left() + (checkW - mark.width()) / 2, r.top() + (60 - mark.height()) / 2, mark);
        }
        const int thumbLeft = r.left() + checkW;
        p.drawImage(thumbLeft + (76 - row.picture->width()) / 2, r.top() + 2 + 6, *row.picture);
        const int tx = thumbLeft + 76 + 6;
        p.setPen(Qt::black);
        p.setFont(sans(11, true));
        p.drawText(QPointF(tx, r.top() + 16), row.title);
        p.setFont(sans(11));
        const QStringList lines = {row.line1, row.line2};
        for (int k = 0; k < 2; ++k) {
            const QStringList parts = lines[k].split('\t');
            p.drawText(QPointF(tx, r.top() + 32 + 14 * k), parts.value(0));
            if (parts.size() > 1)
                p.drawText(QPointF(tx + 80, r.top() + 32 + 14 * k), parts.value(1));
        }
        p.setPen(QPen(QColor(0xc8, 0xcc, 0xd2), 1, Qt::DotLine));
        p.drawLine(r.left() + 6, r.bottom(), r.right() - 6, r.bottom());
        y += 60;
    }
}

QImage preview(const std::map<int, QImage>& bmp, QSize size)
{
    const int cx = size.width(), cy = size.height();
    const int H = bmp.at(330).height();
    const int T = bmp.at(311).height();
    QImage out(size, QImage::Format_RGB32);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(0, 0, cx, cy - H), bmp.at(327));

    // Transfer panel with a running transfer.
    const int x0 = 0, y0 = cy - H, x1 = cx, y1 = cy;
    p.drawImage(QRect(x0, y0, x1 - x0, H), bmp.at(330));
    p.drawImage(x0, y0, bmp.at(331));
    p.drawImage(x1 - bmp.at(329).width(), y0, bmp.at(329));
    const int pL = x0 + bmp.at(331).width() + 10;
    const int tR = x1 - bmp.at(329).width() + 10;
    const int aL = tR - 172;
    nineSlice(p, bmp.at(336), 20, ltrb(pL, y0, aL, y1));
    nineSlice(p, bmp.at(337), 20, ltrb(pL, y0, pL + int((aL - pL) * 0.42), y1));
    p.drawImage(aL, (y0 + y1 - 24) / 2, bmp.at(339));
    p.setFont(sans(11));
    p.setPen(QColor(0xe8, 0xe9, 0xec));
    p.drawText(ltrb(aL + 24 + 6, y0 + 6, tR - 6, y1 - 6), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("2 transfer(s) left\nTransferring Beach day"));

    const QRect srcStrip = ltrb(8, 8, (cx - 80) / 2, cy - H - 8);
    const QRect srcFrame = ltrb(8, 8 + T, (cx - 80) / 2, cy - H - 8);
    const QRect tgtStrip = ltrb((cx + 80) / 2, 8, cx - 8, cy - H - 8);
    const QRect tgtFrame = ltrb((cx + 80) / 2, 8 + T, cx - 8, cy - H - 8);
    previewStrip(p, bmp, tgtStrip, tgtFrame,
                 {{312, "My Computer"}, {402, "Tablet"}, {319, "Player", true}, {371, "Phone"}, {399, "Netbook"}}, 1);
    previewStrip(p, bmp, srcStrip, srcFrame,
                 {{312, "My Computer"}, {353, "Video DVD"}, {356, "Online Video"}, {387, "Slide Show"}, {352, "Audio CD"}}, 0);

    // Transfer button.
    const QRect button(( cx - 80) / 2, cy / 2 - H, 80, 80);
    const QImage& icon = bmp.at(314);
    const int l = button.left(), t = button.top(), r = l + 80, b = t + 80;
    p.drawImage((l + r - icon.width()) / 2, (t + b - icon.height()) / 2 - 8, icon);
    p.setPen(Qt::white);
    p.setFont(sans(11));
    p.drawText(ltrb(l, (t + b + icon.height()) / 2 - 6, r, b), Qt::AlignCenter, QStringLiteral("Transfer"));

    // Pages: their background comes from the frame bitmap with corner 16, clipped to the page.
    auto page = [&](const QRect& frame, bool source) {
        const QRect pg = frame.adjusted(12, 12, -12, -12);
        p.save();
        p.setClipRect(pg);
        nineSlice(p, bmp.at(310), 16, frame);
        p.restore();
        p.setFont(sans(11));
        p.setPen(Qt::black);
        p.drawText(QPointF(pg.left() + 10, pg.top() + 19), source ? QStringLiteral("Source Folder:") : QStringLiteral("Current Content of Target Folder"));
        if (source) {
            const QRect combo(pg.left() + 136, pg.top() + 8, pg.width() - 136 - 44, 22);
            p.fillRect(combo, Qt::white);
            p.setPen(QColor(0x9a, 0xa0, 0xaa));
            p.drawRect(combo.adjusted(0, 0, -1, -1));
            p.setPen(Qt::black);
            p.drawText(combo.adjusted(6, 0, 0, 0), Qt::AlignVCenter, QStringLiteral("Videos"));
            p.drawImage(pg.right() - 34, pg.top() + 7, bmp.at(372));
            p.drawImage(pg.right() - 62, pg.top() + 7, bmp.at(374));
        }
        previewList(p, bmp, QRect(pg.left() + 10, pg.top() + 40, pg.width() - 20, pg.height() - 50), source, source);
    };
    page(srcFrame, true);
    page(tgtFrame, false);
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: vidlume_drawskin <bitmaps.json> <output folder> [--sheet FILE] [--preview FILE [WxH]]\n");
        return 2;
    }
    QString sheetPath, previewPath;
    QSize previewSize(1100, 720);
    for (int i = 2; i < args.size(); ++i) {
        if (args[i] == "--sheet" && i + 1 < args.size()) {
            sheetPath = args[++i];
        } else if (args[i] == "--preview" && i + 1 < args.size()) {
            previewPath = args[++i];
            if (i + 1 < args.size() && args[i + 1].contains('x')) {
                const QStringList wh = args[++i].split('x');
                previewSize = QSize(wh.value(0).toInt(), wh.value(1).toInt());
            }
        } else {
            std::fprintf(stderr, "drawskin: unknown argument %s\n", qPrintable(args[i]));
            return 2;
        }
    }
    if (!loadFonts())
        return 1;

    std::vector<Entry> entries;
    if (!readManifest(args[0], entries))
        return 1;
    const QDir outDir(args[1]);
    if (!outDir.exists() && !QDir().mkpath(outDir.path())) {
        std::fprintf(stderr, "drawskin: cannot create %s\n", qPrintable(outDir.path()));
        return 1;
    }

    std::map<int, QImage> images;
    for (const Entry& e : entries) {
        const QImage img = render(e);
        const QString path = outDir.filePath(QStringLiteral("%1.png").arg(e.id));
        QImageWriter writer(path, "png");
        if (!writer.write(img)) {
            std::fprintf(stderr, "drawskin: cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
            return 1;
        }
        images.emplace(e.id, img);
    }
    std::printf("drawskin: wrote %zu bitmaps to %s\n", entries.size(), qPrintable(outDir.path()));
    // Bitmaps that are no longer listed are left alone but reported, so they can be removed.
    for (const QString& name : outDir.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name)) {
        bool numeric = false;
        const int id = QStringView(name).chopped(4).toInt(&numeric);
        if (numeric && !images.count(id))
            std::fprintf(stderr, "drawskin: %s is not in the manifest\n", qPrintable(outDir.filePath(name)));
    }

    if (!sheetPath.isEmpty() && !contactSheet(entries, images).save(sheetPath, "png")) {
        std::fprintf(stderr, "drawskin: cannot write %s\n", qPrintable(sheetPath));
        return 1;
    }
    if (!previewPath.isEmpty()) {
        for (int id : {310, 311, 312, 314, 319, 327, 329, 330, 331, 332, 333, 336, 337, 339, 341, 342, 343, 344,
                       351, 352, 353, 356, 365, 366, 371, 372, 374, 387, 399, 402}) {
            if (!images.count(id)) {
                std::fprintf(stderr, "drawskin: the preview needs bitmap %d\n", id);
                return 1;
            }
        }
        if (!preview(images, previewSize).save(previewPath, "png")) {
            std::fprintf(stderr, "drawskin: cannot write %s\n", qPrintable(previewPath));
            return 1;
        }
    }
    return 0;
}
