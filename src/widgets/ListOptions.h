// The settings a sortable list publishes that need no Qt: what a header click does, the
// view styles, column alignment and header images, and the extended styles with the rule
// that ties some of them together.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace qp::widgets {

// What a click on a column header does: nothing, sort by that column, or sort and reverse
// the direction on a second click.
enum class TAutoColumnSort { acsNoSort, acsSort, acsSortToggle };

// The view styles, numbered as the saved "ViewStyle" value.
enum class TViewStyle { vsIcon = 0, vsSmallIcon = 1, vsList = 2, vsReport = 3 };

enum class TColumnAlign { taLeftJustify, taRightJustify, taCenter };

enum class TColumnImageAlign { ciaLeftOfText, ciaRightOfText };

// The header image and resize permission of one column.
struct TExtListColumn {
  int ImageIndex = -1;  // into the small images; -1 = none
  TColumnImageAlign ImageAlignment = TColumnImageAlign::ciaRightOfText;
  bool AllowResize = true;
};

enum class TLVExtendedStyle {
  lvxGridLines,
  lvxSubItemImages,
  lvxCheckboxes,
  lvxTrackSelect,
  lvxHeaderDragDrop,
  lvxFullRowSelect,
  lvxOneClickActivate,
  lvxTwoClickActivate,
  lvxFlatScrollBar,
  lvxInfoTip,
  lvxUnderlineHot,
  lvxUnderlineCold,
  lvxLabelTip,
};

// A set of extended styles.
class TLVExtendedStyles {
 public:
  TLVExtendedStyles() = default;
  TLVExtendedStyles(std::initializer_list<TLVExtendedStyle> styles) {
    for (TLVExtendedStyle style : styles) Include(style);
  }
  bool Contains(TLVExtendedStyle style) const { return (FBits & Bit(style)) != 0; }
  void Include(TLVExtendedStyle style) { FBits |= Bit(style); }
  void Exclude(TLVExtendedStyle style) { FBits &= ~Bit(style); }
  bool operator==(const TLVExtendedStyles& other) const = default;

 private:
  static uint32_t Bit(TLVExtendedStyle style) { return 1u << static_cast<unsigned>(style); }
  uint32_t FBits = 0;
};

// The set as the list keeps it: underlining items not under the pointer needs one-click
// activation, and underlining the item under it needs one- or two-click activation, so the
// missing activation style is added (one-click).
inline TLVExtendedStyles NormalizeExtendedStyles(TLVExtendedStyles styles) {
  using enum TLVExtendedStyle;
  if (styles.Contains(lvxUnderlineCold) && !styles.Contains(lvxOneClickActivate))
    styles.Include(lvxOneClickActivate);
  if (styles.Contains(lvxUnderlineHot) && !styles.Contains(lvxOneClickActivate) &&
      !styles.Contains(lvxTwoClickActivate))
    styles.Include(lvxOneClickActivate);
  return styles;
}

}  // namespace qp::widgets
