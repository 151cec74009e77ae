#include "widgets/HeaderLayout.h"

#include <algorithm>

namespace qp::widgets {

namespace {

// Spacing of the painted header, in pixels.
constexpr int kBorder = 2;       // between the cell's edge and its text area
constexpr int kAlignIndent = 4;  // extra room on the side the caption is aligned to
constexpr int kImageGap = 4;     // between a column image and the caption
constexpr int kArrowGap = 8;     // between the caption and the sort arrow

int CentredTop(const TPixelRect& within, int height) {
  return within.Top + (within.Height() - height) / 2;
}

}  // namespace

int SortArrowSize(int textHeight) {
  int size = textHeight - 6;
  if (size % 2 != 0) ++size;
  return size > 0 ? size : 0;
}

THeaderCellLayout LayoutHeaderCell(const THeaderCell& cell) {
  THeaderCellLayout layout;
  TPixelRect content = cell.Cell;
  if (cell.Pressed) {
    layout.Fill = cell.Cell;
    content = {content.Left + 1, content.Top + 1, content.Right + 1, content.Bottom + 1};
  } else {
    layout.Fill = {cell.Cell.Left + kBorder, cell.Cell.Top + kBorder, cell.Cell.Right - kBorder,
                   cell.Cell.Bottom - kBorder};
  }
  TPixelRect area{content.Left + kBorder, content.Top + kBorder, content.Right - kBorder,
                  content.Bottom - kBorder};
  if (cell.Align == THeaderAlign::haLeft) area.Left += kAlignIndent;
  if (cell.Align == THeaderAlign::haRight) area.Right -= kAlignIndent;
  if (cell.ImageWidth > 0) {
    if (cell.ImageLeftOfText) {
      area.Left += cell.ImageWidth + kImageGap;
    } else {
      area.Right -= cell.ImageWidth + kImageGap;
    }
  }
  if (cell.ArrowSize > 0)
    area.Right = std::max(area.Left, area.Right - (cell.ArrowSize + kArrowGap));
  area.Right = std::max(area.Left, area.Right);

  const int width = std::min(cell.CaptionWidth, area.Width());
  layout.Elided = cell.CaptionWidth > area.Width();
  int left = area.Left;
  if (cell.Align == THeaderAlign::haRight) left = area.Right - width;
  if (cell.Align == THeaderAlign::haCenter) left = area.Left + (area.Width() - width) / 2;
  layout.Caption = {left, area.Top, left + width, area.Bottom};

  int end = layout.Caption.Right;
  if (cell.ImageWidth > 0) {
    const int imageLeft = cell.ImageLeftOfText ? layout.Caption.Left - kImageGap - cell.ImageWidth
                                               : layout.Caption.Right + kImageGap;
    const int top = CentredTop(content, cell.ImageHeight);
    layout.Image = {imageLeft, top, imageLeft + cell.ImageWidth, top + cell.ImageHeight};
    const bool fits = layout.Image.Left >= cell.Cell.Left && layout.Image.Right <= cell.Cell.Right;
    layout.ShowImage = cell.ArrowSize > 0 || fits;
    if (!cell.ImageLeftOfText) end = layout.Image.Right;
  }
  if (cell.ArrowSize > 0) {
    const int top = CentredTop(content, cell.ArrowSize);
    layout.Arrow = {end + kArrowGap, top, end + kArrowGap + cell.ArrowSize, top + cell.ArrowSize};
    layout.ShowArrow = layout.Arrow.Right <= cell.Cell.Right;
  }
  return layout;
}

}  // namespace qp::widgets
