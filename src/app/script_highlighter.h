#pragma once

#include <QHash>
#include <QSyntaxHighlighter>
#include <QTimer>
#include <array>
#include <memory>
#include <vector>

#include "analysis/analysis.h"

namespace kx {

// The position in kOpcodeTable of the operation `name` names, letter case
// aside as in a script; -1 for none.
int Operation_Index(const QString& name);

// Colours the script editor's lines by the token classes of the latest
// analysis, in colours drawn from the palette, so that light and dark themes
// both read well. A line that differs from the analysed text (it was edited
// since) is coloured by a quick reading of the line alone until the next
// analysis arrives. A new analysis formats the lines it changes in slices
// of a few milliseconds, from a given line on, so that keys are taken in
// between; an edit ends the pass (the next analysis starts another). A lone
// carriage return's own glyph is never drawn: the editor draws a symbol in
// its place.
class ScriptHighlighter : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  explicit ScriptHighlighter(QTextDocument* document);

  // With colours off only the lone carriage returns are formatted.
  void Set_Colours_On(bool on);
  bool colours_on() const { return colours_on_; }
  // Takes the classes of `analysis`, made of the document's text as it is
  // now, and formats again the lines whose formats it changes, beginning
  // with the block `first` (the first one shown).
  void Set_Analysis(std::shared_ptr<const ScriptAnalysis> analysis, int first = 0);
  // While held (a whole new text is set), lines are left plain until the
  // analysis of the text arrives: a quick reading of every line of a large
  // text would keep the user waiting.
  void Hold(bool held) { held_ = held; }
  // True while lines wait to be formatted by the latest analysis.
  bool Is_Formatting() const { return pass_.isActive(); }
  // Chooses the colours for `palette` and formats every line again.
  void Set_Palette(const QPalette& palette);
  const QTextCharFormat& format(TokenClass token_class) const {
    return formats_[static_cast<std::size_t>(token_class)];
  }

  // The class of each character of `text` as the quick reading of a lone
  // line sees it; nullopt for blanks and characters it leaves plain.
  std::vector<std::optional<TokenClass>> Read_Line(const QString& text) const;

 protected:
  void highlightBlock(const QString& text) override;

 private:
  static constexpr int kClassCount = static_cast<int>(TokenClass::Invalid) + 1;

  // The analysed line `line` (1-based) when it holds exactly `text`.
  bool Line_Matches(int line, const QString& text) const;
  // A digest of the analysis' classes of a line.
  std::size_t Line_Digest(int line) const;
  void Format(int start, int length, TokenClass token_class);
  // Formats the next slice of the pass.
  void Continue_Pass();

  bool colours_on_ = true;
  bool held_ = false;
  QTimer pass_;
  int pass_start_ = 0;  // the block the pass began with
  int pass_next_ = 0;   // the block it goes on with
  bool pass_wrapped_ = false;
  bool in_pass_ = false;
  std::array<QTextCharFormat, kClassCount> formats_;
  std::shared_ptr<const ScriptAnalysis> analysis_;
  std::vector<std::size_t> line_starts_;       // of the analysed text, one past its end last
  std::vector<int> line_tokens_;               // per line: its first token, then one past the last line's
  QHash<QString, TokenClass> symbol_classes_;  // the analysed symbols by name, for the quick reading
};

}  // namespace kx
