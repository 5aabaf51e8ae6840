#pragma once

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolBar>
#include <optional>

namespace kx {

class CKestrixView;

// The bar under the editor that finds and replaces: Ctrl+F opens it to find,
// Ctrl+H to replace as well; Enter finds the next match (Shift+Enter the
// previous one), Escape closes it. Matching heeds letter case or not, whole
// words or any part, plain text or a regular expression (whose replacement
// may name its groups as $0 to $9). A search goes round the end of the text.
class FindBar : public QToolBar {
  Q_OBJECT

 public:
  FindBar(CKestrixView& view, QWidget* parent);

  // Shows the bar with the replace row or without, the find field focused
  // and holding the editor's selection when that lies within one line.
  void Open(bool replace);
  // Selects the next match after the caret (the previous one before it).
  // False, with a message, when there is none.
  bool Find(bool backward = false);
  // Replaces the selected match, if the selection is one, and finds the next.
  void Replace();
  // Replaces every match as one step to undo; the number replaced.
  int Replace_All();

  QLineEdit& find_field() { return find_field_; }
  QLineEdit& replace_field() { return replace_field_; }
  QCheckBox& match_case() { return match_case_; }
  QCheckBox& whole_word() { return whole_word_; }
  QCheckBox& regular_expression() { return regular_expression_; }

 signals:
  // A message for the status bar: nothing found, how many replaced, a bad pattern.
  void Message(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The pattern of the fields and boxes; nullopt (with a message) when it is
  // empty or no valid regular expression. Letter case is the find flags'
  // business: the document's search overrides the pattern's option.
  std::optional<QRegularExpression> Pattern();
  // What replaces `found`, the text of one match of `pattern`.
  QString Replacement(const QRegularExpression& pattern, const QString& found) const;

  CKestrixView& view_;
  // The page is declared before the controls it holds, so that they are
  // destroyed first and leave it on their own.
  QWidget page_;
  QLabel find_label_;
  QLineEdit find_field_;
  QPushButton next_button_;
  QPushButton previous_button_;
  QCheckBox match_case_;
  QCheckBox whole_word_;
  QCheckBox regular_expression_;
  QPushButton close_button_;
  QLabel replace_label_;
  QLineEdit replace_field_;
  QPushButton replace_button_;
  QPushButton replace_all_button_;
  QGridLayout grid_;  // destroyed first: it leaves the page on its own
};

}  // namespace kx
