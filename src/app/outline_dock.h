#pragma once

#include <QDockWidget>
#include <QStringList>
#include <QTreeWidget>

#include "analysis/analysis.h"

namespace kx {

class CKestrixView;

// The outline of the script beside the editor: the data sections with their
// symbols and the routines with their labels, in text order. The entry that
// holds the caret is selected as the caret moves; a click on an entry puts
// the caret on it.
class OutlineDock : public QDockWidget {
  Q_OBJECT

 public:
  OutlineDock(CKestrixView& view, QWidget* parent);

  // Takes the sections and symbols of `analysis`, made of the editor's text
  // as it is now; while the outline is hidden, nothing.
  void Show_Analysis(const ScriptAnalysis& analysis);
  // Selects the entry that holds the caret.
  void Follow_Caret();

  QTreeWidget& tree() { return tree_; }

 private:
  CKestrixView& view_;
  QTreeWidget tree_;
  QStringList shape_;  // the entries as shown, to rebuild the tree only when they change
};

}  // namespace kx
