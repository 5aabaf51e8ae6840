#pragma once

#include <QSyntaxHighlighter>

namespace kx {

// Formats the script editor's lines. A lone carriage return's own glyph is
// never drawn: the editor draws a symbol in its place.
class ScriptHighlighter : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  explicit ScriptHighlighter(QTextDocument* document);

 protected:
  void highlightBlock(const QString& text) override;
};

}  // namespace kx
