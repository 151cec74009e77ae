// Where the parts of a painted header cell go: the fill, the caption, the column image and
// the sort arrow. Plain geometry without Qt, so the layout rules are tested on their own;
// the list's header paints what this computes.
#pragma once

namespace qp::widgets {

// A rectangle of pixels [Left, Right) x [Top, Bottom).
struct TPixelRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TPixelRect&) const = default;
};

enum class THeaderAlign { haLeft, haCenter, haRight };

// What the layout of one cell depends on.
struct THeaderCell {
  TPixelRect Cell;
  bool Pressed = false;
  THeaderAlign Align = THeaderAlign::haLeft;
  int CaptionWidth = 0;  // the caption measured on one line
  int ImageWidth = 0;    // 0 = no column image
  int ImageHeight = 0;
  bool ImageLeftOfText = false;
  int ArrowSize = 0;  // 0 = no sort arrow in this cell
};

struct THeaderCellLayout {
  TPixelRect Fill;      // filled with the face colour
  TPixelRect Caption;   // drawn on one line, vertically centred, clipped to the cell
  bool Elided = false;  // the caption does not fit and ends with an ellipsis
  bool ShowImage = false;
  TPixelRect Image;
  bool ShowArrow = false;
  TPixelRect Arrow;
};

// The side of the sort arrows for a font whose "Wy" is textHeight pixels high: 6 less,
// raised to an even number; 0 (no arrow) when that is not positive.
int SortArrowSize(int textHeight);

// Lays out a cell. A pressed cell is filled whole and its content moved 1 pixel down and
// right; otherwise the fill leaves a 2-pixel border. The text area is the cell less 2 pixels
// on each side and 4 more on the side of a left or right alignment; a column image takes
// its width plus 4 from the text area, and a sort arrow its size plus 8 from the right
// (never beyond the area's left edge). The caption is placed by the alignment, at most as
// wide as the area; the image sits 4 pixels before or after it; the arrow 8 pixels after the
// caption (and an image on its right), shown only when it ends inside the cell. Outside
// the sort cell an image is shown only when it fits inside the cell.
THeaderCellLayout LayoutHeaderCell(const THeaderCell& cell);

}  // namespace qp::widgets
