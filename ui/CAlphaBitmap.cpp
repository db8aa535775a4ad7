#include "CAlphaBitmap.h"

#include <QBuffer>
#include <QIODevice>
#include <QPainter>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace vidlume {

namespace {

    // Premultiplies with truncation, c * a / 255 rounded down, so a resource pixel (255, a=128)
    // becomes 128 exactly.
    QImage Premultiply(const QImage& image)
    {
        QImage straight = image.convertToFormat(QImage::Format_ARGB32);
        QImage out(straight.size(), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < straight.height(); ++y) {
            const QRgb* in = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
            QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < straight.width(); ++x) {
                const unsigned a = qAlpha(in[x]);
                dst[x] = qRgba(qRed(in[x]) * a / 255, qGreen(in[x]) * a / 255, qBlue(in[x]) * a / 255, int(a));
            }
        }
        return out;
    }

    // The exact inverse of Premultiply for every premultiplied value: rounding up guarantees
    // that premultiplying again gives the same bytes.
    unsigned Unpremultiply(unsigned c, unsigned a) { return a == 0 ? 0 : std::min(255u, (c * 255 + a - 1) / a); }

    void Put16(QByteArray& b, quint16 v)
    {
        char bytes[2];
        qToLittleEndian(v, bytes);
        b.append(bytes, 2);
    }
    void Put32(QByteArray& b, quint32 v)
    {
        char bytes[4];
        qToLittleEndian(v, bytes);
        b.append(bytes, 4);
    }

    // BMP with a version 4 header: 32-bit pixels with an alpha mask, or 24-bit pixels; rows
    // bottom-up, padded to four bytes.
    QByteArray EncodeBmp(const QImage& image, bool alpha)
    {
        const int w = image.width(), h = image.height();
        const int bpp = alpha ? 32 : 24;
        const int stride = (w * bpp / 8 + 3) & ~3;
        const quint32 headerSize = 108, offset = 14 + headerSize;
        QByteArray b;
        b.reserve(int(offset) + stride * h);
        b.append("BM", 2);
        Put32(b, offset + quint32(stride) * quint32(h));
        Put32(b, 0);
        Put32(b, offset);
        Put32(b, headerSize);
        Put32(b, quint32(w));
        Put32(b, quint32(h));
        Put16(b, 1);
        Put16(b, quint16(bpp));
        Put32(b, alpha ? 3 : 0); // BI_BITFIELDS : BI_RGB
        Put32(b, quint32(stride) * quint32(h));
        Put32(b, 2835); // 72 dpi
        Put32(b, 2835);
        Put32(b, 0);
        Put32(b, 0);
        Put32(b, alpha ? 0x00FF0000 : 0);
        Put32(b, alpha ? 0x0000FF00 : 0);
        Put32(b, alpha ? 0x000000FF : 0);
        Put32(b, alpha ? 0xFF000000 : 0);
        Put32(b, 0x73524742); // 'sRGB'
        b.append(36 + 12, '\0'); // end points and gamma, unused for sRGB
        QByteArray row(stride, '\0');
        for (int y = h - 1; y >= 0; --y) {
            const QRgb* px = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            char* out = row.data();
            for (int x = 0; x < w; ++x) {
                const unsigned a = qAlpha(px[x]);
                if (alpha) {
                    *out++ = char(Unpremultiply(qBlue(px[x]), a));
                    *out++ = char(Unpremultiply(qGreen(px[x]), a));
                    *out++ = char(Unpremultiply(qRed(px[x]), a));
                    *out++ = char(a);
                } else {
                    *out++ = char(qBlue(px[x]));
                    *out++ = char(qGreen(px[x]));
                    *out++ = char(qRed(px[x]));
                }
            }
            b.append(row);
        }
        return b;
    }

    QRect Span(int x0, int x1, int y0, int y1) { return QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)); }

} // namespace

bool CAlphaBitmap::LoadFromResource(unsigned id)
{
    Clear();
    QImage image(QStringLiteral(":/bitmaps/%1.png").arg(id));
    if (image.isNull())
        return false;
    Attach(image, image.hasAlphaChannel());
    return true;
}

void CAlphaBitmap::Attach(const QImage& image, bool alpha)
{
    m_alpha = alpha && !image.isNull();
    if (image.isNull())
        m_image = QImage();
    else if (m_alpha)
        m_image = image.format() == QImage::Format_ARGB32_Premultiplied ? image : Premultiply(image);
    else
        m_image = image.convertToFormat(QImage::Format_RGB32);
}

void CAlphaBitmap::Clear()
{
    m_image = QImage();
    m_alpha = false;
}

void CAlphaBitmap::Draw(QPainter& dc, int alpha, const QRect& destination, const QRect& source) const
{
    if (m_image.isNull() || destination.isEmpty() || source.isEmpty())
        return;
    const bool smooth = dc.testRenderHint(QPainter::SmoothPixmapTransform);
    if (m_alpha) {
        const qreal opacity = dc.opacity();
        dc.setOpacity(opacity * std::clamp(alpha, 0, 255) / 255.0);
        dc.setRenderHint(QPainter::SmoothPixmapTransform, true);
        dc.drawImage(destination, m_image, source);
        dc.setOpacity(opacity);
    } else if (destination.size() == source.size()) {
        dc.drawImage(destination.topLeft(), m_image, source);
    } else {
        dc.setRenderHint(QPainter::SmoothPixmapTransform, true);
        dc.drawImage(destination, m_image, source);
    }
    dc.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

void CAlphaBitmap::Draw(QPainter& dc, int x, int y, int alpha) const
{
    Draw(dc, alpha, QRect(QPoint(x, y), m_image.size()), m_image.rect());
}

std::vector<CAlphaBitmap::Piece> CAlphaBitmap::NineSlicePieces(int k, const QSize& bitmap, const QRect& destination)
{
    struct Band {
        int s0, s1, d0, d1;
    };
    // The three bands along one axis of length n (bitmap) and N (destination).
    auto bands = [k](int n, int N) {
        std::vector<Band> out;
        if (N < 2 * k) {
            const int half = N / 2, rest = N - half;
            out.push_back({ 0, std::min(half, n), 0, half });
            out.push_back({ std::max(0, n - rest), n, half, N });
        } else {
            out.push_back({ 0, std::min(k, n), 0, k });
            out.push_back({ std::min(k, n), std::max(k, n - k), k, N - k });
            out.push_back({ std::max(0, n - k), n, N - k, N });
        }
        return out;
    };
    std::vector<Piece> pieces;
    const auto columns = bands(bitmap.width(), destination.width());
    const auto rows = bands(bitmap.height(), destination.height());
    for (const Band& c : columns) {
        for (const Band& r : rows) {
            if (c.s1 <= c.s0 || r.s1 <= r.s0 || c.d1 <= c.d0 || r.d1 <= r.d0)
                continue;
            pieces.push_back({ Span(c.s0, c.s1, r.s0, r.s1),
                Span(c.d0, c.d1, r.d0, r.d1).translated(destination.topLeft()) });
        }
    }
    return pieces;
}

void CAlphaBitmap::DrawNineSlice(int k, QPainter& dc, const QRect& destination) const
{
    if (m_image.isNull())
        return;
    for (const Piece& p : NineSlicePieces(k, m_image.size(), destination))
        Draw(dc, 255, p.destination, p.source);
}

bool CAlphaBitmap::Store(QIODevice& stream) const
{
    if (m_image.isNull())
        return false;
    QByteArray data = EncodeBmp(m_image, m_alpha);
    data.append(char(m_alpha ? 1 : 0));
    return stream.write(data) == data.size();
}

bool CAlphaBitmap::Load(QIODevice& stream)
{
    Clear();
    QByteArray data = stream.readAll();
    if (data.size() < 2)
        return false;
    const bool alpha = data.back() == 1;
    data.chop(1);
    QImage image;
    if (!image.loadFromData(data, "BMP"))
        return false;
    Attach(image, alpha);
    return true;
}

} // namespace vidlume
