#pragma once

#include <QFont>

class QWidget;

namespace kx {

// Dialog-template units of a font: a quarter of its average character width
// across, an eighth of its character height down. Windows are laid out in
// them, so they keep their proportions whatever the font.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int X(int units) const;
  int Y(int units) const;

  // Moves and sizes `widget` to the rectangle given in dialog units.
  void Place(QWidget& widget, int x, int y, int width, int height) const;

 private:
  double base_x_;
  double base_y_;
};

}  // namespace kx
