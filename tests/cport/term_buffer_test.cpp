#include "RecordingView.h"

#include <gtest/gtest.h>

using namespace cport;

namespace {

struct Grid : ::testing::Test {
    Grid() { term.SetView(&view); }
    TComTerminalModel term;
    RecordingView view;
    TComTermBuffer &grid = term.ScreenBuffer();

    void Put(std::int32_t column, std::int32_t row, char ch) {
        TTermCell cell;
        cell.Ch = ch;
        grid.SetCell(column, row, cell);
    }
    void Label() {
        for (std::int32_t r = 1; r <= grid.Rows(); ++r)
            Put(1, r, static_cast<char>('A' + r - 1));
    }
};

} // namespace

TEST_F(Grid, IsReadyAtConstructionWithTheTerminalSize) {
    EXPECT_EQ(grid.Columns(), 80);
    EXPECT_EQ(grid.Rows(), 24);
    EXPECT_EQ(grid.GetCell(80, 24), TTermCell{});
}

TEST_F(Grid, DefaultTabStopsEveryEightColumnsUpTo73) {
    std::vector<std::int32_t> stops;
    for (std::int32_t c = 1; c <= 80; ++c)
        if (grid.GetTabStop(c))
            stops.push_back(c);
    EXPECT_EQ(stops, (std::vector<std::int32_t>{1, 9, 17, 25, 33, 41, 49, 57, 65, 73}));
    term.SetColumns(132);
    EXPECT_EQ(grid.NextTabStop(74), 0);
    term.SetColumns(10);
    EXPECT_EQ(grid.NextTabStop(2), 9);
    term.SetColumns(8);
    EXPECT_EQ(grid.NextTabStop(2), 0);
}

TEST_F(Grid, TabStopsCanBeSetClearedAndSearched) {
    EXPECT_EQ(grid.NextTabStop(10), 17);
    EXPECT_EQ(grid.NextTabStop(17), 17);
    grid.SetTabStop(12, true);
    EXPECT_EQ(grid.NextTabStop(10), 12);
    grid.SetTabStop(12, false);
    grid.SetTabStop(17, false);
    EXPECT_EQ(grid.NextTabStop(10), 25);
    grid.ClearTabStops();
    EXPECT_EQ(grid.NextTabStop(1), 0);
    // Positions outside the grid are ignored rather than written.
    grid.SetTabStop(0, true);
    grid.SetTabStop(81, true);
    EXPECT_EQ(grid.NextTabStop(1), 0);
    EXPECT_EQ(grid.NextTabStop(81), 0);
}

TEST_F(Grid, ScrollUpLosesTheTopRowAndEmptiesTheBottom) {
    Label();
    Put(80, 24, 'z');
    grid.ScrollUp();
    EXPECT_EQ(grid.GetCell(1, 1).Ch, 'B');
    EXPECT_EQ(grid.GetCell(1, 23).Ch, 'X');
    EXPECT_EQ(grid.GetCell(80, 23).Ch, 'z');
    for (std::int32_t c = 1; c <= 80; ++c)
        EXPECT_EQ(grid.GetCell(c, 24), TTermCell{});
    EXPECT_EQ(view.scrolls, (std::vector<TScrollDirection>{sdUp}));
}

TEST_F(Grid, ScrollDownLosesTheBottomRowAndEmptiesTheTop) {
    Label();
    grid.ScrollDown();
    EXPECT_EQ(grid.GetCell(1, 1), TTermCell{});
    EXPECT_EQ(grid.GetCell(1, 2).Ch, 'A');
    EXPECT_EQ(grid.GetCell(1, 24).Ch, 'W');
    EXPECT_EQ(view.scrolls, (std::vector<TScrollDirection>{sdDown}));
}

TEST_F(Grid, EraseLineFromEmptiesTheRestOfOneRow) {
    for (std::int32_t c = 1; c <= 80; ++c) {
        Put(c, 5, 'x');
        Put(c, 6, 'y');
    }
    grid.EraseLineFrom(40, 5);
    EXPECT_EQ(RowText(term, 5), std::string(39, 'x'));
    EXPECT_EQ(RowText(term, 6), std::string(80, 'y'));
    EXPECT_EQ(view.invalidated, (std::vector<RecordingView::Rect>{{40, 5, 80, 5}}));
}

TEST_F(Grid, EraseScreenFromEmptiesToTheEndAndRepaintsAllOfIt) {
    for (std::int32_t r = 1; r <= 24; ++r)
        for (std::int32_t c = 1; c <= 80; ++c)
            Put(c, r, 'x');
    grid.EraseScreenFrom(40, 10);
    EXPECT_EQ(RowText(term, 9), std::string(80, 'x'));
    EXPECT_EQ(RowText(term, 10), std::string(39, 'x'));
    for (std::int32_t r = 11; r <= 24; ++r)
        EXPECT_EQ(RowText(term, r), "");
    // Every erased cell lies in one of the repainted rectangles.
    for (std::int32_t r = 10; r <= 24; ++r)
        for (std::int32_t c = (r == 10 ? 40 : 1); c <= 80; ++c) {
            bool covered = false;
            for (const auto &rect : view.invalidated)
                covered |= c >= rect.left && c <= rect.right && r >= rect.top && r <= rect.bottom;
            EXPECT_TRUE(covered) << c << "," << r;
        }
    view.invalidated.clear();
    grid.EraseScreenFrom(1, 24);
    EXPECT_EQ(view.invalidated, (std::vector<RecordingView::Rect>{{1, 24, 80, 24}}));
}

TEST_F(Grid, PositionsOutsideTheGridAreIgnored) {
    Put(0, 1, 'x');
    Put(81, 1, 'x');
    Put(1, 25, 'x');
    Put(1, -1, 'x');
    for (std::int32_t r = 1; r <= 24; ++r)
        EXPECT_EQ(RowText(term, r), "");
    EXPECT_EQ(grid.GetCell(0, 0), TTermCell{});
    grid.EraseLineFrom(81, 1);
    grid.EraseScreenFrom(1, 25);
    EXPECT_TRUE(view.invalidated.empty());
}

TEST_F(Grid, InitializeEmptiesTheGridAndRestoresTheDefaultStops) {
    Put(3, 3, 'q');
    grid.SetTabStop(3, true);
    grid.Initialize();
    EXPECT_EQ(grid.GetCell(3, 3), TTermCell{});
    EXPECT_FALSE(grid.GetTabStop(3));
    EXPECT_TRUE(grid.GetTabStop(9));
}
