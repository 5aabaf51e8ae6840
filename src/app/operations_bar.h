#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>

#include "app/operations_box.h"

namespace kx {

// The strip under the toolbar: the "Build" button, the Operations box with
// every operation of the catalogue in alphabetical order (none chosen at
// first), the read-only field for the synopsis of the chosen one, and the
// "Help" button, laid out in dialog units. The bar neither moves nor hides;
// what its controls do is the main frame's.
class OperationsBar : public QToolBar {
 public:
  explicit OperationsBar(QWidget* parent);

  QPushButton& build_button() { return build_button_; }
  COperationsBox& operations() { return operations_; }
  QLineEdit& synopsis() { return synopsis_; }
  QPushButton& help_button() { return help_button_; }

 private:
  // The page is declared before the controls it holds, so that they are
  // destroyed first and leave it on their own.
  QWidget page_;
  QPushButton build_button_;
  QLabel operations_label_;
  COperationsBox operations_;
  QLineEdit synopsis_;
  QPushButton help_button_;
};

}  // namespace kx
