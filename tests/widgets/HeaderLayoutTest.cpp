// Where a painted header cell puts its caption, image and sort arrow, without Qt.
#include <gtest/gtest.h>

#include "widgets/HeaderLayout.h"

namespace qp::widgets {
namespace {

TEST(SortArrowSize, IsTheTextHeightLessSixRaisedToEven) {
  const std::pair<int, int> rows[] = {{16, 10}, {17, 12}, {7, 2}, {6, 0}, {3, 0}};
  for (const auto& [height, size] : rows) {
    SCOPED_TRACE(height);
    EXPECT_EQ(SortArrowSize(height), size);
  }
}

TEST(HeaderLayout, PlacesCaptionImageAndArrow) {
  constexpr auto left = THeaderAlign::haLeft;
  constexpr auto right = THeaderAlign::haRight;
  constexpr auto centre = THeaderAlign::haCenter;
  struct Row {
    const char* name;
    THeaderCell cell;
    TPixelRect caption;
    bool elided, showArrow;
    int arrowLeft;
    bool showImage;
    int imageLeft;
  };
  const TPixelRect wide{100, 0, 200, 20};
  const Row rows[] = {
      {"right-aligned: caption 14 + arrow before the edge, arrow 6 before it",
       {wide, false, right, 25, 0, 0, false, 10},
       {151, 2, 176, 18},
       false,
       true,
       184,
       false,
       0},
      {"right-aligned without arrow",
       {wide, false, right, 25, 0, 0, false, 0},
       {169, 2, 194, 18},
       false,
       false,
       0,
       false,
       0},
      {"left-aligned: arrow 8 after the caption",
       {wide, false, left, 25, 0, 0, false, 10},
       {106, 2, 131, 18},
       false,
       true,
       139,
       false,
       0},
      {"centred",
       {wide, false, centre, 20, 0, 0, false, 0},
       {140, 2, 160, 18},
       false,
       false,
       0,
       false,
       0},
      {"pressed: content one pixel down and right",
       {wide, true, left, 25, 0, 0, false, 0},
       {107, 3, 132, 19},
       false,
       false,
       0,
       false,
       0},
      {"a caption wider than its room is cut",
       {{100, 0, 140, 20}, false, left, 60, 0, 0, false, 0},
       {106, 2, 138, 18},
       true,
       false,
       0,
       false,
       0},
      {"narrow right-aligned column: no room for the arrow",
       {{100, 0, 118, 20}, false, right, 25, 0, 0, false, 10},
       {102, 2, 102, 18},
       true,
       false,
       110,
       false,
       0},
      {"image right of text, before the arrow",
       {wide, false, right, 25, 16, 16, false, 10},
       {131, 2, 156, 18},
       false,
       true,
       184,
       true,
       160},
      {"image left of text",
       {wide, false, left, 25, 16, 16, true, 0},
       {126, 2, 151, 18},
       false,
       false,
       0,
       true,
       106},
      {"an image that does not fit outside the sort cell is left out",
       {{100, 0, 120, 20}, false, left, 40, 16, 16, false, 0},
       {106, 2, 106, 18},
       true,
       false,
       0,
       false,
       110},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const THeaderCellLayout layout = LayoutHeaderCell(row.cell);
    EXPECT_EQ(layout.Caption, row.caption);
    EXPECT_EQ(layout.Elided, row.elided);
    EXPECT_EQ(layout.ShowArrow, row.showArrow);
    if (row.cell.ArrowSize > 0) {
      EXPECT_EQ(layout.Arrow.Left, row.arrowLeft);
    }
    EXPECT_EQ(layout.ShowImage, row.showImage);
    if (row.cell.ImageWidth > 0) {
      EXPECT_EQ(layout.Image.Left, row.imageLeft);
    }
  }
}

TEST(HeaderLayout, FillsInsideABorderUnlessPressed) {
  THeaderCell cell;
  cell.Cell = {0, 0, 50, 20};
  EXPECT_EQ(LayoutHeaderCell(cell).Fill, (TPixelRect{2, 2, 48, 18}));
  cell.Pressed = true;
  EXPECT_EQ(LayoutHeaderCell(cell).Fill, (TPixelRect{0, 0, 50, 20}));
}

}  // namespace
}  // namespace qp::widgets
