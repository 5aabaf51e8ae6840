#include "app/dialog_units.h"

#include <QFontMetricsF>
#include <QWidget>
#include <cmath>

namespace kx {

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetricsF metrics(font);
  base_x_ = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0;
  base_y_ = metrics.height();
}

int DialogUnits::X(int units) const { return static_cast<int>(std::lround(units * base_x_ / 4.0)); }

int DialogUnits::Y(int units) const { return static_cast<int>(std::lround(units * base_y_ / 8.0)); }

void DialogUnits::Place(QWidget& widget, int x, int y, int width, int height) const {
  widget.setGeometry(X(x), Y(y), X(width), Y(height));
}

}  // namespace kx
