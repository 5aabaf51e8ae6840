#include "app/script_highlighter.h"

#include "app/kestrix_view.h"

namespace kx {

ScriptHighlighter::ScriptHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

void ScriptHighlighter::highlightBlock(const QString& text) {
  QTextCharFormat hidden;
  hidden.setForeground(Qt::transparent);
  for (qsizetype i = text.indexOf(CKestrixView::kLoneCarriageReturn); i >= 0;
       i = text.indexOf(CKestrixView::kLoneCarriageReturn, i + 1))
    setFormat(static_cast<int>(i), 1, hidden);
}

}  // namespace kx
