#pragma once
// A bitmap of the program's skin: loaded from the bitmap resources (or handed over from
// elsewhere) and drawn with per-pixel alpha, stretched, or nine-sliced over a rectangle of any
// size. 32-bit bitmaps are kept with premultiplied alpha, 24-bit ones are drawn opaque.

#include <QImage>
#include <QRect>

#include <vector>

class QIODevice;
class QPainter;

namespace vidlume {

class CAlphaBitmap {
public:
    struct Piece {
        QRect source;
        QRect destination;
    };

    CAlphaBitmap() = default;

    // False (and the bitmap left empty) when the program has no bitmap with that id.
    bool LoadFromResource(unsigned id);
    // Takes a picture made elsewhere. With alpha, the picture's alpha channel is used and its
    // colours premultiplied; without, it is drawn opaque.
    void Attach(const QImage& image, bool alpha);
    void Clear();

    // Source over destination. With alpha, the constant alpha (0-255) scales the per-pixel
    // alpha; without, the pixels are copied (same size) or stretched smoothly.
    void Draw(QPainter& dc, int alpha, const QRect& destination, const QRect& source) const;
    void Draw(QPainter& dc, int x, int y, int alpha) const;
    // Corners of size k stay as they are, edges stretch along their length, the centre both ways.
    void DrawNineSlice(int k, QPainter& dc, const QRect& destination) const;
    // The pieces DrawNineSlice draws, in drawing order (left column top to bottom, then the
    // middle and the right column). Narrower than 2k: no middle column, the two halves of the
    // destination show the bitmap's left and right edges; likewise for the rows.
    static std::vector<Piece> NineSlicePieces(int k, const QSize& bitmap, const QRect& destination);

    // The stream form: a BMP image (32-bit with straight alpha when the bitmap has alpha,
    // else 24-bit) followed by one byte, 1 or 0, the alpha flag. Load reads the whole rest of
    // the stream; it fails, leaving the bitmap empty, on anything it cannot decode.
    bool Store(QIODevice& stream) const;
    bool Load(QIODevice& stream);

    bool IsEmpty() const { return m_image.isNull(); }
    bool HasAlpha() const { return m_alpha; }
    int GetWidth() const { return m_image.width(); }
    int GetHeight() const { return m_image.height(); }
    QSize GetSize() const { return m_image.size(); }
    int GetBitsPerPixel() const { return m_image.isNull() ? 0 : m_alpha ? 32 : 24; }
    // Format_ARGB32_Premultiplied with alpha, Format_RGB32 without.
    const QImage& GetImage() const { return m_image; }

private:
    QImage m_image;
    bool m_alpha = false;
};

} // namespace vidlume
