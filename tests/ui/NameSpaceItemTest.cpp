#include "ui/CNameSpaceItem.h"

#include <gtest/gtest.h>

using namespace vidlume;

TEST(NameSpaceItemTest, ListOperations)
{
    const ItemIdList stick { CNameSpaceItem::kComputerItem, "/media/stick" };
    CNameSpaceItem item;
    EXPECT_EQ(item.GetDepth(), 0);
    EXPECT_EQ(item.GetPath(), QString()) << "the desktop is virtual";

    item.Set(&stick);
    item.Append({ "clips", "2024" });
    EXPECT_EQ(item.GetDepth(), 4);
    EXPECT_EQ(item.GetPath(), "/media/stick/clips/2024");
    item.RemoveLast();
    EXPECT_EQ(item.GetPath(), "/media/stick/clips");
    item.RemoveLast();
    EXPECT_TRUE(item.IsEqual(&stick));
    item.RemoveLast();
    EXPECT_TRUE(item.IsComputer());
    EXPECT_EQ(item.GetPath(), QString());
    item.RemoveLast();
    EXPECT_EQ(item.GetDepth(), 0);
    item.RemoveLast();
    EXPECT_EQ(item.GetDepth(), 0) << "the desktop's parent is the desktop";

    const ItemIdList desktop;
    EXPECT_TRUE(item.IsEqual(&desktop));
    EXPECT_FALSE(item.IsEqual(nullptr));
    item.Set(nullptr);
    EXPECT_EQ(item.GetDepth(), 0);

    // Items compare byte for byte.
    CNameSpaceItem videos(ItemIdList { "/home/ann/Videos", "a" });
    EXPECT_EQ(videos.GetPath(), "/home/ann/Videos/a");
    EXPECT_FALSE(videos.IsEqual(CNameSpaceItem(ItemIdList { "/home/ann/Videos", "A" })));
    EXPECT_TRUE(videos == CNameSpaceItem(ItemIdList { "/home/ann/Videos", "a" }));
}

TEST(NameSpaceItemTest, MalformedListsHaveNoPath)
{
    const ItemIdList cases[] = {
        { "relative", "x" },
        { "/home/ann", "../etc" },
        { "/home/ann", "a/b" },
        { "/home/ann", "" },
        { CNameSpaceItem::kComputerItem, "media" },
    };
    for (const ItemIdList& list : cases)
        EXPECT_EQ(CNameSpaceItem(list).GetPath(), QString()) << list.join('|').constData();
}
