#include "ui/CAlphaBitmap.h"

#include <QBuffer>
#include <QPainter>

#include <gtest/gtest.h>

using namespace vidlume;

namespace {
QImage Filled(int w, int h, QRgb colour, QImage::Format format = QImage::Format_ARGB32)
{
    QImage img(w, h, format);
    img.fill(colour);
    return img;
}
} // namespace

TEST(AlphaBitmapTest, AlphaPixelsArePremultipliedWithTruncation)
{
    CAlphaBitmap bmp;
    QImage img = Filled(2, 1, qRgba(255, 100, 3, 128));
    img.setPixel(1, 0, qRgba(200, 201, 202, 0));
    bmp.Attach(img, true);
    ASSERT_TRUE(bmp.HasAlpha());
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    // 255 * 128 / 255 = 128, 100 * 128 / 255 = 50.19 -> 50, 3 * 128 / 255 = 1.5 -> 1
    EXPECT_EQ(bmp.GetImage().pixel(0, 0), qRgba(128, 50, 1, 128));
    EXPECT_EQ(bmp.GetImage().pixel(1, 0), qRgba(0, 0, 0, 0));

    CAlphaBitmap opaque;
    opaque.Attach(Filled(2, 2, qRgba(10, 20, 30, 128)), false);
    EXPECT_FALSE(opaque.HasAlpha());
    EXPECT_EQ(opaque.GetBitsPerPixel(), 24);
}

TEST(AlphaBitmapTest, OpaqueBitmapsCopyAtTheirSizeAndStretchOtherwise)
{
    QImage src(2, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(255, 0, 0));
    src.setPixel(1, 0, qRgb(0, 0, 255));
    CAlphaBitmap bmp;
    bmp.Attach(src, false);

    QImage canvas = Filled(8, 4, qRgb(0, 255, 0), QImage::Format_RGB32);
    {
        QPainter p(&canvas);
        bmp.Draw(p, 3, 1, 17); // the constant alpha only matters for alpha bitmaps
        bmp.Draw(p, 255, QRect(0, 2, 8, 2), QRect(0, 0, 2, 1));
        EXPECT_FALSE(p.testRenderHint(QPainter::SmoothPixmapTransform)) << "the painter's mode is restored";
    }
    EXPECT_EQ(canvas.pixel(3, 1), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(4, 1), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(2, 1), qRgb(0, 255, 0));
    EXPECT_EQ(canvas.pixel(0, 2), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(7, 3), qRgb(0, 0, 255));
    const QRgb middle = canvas.pixel(4, 2); // smoothing blends red into blue across the middle
    EXPECT_GT(qRed(middle), 0);
    EXPECT_GT(qBlue(middle), 0);
}

TEST(AlphaBitmapTest, AlphaBitmapsBlendOverTheDestination)
{
    CAlphaBitmap bmp;
    bmp.Attach(Filled(1, 1, qRgba(255, 255, 255, 128)), true);
    QImage canvas = Filled(2, 1, qRgb(0, 0, 0), QImage::Format_RGB32);
    {
        QPainter p(&canvas);
        bmp.Draw(p, 0, 0, 255);
        bmp.Draw(p, 1, 0, 128);
    }
    EXPECT_NEAR(qRed(canvas.pixel(0, 0)), 128, 2);
    EXPECT_NEAR(qRed(canvas.pixel(1, 0)), 64, 2);
}

TEST(AlphaBitmapTest, NineSliceGeometry)
{
    using Pieces = std::vector<std::pair<QRect, QRect>>;
    auto pieces = [](int k, QSize bitmap, QRect dst) {
        Pieces out;
        for (const auto& p : CAlphaBitmap::NineSlicePieces(k, bitmap, dst))
            out.emplace_back(p.source, p.destination);
        return out;
    };
    // Column by column, top to bottom; corners keep their size.
    EXPECT_EQ(pieces(4, { 12, 10 }, { 100, 50, 20, 30 }), (Pieces {
        { { 0, 0, 4, 4 }, { 100, 50, 4, 4 } },
        { { 0, 4, 4, 2 }, { 100, 54, 4, 22 } },
        { { 0, 6, 4, 4 }, { 100, 76, 4, 4 } },
        { { 4, 0, 4, 4 }, { 104, 50, 12, 4 } },
        { { 4, 4, 4, 2 }, { 104, 54, 12, 22 } },
        { { 4, 6, 4, 4 }, { 104, 76, 12, 4 } },
        { { 8, 0, 4, 4 }, { 116, 50, 4, 4 } },
        { { 8, 4, 4, 2 }, { 116, 54, 4, 22 } },
        { { 8, 6, 4, 4 }, { 116, 76, 4, 4 } },
    }));
    // Narrower than 2k: no middle column; the halves show the bitmap's left and right edges.
    EXPECT_EQ(pieces(8, { 32, 32 }, { 0, 0, 11, 40 }), (Pieces {
        { { 0, 0, 5, 8 }, { 0, 0, 5, 8 } },
        { { 0, 8, 5, 16 }, { 0, 8, 5, 24 } },
        { { 0, 24, 5, 8 }, { 0, 32, 5, 8 } },
        { { 26, 0, 6, 8 }, { 5, 0, 6, 8 } },
        { { 26, 8, 6, 16 }, { 5, 8, 6, 24 } },
        { { 26, 24, 6, 8 }, { 5, 32, 6, 8 } },
    }));
    // Lower than 2k: no middle row.
    EXPECT_EQ(pieces(8, { 32, 32 }, { 0, 0, 16, 9 }), (Pieces {
        { { 0, 0, 8, 4 }, { 0, 0, 8, 4 } },
        { { 0, 27, 8, 5 }, { 0, 4, 8, 5 } },
        { { 24, 0, 8, 4 }, { 8, 0, 8, 4 } },
        { { 24, 27, 8, 5 }, { 8, 4, 8, 5 } },
    }));
    EXPECT_TRUE(pieces(8, { 32, 32 }, { 0, 0, 0, 0 }).empty());
}

TEST(AlphaBitmapTest, NineSliceDrawsCornersUnscaled)
{
    // A 6x6 frame with a red top-left corner pixel and a white centre drawn at 40x20.
    QImage src = Filled(6, 6, qRgb(255, 255, 255), QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(255, 0, 0));
    src.setPixel(5, 5, qRgb(0, 0, 255));
    CAlphaBitmap bmp;
    bmp.Attach(src, false);
    QImage canvas = Filled(40, 20, qRgb(0, 0, 0), QImage::Format_RGB32);
    {
        QPainter p(&canvas);
        bmp.DrawNineSlice(2, p, canvas.rect());
    }
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(39, 19), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(20, 10), qRgb(255, 255, 255));
}

TEST(AlphaBitmapTest, StreamFormRoundTripsAndRejectsGarbage)
{
    for (bool alpha : { true, false }) {
        SCOPED_TRACE(alpha);
        QImage img(5, 3, QImage::Format_ARGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                img.setPixel(x, y, qRgba(x * 50, y * 90, 7 + x * y, alpha ? x * 60 + y : 255));
        CAlphaBitmap original;
        original.Attach(img, alpha);

        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        ASSERT_TRUE(original.Store(buffer));
        EXPECT_EQ(buffer.data().back(), alpha ? 1 : 0);
        EXPECT_EQ(buffer.data().left(2), "BM");
        buffer.seek(0);
        CAlphaBitmap back;
        ASSERT_TRUE(back.Load(buffer));
        EXPECT_EQ(back.GetSize(), QSize(5, 3));
        EXPECT_EQ(back.HasAlpha(), alpha);
        EXPECT_EQ(back.GetImage(), original.GetImage());
    }

    for (const QByteArray& junk : { QByteArray(), QByteArray("\x01", 1), QByteArray("BM\x10\x00garbage\x01", 12) }) {
        QBuffer buffer;
        buffer.setData(junk);
        buffer.open(QIODevice::ReadOnly);
        CAlphaBitmap bmp;
        EXPECT_FALSE(bmp.Load(buffer));
        EXPECT_TRUE(bmp.IsEmpty());
    }
    CAlphaBitmap empty;
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    EXPECT_FALSE(empty.Store(sink));
}

TEST(AlphaBitmapTest, UnknownResourceLoadsAsFalse)
{
    CAlphaBitmap bmp;
    EXPECT_FALSE(bmp.LoadFromResource(1));
    EXPECT_TRUE(bmp.IsEmpty());
}
