#include "widgets/ListHeader.h"

#include <cmath>

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

#include "widgets/ExtListView.h"
#include "widgets/QtText.h"

namespace qp::widgets {

namespace {

QRect ToQRect(const TPixelRect& r) {
  return QRect(r.Left, r.Top, r.Width(), r.Height());
}

THeaderAlign HeaderAlign(TColumnAlign align) {
  switch (align) {
    case TColumnAlign::taRightJustify:
      return THeaderAlign::haRight;
    case TColumnAlign::taCenter:
      return THeaderAlign::haCenter;
    case TColumnAlign::taLeftJustify:
      break;
  }
  return THeaderAlign::haLeft;
}

}  // namespace

TListHeader::TListHeader(TExtListView& list) : QHeaderView(Qt::Horizontal), FList(list) {
  setSectionsClickable(true);
  setHighlightSections(false);
  setSortIndicatorShown(false);
  setStretchLastSection(false);
  // Columns may be made as narrow as the user likes, down to nothing.
  setMinimumSectionSize(0);
}

int TListHeader::ArrowSize() const {
  return SortArrowSize(fontMetrics().boundingRect(QStringLiteral("Wy")).height());
}

THeaderCellLayout TListHeader::CellLayout(int column, const QRect& rect, bool pressed) const {
  THeaderCell cell;
  cell.Cell = {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
  cell.Pressed = pressed;
  cell.Align = HeaderAlign(FList.ColumnAlignment(column));
  // Rounded up: the text is cut with an ellipsis as soon as its exact width exceeds its room.
  cell.CaptionWidth = static_cast<int>(
      std::ceil(QFontMetricsF(font()).horizontalAdvance(ListText(FList.ColumnCaption(column)))));
  const std::vector<TExtListColumn>& formats = FList.ColumnsFormat();
  const std::vector<QIcon>* images = FList.SmallImages();
  if (column < static_cast<int>(formats.size()) && images != nullptr) {
    const TExtListColumn& format = formats[static_cast<std::size_t>(column)];
    if (format.ImageIndex >= 0 && format.ImageIndex < static_cast<int>(images->size())) {
      cell.ImageWidth = FList.SmallImageSize().width();
      cell.ImageHeight = FList.SmallImageSize().height();
      cell.ImageLeftOfText = format.ImageAlignment == TColumnImageAlign::ciaLeftOfText;
    }
  }
  if (FList.ArrowInColumn(column)) cell.ArrowSize = ArrowSize();
  return LayoutHeaderCell(cell);
}

void TListHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!FList.PaintsHeader() || logicalIndex >= FList.ColumnCount()) {
    QHeaderView::paintSection(painter, rect, logicalIndex);
    return;
  }
  const bool pressed = logicalIndex == FPressed;
  QRect cellRect = rect;
  painter->save();
  if (FList.OnDrawHeader) {
    bool defaultDrawing = true;
    FList.OnDrawHeader(FList, *painter, logicalIndex, cellRect, pressed, defaultDrawing);
    if (!defaultDrawing) {
      painter->restore();
      return;
    }
  }
  // The style's cell (its edges and dividers), then the face colour and the parts on top.
  QStyleOptionHeader option;
  initStyleOption(&option);
  option.rect = cellRect;
  option.section = logicalIndex;
  option.state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;
  style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);

  const THeaderCellLayout layout = CellLayout(logicalIndex, cellRect, pressed);
  painter->fillRect(ToQRect(layout.Fill), palette().button());
  painter->setClipRect(cellRect);
  const QRect caption = ToQRect(layout.Caption);
  const QString text = fontMetrics().elidedText(ListText(FList.ColumnCaption(logicalIndex)),
                                                Qt::ElideRight, caption.width());
  painter->setPen(palette().buttonText().color());
  painter->drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  if (layout.ShowImage) {
    const int image = FList.ColumnsFormat()[static_cast<std::size_t>(logicalIndex)].ImageIndex;
    (*FList.SmallImages())[static_cast<std::size_t>(image)].paint(painter, ToQRect(layout.Image));
  }
  if (layout.ShowArrow) DrawArrow(*painter, ToQRect(layout.Arrow), FList.ArrowPointsUp());
  painter->restore();
}

void TListHeader::DrawArrow(QPainter& painter, const QRect& rect, bool up) const {
  // A triangle on the face colour: edges facing the upper left in the highlight colour, the
  // others in the shadow colour. Today's styles make the highlight as pale as the face, so
  // the triangle is filled with the mid tone to keep its shape visible.
  const QColor light = palette().light().color();
  const QColor shadow = palette().dark().color();
  const int left = rect.left(), right = rect.right(), top = rect.top(), bottom = rect.bottom();
  const int middle = left + rect.width() / 2;
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QPolygon triangle =
      up ? QPolygon({QPoint(middle, top), QPoint(right, bottom), QPoint(left, bottom)})
         : QPolygon({QPoint(left, top), QPoint(right, top), QPoint(middle, bottom)});
  painter.setPen(Qt::NoPen);
  painter.setBrush(palette().mid());
  painter.drawPolygon(triangle);
  if (up) {
    painter.setPen(light);
    painter.drawLine(left, bottom, middle, top);
    painter.setPen(shadow);
    painter.drawLine(middle, top, right, bottom);
    painter.drawLine(left, bottom, right, bottom);
  } else {
    painter.setPen(light);
    painter.drawLine(left, top, right, top);
    painter.drawLine(left, top, middle, bottom);
    painter.setPen(shadow);
    painter.drawLine(middle, bottom, right, top);
  }
}

void TListHeader::mousePressEvent(QMouseEvent* event) {
  const int x = event->position().toPoint().x();
  const int column = logicalIndexAt(x);
  FPressed = event->button() == Qt::LeftButton ? column : -1;
  if (FPressed >= 0) {
    // A press on a divider starts a resize, not a click on the cell.
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    const int start = sectionViewportPosition(column);
    if (x < start + grip || x >= start + sectionSize(column) - grip) FPressed = -1;
  }
  QHeaderView::mousePressEvent(event);
  if (FPressed >= 0) viewport()->update();
}

void TListHeader::mouseReleaseEvent(QMouseEvent* event) {
  const bool wasPressed = FPressed >= 0;
  FPressed = -1;
  QHeaderView::mouseReleaseEvent(event);
  if (wasPressed) viewport()->update();
}

}  // namespace qp::widgets
