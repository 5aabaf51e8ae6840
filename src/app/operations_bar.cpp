#include "app/operations_bar.h"

#include <algorithm>

#include "app/build_objects.h"
#include "app/dialog_units.h"

namespace kx {

OperationsBar::OperationsBar(QWidget* parent)
    : QToolBar("Operations", parent),
      page_(this),
      build_button_("Build", &page_),
      operations_label_("Operations:", &page_),
      operations_(&page_),
      synopsis_(&page_),
      help_button_("Help", &page_) {
  setObjectName("operationsBar");
  setMovable(false);
  setFloatable(false);
  // The bar cannot be hidden from the toolbar area's context menu.
  toggleViewAction()->setVisible(false);

  const DialogUnits units(page_.font());
  page_.setFixedSize(units.X(365), units.Y(19));
  units.Place(build_button_, 2, 3, 39, 13);
  units.Place(operations_label_, 49, 5, 37, 8);
  operations_label_.setMinimumHeight(operations_label_.sizeHint().height());
  units.Place(operations_, 87, 3, 69, 13);
  units.Place(synopsis_, 160, 3, 153, 12);
  units.Place(help_button_, 318, 3, 39, 13);

  build_button_.setObjectName("buildButton");
  operations_.setObjectName("operationsBox");
  synopsis_.setObjectName("synopsis");
  help_button_.setObjectName("helpButton");
  for (QPushButton* button : {&build_button_, &help_button_}) button->setFocusPolicy(Qt::TabFocus);

  operations_.setInsertPolicy(QComboBox::NoInsert);
  operations_.setMaxVisibleItems(24);
  synopsis_.setReadOnly(true);
  addWidget(&page_);

  // Every operation of the catalogue, walked in name order; the box keeps its
  // entries alphabetical, letter case aside (SetPlan before SetPTeam).
  QStringList names;
  SearchTree<OpcodeRecord>& by_name = g_OperationCatalogue.by_name();
  for (const OpcodeRecord* record = by_name.First(); record != nullptr; record = by_name.Next(*record))
    names << QString::fromLatin1(record->name);
  std::stable_sort(names.begin(), names.end(),
                   [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  operations_.addItems(names);
  operations_.setCurrentIndex(-1);
}

}  // namespace kx
