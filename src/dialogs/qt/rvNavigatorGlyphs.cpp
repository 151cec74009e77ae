// The bar's own glyphs, drawn in the manner of small 16-colour bitmaps: the normal look in
// one colour of that palette, the disabled look etched in grey over a white shadow.
#include <QPainter>
#include <QPolygon>

#include <functional>
#include <map>

#include "dialogs/qt/rvNavigator.h"

namespace qp::dialogs {

namespace {

constexpr int kGlyphSize = 16;

const QColor kNavy(0, 0, 128);
const QColor kBlack(0, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kMaroon(128, 0, 0);
const QColor kTeal(0, 128, 128);
const QColor kGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);

using TShape = std::function<void(QPainter&, const QColor&)>;

void Triangle(QPainter& painter, const QColor& colour, std::initializer_list<QPoint> corners) {
  painter.setPen(colour);
  painter.setBrush(colour);
  painter.drawPolygon(QPolygon(QList<QPoint>(corners)));
}

void Bar(QPainter& painter, const QColor& colour, int x, int y, int width, int height) {
  painter.fillRect(x, y, width, height, colour);
}

void Stroke(QPainter& painter, const QColor& colour, std::initializer_list<QPoint> points) {
  QPen pen(colour, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
  painter.setPen(pen);
  painter.drawPolyline(QPolygon(QList<QPoint>(points)));
}

struct TGlyph {
  QColor Colour;
  TShape Shape;
};

const std::map<std::string, TGlyph>& Glyphs() {
  static const std::map<std::string, TGlyph> glyphs = {
      {"RV_FIRST",
       {kNavy,
        [](QPainter& p, const QColor& c) {
          Bar(p, c, 3, 3, 2, 10);
          Triangle(p, c, {{6, 8}, {11, 3}, {11, 13}});
        }}},
      {"RV_PRIOR",
       {kNavy,
        [](QPainter& p, const QColor& c) {
          Triangle(p, c, {{5, 8}, {10, 3}, {10, 13}});
        }}},
      {"RV_NEXT",
       {kNavy,
        [](QPainter& p, const QColor& c) {
          Triangle(p, c, {{10, 8}, {5, 3}, {5, 13}});
        }}},
      {"RV_LAST",
       {kNavy,
        [](QPainter& p, const QColor& c) {
          Triangle(p, c, {{9, 8}, {4, 3}, {4, 13}});
          Bar(p, c, 11, 3, 2, 10);
        }}},
      {"RV_INSERT",
       {kBlack,
        [](QPainter& p, const QColor& c) {
          Bar(p, c, 7, 3, 2, 10);
          Bar(p, c, 3, 7, 10, 2);
        }}},
      {"RV_DELETE", {kBlack, [](QPainter& p, const QColor& c) { Bar(p, c, 3, 7, 10, 2); }}},
      {"RV_EDIT",
       {kBlack,
        [](QPainter& p, const QColor& c) {
          Triangle(p, c, {{8, 4}, {3, 10}, {13, 10}});
        }}},
      {"RV_POST",
       {kGreen,
        [](QPainter& p, const QColor& c) {
          Stroke(p, c, {{3, 8}, {6, 11}, {12, 4}});
        }}},
      {"RV_CANCEL",
       {kMaroon,
        [](QPainter& p, const QColor& c) {
          Stroke(p, c, {{4, 4}, {11, 11}});
          Stroke(p, c, {{11, 4}, {4, 11}});
        }}},
      {"RV_REFRESH",
       {kTeal,
        [](QPainter& p, const QColor& c) {
          p.setPen(QPen(c, 2));
          p.setBrush(Qt::NoBrush);
          p.drawArc(QRect(3, 3, 10, 10), 90 * 16, 270 * 16);
          Triangle(p, c, {{8, 1}, {12, 4}, {8, 7}});
        }}},
  };
  return glyphs;
}

}  // namespace

QPixmap NavigatorResourceGlyph(const std::string& name) {
  const auto found = Glyphs().find(name);
  if (found == Glyphs().end()) return QPixmap();
  const TGlyph& glyph = found->second;
  QPixmap pixmap(2 * kGlyphSize, kGlyphSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  glyph.Shape(painter, glyph.Colour);
  painter.translate(kGlyphSize + 1, 1);
  glyph.Shape(painter, kWhite);
  painter.translate(-1, -1);
  glyph.Shape(painter, kGrey);
  return pixmap;
}

}  // namespace qp::dialogs
