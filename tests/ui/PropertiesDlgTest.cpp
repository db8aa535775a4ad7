#include "ui/CPropertiesDlg.h"

#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace vidlume;

TEST(PropertiesDlgTest, RowsComeInHashOrder)
{
    // Added in the order the media list adds them for a file with video and sound.
    const char* added[] = { "Last modified", "Contains video", "Video width", "Video height", "Length in seconds", "Frame rate",
        "Contains audio", "Audio sample rate", "Number of audio channels", "Audio resolution in bits" };
    CPropertiesDlg dialog;
    for (const char* label : added)
        dialog.AddRow(label, QString("v:%1").arg(label));
    dialog.AddRow("Video width", "640"); // a label given twice keeps one row, with the new value

    const QStringList expected { "Contains video", "Video width", "Video height", "Number of audio channels", "Audio sample rate",
        "Length in seconds", "Frame rate", "Audio resolution in bits", "Contains audio", "Last modified" };
    dialog.show();
    auto* list = dialog.findChild<QTreeWidget*>("1087");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(list->topLevelItem(i)->text(0), expected[i]) << i;
    EXPECT_EQ(list->topLevelItem(1)->text(1), "640");
    EXPECT_EQ(list->headerItem()->text(0), "Name");
    EXPECT_EQ(list->headerItem()->text(1), "Value");
    EXPECT_EQ(CPropertiesDlg::HashLabel("ab"), uint32_t('a') * 33 + 'b');
}
