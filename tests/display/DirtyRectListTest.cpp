// DirtyRectListTest.cpp — merging, bounding and handing out dirty rectangles.
#include <gtest/gtest.h>

#include <vector>

#include "display/DirtyRectList.h"
#include "platform/bitmaps/FatalError.h"

namespace {

// Takes every rectangle out of the list.
std::vector<Rect> TakeAll(CDirtyRectList& list)
{
    std::vector<Rect> rects;
    while (list.Count() > 0) {
        Rect rect;
        rects.push_back(list.Next(rect));
    }
    return rects;
}

// A 10 × 10 rectangle at column `i` of a grid with gaps, overlapping no other.
Rect GridRect(int32_t i)
{
    return Rect{20 * i, 0, 20 * i + 10, 10};
}

} // namespace

TEST(DirtyRectList, MergesIntoTheFirstOverlapOnly)
{
    const std::pair<std::vector<Rect>, std::vector<Rect>> cases[] = {
        {{{10, 10, 50, 50}, {40, 40, 80, 80}}, {{10, 10, 80, 80}}},
        {{{10, 10, 50, 50}, {50, 10, 90, 50}}, {{10, 10, 50, 50}, {50, 10, 90, 50}}},   // touching
        {{{0, 0, 10, 10}, {20, 0, 30, 10}, {5, 0, 25, 5}}, {{0, 0, 25, 10}, {20, 0, 30, 10}}},
        {{{0, 0, 10, 10}, {5, 5, 5, 8}}, {{0, 0, 10, 10}, {5, 5, 5, 8}}},   // empty: an entry while there is room
    };
    for (const auto& [added, expected] : cases) {
        CDirtyRectList list;
        for (const Rect& rect : added)
            list.Add(rect);
        EXPECT_EQ(TakeAll(list), expected);
    }
}

TEST(DirtyRectList, WhenFullMergesIntoTheFirstEntry)
{
    CDirtyRectList list;
    for (int32_t i = 0; i < CDirtyRectList::MAX_DIRTY_RECTS; ++i)
        list.Add(GridRect(i));
    list.Add(Rect{0, 100, 5, 110});   // overlaps none
    list.Add(Rect{7, 7, 7, 30});      // empty
    EXPECT_EQ(list.Count(), 50);

    const std::vector<Rect> rects = TakeAll(list);
    ASSERT_EQ(rects.size(), 50u);
    EXPECT_EQ(rects[0], (Rect{0, 0, 10, 110}));
    EXPECT_EQ(rects[1], GridRect(1));
    EXPECT_EQ(rects[49], GridRect(49));
}

TEST(DirtyRectList, HandsOutInOrderAndEmptiesAfterTheLast)
{
    CDirtyRectList list;
    Rect rect;
    EXPECT_THROW(list.Next(rect), CFatalError);
    EXPECT_EQ(list.Count(), 0);
    list.Add(GridRect(0));
    list.Add(GridRect(1));
    EXPECT_EQ(list.Next(rect), GridRect(0));
    EXPECT_EQ(list.Count(), 1);
    // An entry already handed out still merges what overlaps it.
    list.Add(Rect{0, 0, 5, 20});
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(&list.Next(rect), &rect);
    EXPECT_EQ(rect, GridRect(1));
    EXPECT_EQ(list.Count(), 0);

    // Empty again: the next rectangle goes into entry 0.
    list.Add(GridRect(5));
    EXPECT_EQ(TakeAll(list), (std::vector<Rect>{GridRect(5)}));
}
