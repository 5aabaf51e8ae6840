#include "app/outline_dock.h"

#include <QHeaderView>
#include <algorithm>
#include <memory>

#include "app/kestrix_view.h"

namespace kx {
namespace {

constexpr int kLineRole = Qt::UserRole;
constexpr int kColumnRole = Qt::UserRole + 1;

// One entry: its text, where it stands, and whether it belongs to the entry before.
struct Entry {
  QString text;
  int line = 0;
  int column = 0;
  bool child = false;
};

std::vector<Entry> Entries_Of(const ScriptAnalysis& analysis) {
  // Section headers, routines and the symbols within them, by place in the text.
  std::vector<Entry> tops;
  const std::vector<ScriptToken>& tokens = analysis.tokens();
  for (std::size_t t = 0; t + 1 < tokens.size(); ++t)
    if (tokens[t].token_class == TokenClass::SectionHeader && analysis.Text_Of(tokens[t]) == "[" &&
        tokens[t + 1].token_class == TokenClass::SectionHeader)
      tops.push_back({"[" + QString::fromLatin1(analysis.Text_Of(tokens[t + 1])) + "]", tokens[t].line,
                      tokens[t].column, false});
  std::vector<Entry> children;
  for (const ScriptSymbol& symbol : analysis.symbols()) {
    const QString name = QString::fromLatin1(symbol.name);
    if (symbol.kind == SymbolKind::Routine)
      tops.push_back({"routine " + name, symbol.line, symbol.column, false});
    else
      children.push_back(
          {symbol.kind == SymbolKind::Label ? name + ":" : name, symbol.line, symbol.column, true});
  }
  const auto by_place = [](const Entry& a, const Entry& b) {
    return std::tie(a.line, a.column, a.child) < std::tie(b.line, b.column, b.child);
  };
  tops.insert(tops.end(), children.begin(), children.end());
  std::stable_sort(tops.begin(), tops.end(), by_place);
  return tops;
}

}  // namespace

OutlineDock::OutlineDock(CKestrixView& view, QWidget* parent)
    : QDockWidget("Outline", parent), view_(view), tree_(this) {
  setObjectName("outline");
  tree_.setObjectName("outlineTree");
  tree_.setHeaderHidden(true);
  tree_.setUniformRowHeights(true);
  setWidget(&tree_);
  const auto jump = [this](QTreeWidgetItem* item) {
    if (item == nullptr) return;
    view_.Go_To(item->data(0, kLineRole).toInt(), item->data(0, kColumnRole).toInt());
    view_.setFocus();
  };
  connect(&tree_, &QTreeWidget::itemClicked, this, jump);
  connect(&tree_, &QTreeWidget::itemActivated, this, jump);
  connect(&view, &QPlainTextEdit::cursorPositionChanged, this, &OutlineDock::Follow_Caret);
  // A hidden outline is not kept up to date: it catches up when shown.
  connect(this, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible && view_.analysis().latest()) Show_Analysis(*view_.analysis().latest());
  });
}

void OutlineDock::Show_Analysis(const ScriptAnalysis& analysis) {
  if (!isVisible()) return;
  const std::vector<Entry> entries = Entries_Of(analysis);
  QStringList shape;
  for (const Entry& entry : entries) shape << (entry.child ? " " : "") + entry.text;
  if (shape != shape_) {
    // The tree owns its items; Qt's interface takes them as plain pointers.
    tree_.clear();
    QTreeWidgetItem* parent = nullptr;
    for (const Entry& entry : entries) {
      auto item = std::make_unique<QTreeWidgetItem>(QStringList{entry.text});
      QTreeWidgetItem* held = item.get();
      if (entry.child && parent != nullptr)
        parent->addChild(item.release());
      else
        tree_.addTopLevelItem(item.release());
      if (!entry.child) parent = held;
    }
    tree_.expandAll();
    shape_ = shape;
  }
  // The places change with every edit above them.
  std::size_t next = 0;
  for (QTreeWidgetItemIterator it(&tree_); *it != nullptr && next < entries.size(); ++it, ++next) {
    if ((*it)->data(0, kLineRole).toInt() == entries[next].line &&
        (*it)->data(0, kColumnRole).toInt() == entries[next].column)
      continue;
    (*it)->setData(0, kLineRole, entries[next].line);
    (*it)->setData(0, kColumnRole, entries[next].column);
  }
  Follow_Caret();
}

void OutlineDock::Follow_Caret() {
  if (!isVisible()) return;
  const int line = view_.textCursor().blockNumber() + 1;
  QTreeWidgetItem* holder = nullptr;
  for (QTreeWidgetItemIterator it(&tree_); *it != nullptr; ++it) {
    if ((*it)->data(0, kLineRole).toInt() > line) break;
    holder = *it;
  }
  if (holder != nullptr && holder != tree_.currentItem()) tree_.setCurrentItem(holder);
}

}  // namespace kx
