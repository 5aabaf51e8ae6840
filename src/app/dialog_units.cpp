#include "app/dialog_units.h"

#include <QFontMetricsF>
#include <QWidget>
#include <cmath>

namespace kx {

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetricsF metrics(font);
  m_dBaseX = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0;
  m_dBaseY = metrics.height();
}

int DialogUnits::X(int units) const { return static_cast<int>(std::lround(units * m_dBaseX / 4.0)); }

int DialogUnits::Y(int units) const { return static_cast<int>(std::lround(units * m_dBaseY / 8.0)); }

void DialogUnits::Place(QWidget& widget, int x, int y, int width, int height) const {
  widget.setGeometry(X(x), Y(y), X(width), Y(height));
}

}  // namespace kx
