#include "app/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kx {
namespace {

const char* Theme_Name(ToolIcon which) {
  switch (which) {
    case ToolIcon::kNew:
      return "document-new";
    case ToolIcon::kOpen:
      return "document-open";
    case ToolIcon::kSave:
      return "document-save";
    case ToolIcon::kCut:
      return "edit-cut";
    case ToolIcon::kCopy:
      return "edit-copy";
    case ToolIcon::kPaste:
      return "edit-paste";
    case ToolIcon::kPrint:
      return "document-print";
    case ToolIcon::kAbout:
      return "help-about";
  }
  return "";
}

// A sheet of paper with a folded corner.
void Draw_Page(QPainter& painter, const QRectF& page) {
  QPainterPath path;
  const double fold = page.width() / 3;
  path.moveTo(page.topLeft());
  path.lineTo(page.right() - fold, page.top());
  path.lineTo(page.right(), page.top() + fold);
  path.lineTo(page.bottomRight());
  path.lineTo(page.bottomLeft());
  path.closeSubpath();
  painter.setBrush(Qt::white);
  painter.drawPath(path);
  painter.drawLine(QPointF(page.right() - fold, page.top()), QPointF(page.right() - fold, page.top() + fold));
  painter.drawLine(QPointF(page.right() - fold, page.top() + fold), QPointF(page.right(), page.top() + fold));
}

void Draw(ToolIcon which, QPainter& painter) {
  painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
  switch (which) {
    case ToolIcon::kNew:
      Draw_Page(painter, QRectF(3.5, 1.5, 9, 13));
      break;
    case ToolIcon::kOpen:
      painter.setBrush(QColor(0xe8, 0xc0, 0x50));
      painter.drawRect(QRectF(1.5, 4.5, 13, 9));
      painter.drawRect(QRectF(1.5, 2.5, 5, 2));
      break;
    case ToolIcon::kSave:
      painter.setBrush(QColor(0x40, 0x60, 0xa0));
      painter.drawRect(QRectF(1.5, 1.5, 13, 13));
      painter.setBrush(Qt::white);
      painter.drawRect(QRectF(4.5, 1.5, 7, 5));
      painter.drawRect(QRectF(4.5, 9.5, 7, 5));
      break;
    case ToolIcon::kCut:
      painter.setBrush(Qt::NoBrush);
      painter.drawLine(QPointF(4, 1), QPointF(10.5, 10));
      painter.drawLine(QPointF(12, 1), QPointF(5.5, 10));
      painter.drawEllipse(QRectF(2.5, 10.5, 4, 4));
      painter.drawEllipse(QRectF(9.5, 10.5, 4, 4));
      break;
    case ToolIcon::kCopy:
      Draw_Page(painter, QRectF(1.5, 1.5, 8, 10));
      Draw_Page(painter, QRectF(6.5, 4.5, 8, 10));
      break;
    case ToolIcon::kPaste:
      painter.setBrush(QColor(0xb0, 0x80, 0x50));
      painter.drawRect(QRectF(1.5, 2.5, 10, 12));
      painter.setBrush(QColor(0xc0, 0xc0, 0xc0));
      painter.drawRect(QRectF(4.5, 1.5, 4, 2));
      Draw_Page(painter, QRectF(7.5, 6.5, 7, 8));
      break;
    case ToolIcon::kPrint:
      Draw_Page(painter, QRectF(4.5, 1.5, 7, 6));
      painter.setBrush(QColor(0xa0, 0xa0, 0xa0));
      painter.drawRect(QRectF(1.5, 7.5, 13, 5));
      painter.setBrush(Qt::white);
      painter.drawRect(QRectF(4.5, 11.5, 7, 3));
      break;
    case ToolIcon::kAbout: {
      painter.setBrush(QColor(0x30, 0x60, 0xc0));
      painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
      QFont font = painter.font();
      font.setPixelSize(11);
      font.setBold(true);
      painter.setFont(font);
      painter.setPen(Qt::white);
      painter.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, "?");
      break;
    }
  }
}

}  // namespace

QIcon Tool_Icon(ToolIcon which) {
  const QIcon themed = QIcon::fromTheme(Theme_Name(which));
  if (!themed.isNull()) return themed;
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  Draw(which, painter);
  painter.end();
  return QIcon(pixmap);
}

}  // namespace kx
