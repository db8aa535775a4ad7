#include "res/CStringTable.h"
#include "ui/CAlphaBitmap.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace vidlume;

TEST(ResourcesTest, NumberedTextsAreVerbatim)
{
    struct Case {
        unsigned id;
        const char* text;
    };
    const Case strings[] = {
        { 219, "An error occured during the transfer. The source item was not transferred to the target." },
        { 100, "OLE initialization failed.  Make sure that the OLE libraries are the correct version." },
        { 218, "%d transfer(s) left\n%s" },
        { 237, "No audio" },
        { 240, "No subtitles" },
        { 280, "Unable to send files to %s." },
        { 197, "My Computer" },
        { 57344, "Norvex Vidlume" },
    };
    for (const Case& c : strings)
        EXPECT_EQ(CStringTable::LoadString(c.id), QString::fromUtf8(c.text)) << c.id;
    EXPECT_TRUE(CStringTable::HasString(300));
    EXPECT_FALSE(CStringTable::HasString(1));
    EXPECT_EQ(CStringTable::LoadString(1), QString());

    EXPECT_EQ(CStringTable::DialogText(396, 0), QStringLiteral("§APPNAME§"));
    EXPECT_EQ(CStringTable::DialogText(370, 0), "File Properties");
    EXPECT_EQ(CStringTable::MenuText(128, 57666), "&Help Contents...\tF1");
    EXPECT_EQ(CStringTable::MenuText(128, 57664), QStringLiteral("&About §APPNAME§..."));
}

TEST(ResourcesTest, AppNamePlaceholderIsReplaced)
{
    EXPECT_EQ(CStringTable::ReplaceAppName(QStringLiteral("Close §APPNAME§")), "Close Norvex Vidlume");
    EXPECT_EQ(CStringTable::ReplaceAppName(QStringLiteral("§APPNAME§ and §APPNAME§")), "Norvex Vidlume and Norvex Vidlume");
    EXPECT_EQ(CStringTable::ReplaceAppName("Close"), "Close");
    EXPECT_EQ(CStringTable::Text(57664), QString()) << "57664 is a menu item, not a string";
}

// Every bitmap the skin tool draws is compiled in at its size and depth.
TEST(ResourcesTest, BitmapsMatchTheirManifest)
{
    QFile file(QStringLiteral(VIDLUME_SOURCE_DIR "/tools/skin/bitmaps.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray manifest = QJsonDocument::fromJson(file.readAll()).array();
    ASSERT_FALSE(manifest.isEmpty());
    for (const QJsonValue& v : manifest) {
        const QJsonObject entry = v.toObject();
        const unsigned id = unsigned(entry["id"].toInt());
        SCOPED_TRACE(id);
        CAlphaBitmap bmp;
        ASSERT_TRUE(bmp.LoadFromResource(id));
        EXPECT_EQ(bmp.GetWidth(), entry["width"].toInt());
        EXPECT_EQ(bmp.GetHeight(), entry["height"].toInt());
        EXPECT_EQ(bmp.GetBitsPerPixel(), entry["bpp"].toInt());
    }
}
