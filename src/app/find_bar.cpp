#include "app/find_bar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>

#include "app/kestrix_view.h"

namespace kx {

FindBar::FindBar(CKestrixView& view, QWidget* parent)
    : QToolBar("Find and Replace", parent),
      view_(view),
      page_(this),
      find_label_("Find:", &page_),
      find_field_(&page_),
      next_button_("Next", &page_),
      previous_button_("Previous", &page_),
      match_case_("Match &case", &page_),
      whole_word_("&Whole word", &page_),
      regular_expression_("Regular e&xpression", &page_),
      close_button_("Close", &page_),
      replace_label_("Replace:", &page_),
      replace_field_(&page_),
      replace_button_("Replace", &page_),
      replace_all_button_("Replace &All", &page_) {
  setObjectName("findBar");
  setMovable(false);
  setFloatable(false);
  toggleViewAction()->setVisible(false);
  find_field_.setObjectName("findField");
  replace_field_.setObjectName("replaceField");
  page_.setLayout(&grid_);
  QGridLayout* grid = &grid_;
  grid->setContentsMargins(4, 2, 4, 2);
  grid->addWidget(&find_label_, 0, 0);
  grid->addWidget(&find_field_, 0, 1);
  grid->addWidget(&next_button_, 0, 2);
  grid->addWidget(&previous_button_, 0, 3);
  grid->addWidget(&match_case_, 0, 4);
  grid->addWidget(&whole_word_, 0, 5);
  grid->addWidget(&regular_expression_, 0, 6);
  grid->addWidget(&close_button_, 0, 7);
  grid->addWidget(&replace_label_, 1, 0);
  grid->addWidget(&replace_field_, 1, 1);
  grid->addWidget(&replace_button_, 1, 2);
  grid->addWidget(&replace_all_button_, 1, 3);
  grid->setColumnStretch(1, 1);
  addWidget(&page_);
  for (QLineEdit* field : {&find_field_, &replace_field_}) {
    field->setMinimumWidth(120);
    field->installEventFilter(this);
  }
  for (QPushButton* button :
       {&next_button_, &previous_button_, &close_button_, &replace_button_, &replace_all_button_})
    button->setAutoDefault(false);

  connect(&next_button_, &QPushButton::clicked, this, [this] { Find(); });
  connect(&previous_button_, &QPushButton::clicked, this, [this] { Find(true); });
  connect(&replace_button_, &QPushButton::clicked, this, &FindBar::Replace);
  connect(&replace_all_button_, &QPushButton::clicked, this, &FindBar::Replace_All);
  connect(&close_button_, &QPushButton::clicked, this, [this] {
    hide();
    view_.setFocus();
  });
  hide();
}

void FindBar::Open(bool replace) {
  const QTextCursor selection = view_.textCursor();
  if (selection.hasSelection() && selection.block().contains(selection.anchor()))
    find_field_.setText(selection.selectedText());
  for (QWidget* control : std::initializer_list<QWidget*>{&replace_label_, &replace_field_, &replace_button_,
                                                          &replace_all_button_})
    control->setVisible(replace);
  show();
  find_field_.setFocus();
  find_field_.selectAll();
}

std::optional<QRegularExpression> FindBar::Pattern() {
  QString pattern = find_field_.text();
  if (pattern.isEmpty()) return std::nullopt;
  if (!regular_expression_.isChecked()) pattern = QRegularExpression::escape(pattern);
  if (whole_word_.isChecked()) pattern = "\\b(?:" + pattern + ")\\b";
  QRegularExpression expression(pattern, match_case_.isChecked() ? QRegularExpression::NoPatternOption
                                                                 : QRegularExpression::CaseInsensitiveOption);
  if (!expression.isValid()) {
    emit Message("The regular expression is not valid: " + expression.errorString() + ".");
    return std::nullopt;
  }
  return expression;
}

bool FindBar::Find(bool backward) {
  const std::optional<QRegularExpression> pattern = Pattern();
  if (!pattern) return false;
  QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  if (match_case_.isChecked()) flags |= QTextDocument::FindCaseSensitively;
  QTextDocument& document = *view_.document();
  QTextCursor found = document.find(*pattern, view_.textCursor(), flags);
  if (found.isNull() || !found.hasSelection()) {
    QTextCursor from(&document);
    if (backward) from.movePosition(QTextCursor::End);
    found = document.find(*pattern, from, flags);
  }
  if (found.isNull() || !found.hasSelection()) {
    QApplication::beep();
    emit Message(QString("\"%1\" was not found.").arg(find_field_.text()));
    return false;
  }
  view_.setTextCursor(found);
  view_.ensureCursorVisible();
  emit Message(QString());
  return true;
}

QString FindBar::Replacement(const QRegularExpression& pattern, const QString& found) const {
  const QString text = replace_field_.text();
  if (!regular_expression_.isChecked()) return text;
  const QRegularExpressionMatch match =
      QRegularExpression(QRegularExpression::anchoredPattern(pattern.pattern()), pattern.patternOptions())
          .match(found);
  QString replacement;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text.at(i) == '$' && i + 1 < text.size() && text.at(i + 1).isDigit()) {
      replacement += match.captured(text.at(++i).digitValue());
      continue;
    }
    replacement += text.at(i);
  }
  return replacement;
}

void FindBar::Replace() {
  const std::optional<QRegularExpression> pattern = Pattern();
  if (!pattern) return;
  QTextCursor selection = view_.textCursor();
  const QString selected = selection.selectedText();
  const QRegularExpression whole(QRegularExpression::anchoredPattern(pattern->pattern()),
                                 pattern->patternOptions());
  if (selection.hasSelection() && whole.match(selected).hasMatch()) {
    const QString replacement = Replacement(*pattern, selected);
    if (!view_.Fits(selection, replacement)) {
      QApplication::beep();
      return;
    }
    view_.Insert_Text(selection, replacement);
    view_.setTextCursor(selection);
  }
  Find();
}

int FindBar::Replace_All() {
  const std::optional<QRegularExpression> pattern = Pattern();
  if (!pattern) return 0;
  QTextDocument& document = *view_.document();
  int count = 0;
  QTextCursor edit(&document);
  edit.beginEditBlock();
  const QTextDocument::FindFlags flags =
      match_case_.isChecked() ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags();
  for (QTextCursor found = document.find(*pattern, 0, flags); !found.isNull();) {
    int next = found.selectionEnd();
    if (found.hasSelection()) {
      const QString replacement = Replacement(*pattern, found.selectedText());
      if (!view_.Fits(found, replacement)) {
        QApplication::beep();
        break;
      }
      view_.Insert_Text(found, replacement);
      next = found.position();
      ++count;
    } else {
      ++next;  // an empty match: on to the next character
    }
    if (next >= document.characterCount()) break;
    found = document.find(*pattern, next, flags);
  }
  edit.endEditBlock();
  emit Message(count == 0 ? QString("\"%1\" was not found.").arg(find_field_.text())
                          : QString("%1 replaced.").arg(count));
  return count;
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      hide();
      view_.setFocus();
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (watched == &replace_field_)
        Replace();
      else
        Find(key->modifiers() & Qt::ShiftModifier);
      return true;
    }
  }
  return QToolBar::eventFilter(watched, event);
}

}  // namespace kx
