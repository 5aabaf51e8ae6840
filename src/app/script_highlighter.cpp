#include "app/script_highlighter.h"

#include <QElapsedTimer>
#include <QPalette>
#include <QTextBlock>
#include <QTextBlockUserData>
#include <algorithm>

#include "app/kestrix_view.h"

namespace kx {
namespace {

// How long a slice of a formatting pass may keep keys waiting.
constexpr int kSliceMs = 4;

// What a line was formatted from: the analysis (with a digest of its
// classes there) or the quick reading of the line alone.
class LineFormats : public QTextBlockUserData {
 public:
  LineFormats(bool analysed, std::size_t digest) : analysed_(analysed), digest_(digest) {}
  bool analysed() const { return analysed_; }
  std::size_t digest() const { return digest_; }

 private:
  bool analysed_;
  std::size_t digest_;
};

bool Is_Name_Start(QChar c) { return c == '_' || (c.unicode() < 128 && c.isLetter()); }
bool Is_Name_Part(QChar c) { return Is_Name_Start(c) || (c.unicode() < 128 && c.isDigit()); }

TokenClass Symbol_Class(SymbolKind kind) {
  switch (kind) {
    case SymbolKind::Routine:
      return TokenClass::Routine;
    case SymbolKind::Label:
      return TokenClass::Label;
    case SymbolKind::Object:
      return TokenClass::Object;
    case SymbolKind::Position:
      return TokenClass::Position;
    case SymbolKind::Variable:
      return TokenClass::Variable;
    case SymbolKind::Text:
      return TokenClass::Text;
  }
  return TokenClass::Name;
}

}  // namespace

int Operation_Index(const QString& name) {
  // By name in lower case: keywords are matched without regard to case.
  static const QHash<QString, int> names = [] {
    QHash<QString, int> table;
    for (int i = 0; i < kOpcodeCount; ++i)
      table.insert(QString::fromLatin1(kOpcodeTable[i].name).toLower(), i);
    return table;
  }();
  return names.value(name.toLower(), -1);
}

ScriptHighlighter::ScriptHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  Set_Palette(QPalette());
  pass_.setSingleShot(true);
  connect(&pass_, &QTimer::timeout, this, &ScriptHighlighter::Continue_Pass);
  // An edit moves the lines away from the analysis: the pass ends.
  connect(document, &QTextDocument::contentsChange, this, [this] {
    if (!in_pass_) pass_.stop();
  });
}

void ScriptHighlighter::Set_Colours_On(bool on) {
  if (on == colours_on_) return;
  colours_on_ = on;
  rehighlight();
}

void ScriptHighlighter::Set_Palette(const QPalette& palette) {
  const QColor text = palette.color(QPalette::Text);
  const QColor base = palette.color(QPalette::Base);
  // Hues at a lightness that stands out from the background: dark on a
  // light base, light on a dark one.
  const bool dark = base.lightness() < 128;
  const auto tone = [dark](int hue) { return QColor::fromHsl(hue, 170, dark ? 175 : 80); };
  QColor faint = text;
  faint.setRgbF(static_cast<float>((text.redF() + base.redF()) / 2),
                static_cast<float>((text.greenF() + base.greenF()) / 2),
                static_cast<float>((text.blueF() + base.blueF()) / 2));
  const auto set = [this](TokenClass token_class, QColor colour, bool bold = false, bool italic = false) {
    QTextCharFormat& format = formats_[static_cast<std::size_t>(token_class)];
    format = QTextCharFormat();
    if (colour.isValid()) format.setForeground(colour);
    if (bold) format.setFontWeight(QFont::Bold);
    format.setFontItalic(italic);
  };
  set(TokenClass::SectionHeader, tone(285), true);
  set(TokenClass::RoutineHeader, tone(285), true);
  set(TokenClass::Operation, tone(215), true);
  set(TokenClass::Routine, tone(325));
  set(TokenClass::Label, tone(35));
  set(TokenClass::Object, tone(185));
  set(TokenClass::Position, tone(150));
  set(TokenClass::Variable, tone(255));
  set(TokenClass::Text, tone(300));
  set(TokenClass::Name, QColor());
  set(TokenClass::Number, tone(20));
  set(TokenClass::String, tone(105));
  set(TokenClass::StringEscape, tone(105), true);
  set(TokenClass::Boolean, tone(350));
  set(TokenClass::Constant, tone(350));
  set(TokenClass::Comment, faint, false, true);
  set(TokenClass::Punctuation, QColor());
  set(TokenClass::Invalid, QColor::fromHsl(0, 220, dark ? 160 : 110));
  rehighlight();
}

void ScriptHighlighter::Set_Analysis(std::shared_ptr<const ScriptAnalysis> analysis, int first) {
  analysis_ = std::move(analysis);
  line_starts_.clear();
  line_tokens_.clear();
  symbol_classes_.clear();
  pass_.stop();
  if (!analysis_) return;
  const std::string& text = analysis_->text();
  line_starts_.push_back(0);
  for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
    line_starts_.push_back(i + 1);
  const std::vector<ScriptToken>& tokens = analysis_->tokens();
  std::size_t t = 0;
  for (std::size_t line = 1; line <= line_starts_.size() + 1; ++line) {
    while (t < tokens.size() && static_cast<std::size_t>(tokens[t].line) < line) ++t;
    line_tokens_.push_back(static_cast<int>(t));
  }
  for (const ScriptSymbol& symbol : analysis_->symbols())
    symbol_classes_.insert(QString::fromLatin1(symbol.name), Symbol_Class(symbol.kind));
  if (!colours_on_) return;
  pass_start_ = pass_next_ = std::clamp(first, 0, document()->blockCount() - 1);
  pass_wrapped_ = false;
  Continue_Pass();
}

void ScriptHighlighter::Continue_Pass() {
  QElapsedTimer clock;
  clock.start();
  in_pass_ = true;
  QTextBlock block = document()->findBlockByNumber(pass_next_);
  for (int checked = 0;; ++checked) {
    if (!block.isValid() && !pass_wrapped_) {
      pass_wrapped_ = true;
      block = document()->begin();
    }
    if (!block.isValid() || (pass_wrapped_ && block.blockNumber() >= pass_start_)) {
      in_pass_ = false;
      return;  // every line done
    }
    if (checked % 8 == 7 && clock.elapsed() >= kSliceMs) break;
    const auto* formats = static_cast<const LineFormats*>(block.userData());
    const int line = block.blockNumber() + 1;
    if (formats == nullptr || !formats->analysed() || formats->digest() != Line_Digest(line))
      rehighlightBlock(block);
    block = block.next();
  }
  pass_next_ = block.blockNumber();
  in_pass_ = false;
  pass_.start(0);
}

bool ScriptHighlighter::Line_Matches(int line, const QString& text) const {
  if (!analysis_ || line < 1 || line > static_cast<int>(line_starts_.size())) return false;
  const std::string& bytes = analysis_->text();
  const std::size_t start = line_starts_[static_cast<std::size_t>(line - 1)];
  std::size_t end = bytes.size();
  if (line < static_cast<int>(line_starts_.size())) {
    end = line_starts_[static_cast<std::size_t>(line)] - 1;
    if (end > start && bytes[end - 1] == '\r') --end;
  }
  if (static_cast<qsizetype>(end - start) != text.size()) return false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[start + static_cast<std::size_t>(i)]);
    const QChar held = byte == '\r' ? CKestrixView::kLoneCarriageReturn : QChar(byte);
    if (text.at(i) != held) return false;
  }
  return true;
}

std::size_t ScriptHighlighter::Line_Digest(int line) const {
  if (line < 1 || line >= static_cast<int>(line_tokens_.size())) return 0;
  std::size_t digest = 17;
  const std::vector<ScriptToken>& tokens = analysis_->tokens();
  for (int t = line_tokens_[static_cast<std::size_t>(line - 1)];
       t < line_tokens_[static_cast<std::size_t>(line)]; ++t) {
    const ScriptToken& token = tokens[static_cast<std::size_t>(t)];
    for (const int value : {token.column, token.length, static_cast<int>(token.token_class)})
      digest = digest * 1000003u ^ static_cast<std::size_t>(value);
  }
  return digest;
}

void ScriptHighlighter::Format(int start, int length, TokenClass token_class) {
  const QTextCharFormat& format = formats_[static_cast<std::size_t>(token_class)];
  if (format.propertyCount() > 0) setFormat(start, length, format);
}

void ScriptHighlighter::highlightBlock(const QString& text) {
  const int line = held_ ? 0 : currentBlock().blockNumber() + 1;
  // The text block owns its user data; Qt's interface takes it as a plain pointer.
  if (colours_on_ && Line_Matches(line, text)) {
    const std::vector<ScriptToken>& tokens = analysis_->tokens();
    for (int t = line_tokens_[static_cast<std::size_t>(line - 1)];
         t < line_tokens_[static_cast<std::size_t>(line)]; ++t) {
      const ScriptToken& token = tokens[static_cast<std::size_t>(t)];
      Format(token.column - 1, token.length, token.token_class);
    }
    setCurrentBlockUserData(std::make_unique<LineFormats>(true, Line_Digest(line)).release());
  } else if (colours_on_ && !held_) {
    const std::vector<std::optional<TokenClass>> classes = Read_Line(text);
    for (std::size_t start = 0; start < classes.size();) {
      std::size_t end = start + 1;
      while (end < classes.size() && classes[end] == classes[start]) ++end;
      if (classes[start]) Format(static_cast<int>(start), static_cast<int>(end - start), *classes[start]);
      start = end;
    }
    setCurrentBlockUserData(std::make_unique<LineFormats>(false, 0).release());
  }
  QTextCharFormat hidden;
  hidden.setForeground(Qt::transparent);
  for (qsizetype i = text.indexOf(CKestrixView::kLoneCarriageReturn); i >= 0;
       i = text.indexOf(CKestrixView::kLoneCarriageReturn, i + 1))
    setFormat(static_cast<int>(i), 1, hidden);
}

std::vector<std::optional<TokenClass>> ScriptHighlighter::Read_Line(const QString& text) const {
  std::vector<std::optional<TokenClass>> classes(static_cast<std::size_t>(text.size()));
  const auto mark = [&classes](qsizetype from, qsizetype to, TokenClass token_class) {
    for (qsizetype i = from; i < to; ++i) classes[static_cast<std::size_t>(i)] = token_class;
  };
  const qsizetype size = text.size();
  const QString trimmed = text.trimmed();
  const bool header = trimmed.startsWith('[');
  const bool routine_header = header && trimmed.mid(1).trimmed().startsWith("routine", Qt::CaseInsensitive);
  for (qsizetype i = 0; i < size;) {
    const QChar c = text.at(i);
    qsizetype end = i + 1;
    if (c == '/' && i + 1 < size && text.at(i + 1) == '/') {
      end = size;
      mark(i, end, TokenClass::Comment);
    } else if (c == '"') {
      const qsizetype close = text.indexOf('"', i + 1);
      end = close < 0 ? size : close + 1;
      mark(i, end, TokenClass::String);
    } else if (c.unicode() < 128 && c.isDigit()) {
      while (end < size && text.at(end).unicode() < 128 && text.at(end).isDigit()) ++end;
      mark(i, end, TokenClass::Number);
    } else if (Is_Name_Start(c)) {
      while (end < size && Is_Name_Part(text.at(end))) ++end;
      const QString word = text.mid(i, end - i);
      const QString lower = word.toLower();
      qsizetype next = end;
      while (next < size && text.at(next).isSpace()) ++next;
      std::optional<TokenClass> token_class;
      if (lower == "true" || lower == "false")
        token_class = TokenClass::Boolean;
      else if (header && lower == "routine")
        token_class = TokenClass::RoutineHeader;
      else if (header && !routine_header)
        token_class = TokenClass::SectionHeader;
      else if (routine_header)
        token_class = TokenClass::Routine;
      else if (next < size && text.at(next) == ':')
        token_class = TokenClass::Label;
      else if (Operation_Index(lower) >= 0)
        token_class = TokenClass::Operation;
      else if (lower == "white" || lower == "green" || lower == "red")
        token_class = TokenClass::Constant;
      else if (const auto found = symbol_classes_.constFind(word); found != symbol_classes_.cend())
        token_class = *found;
      if (token_class) mark(i, end, *token_class);
    } else if (header && (c == '[' || c == ']')) {
      mark(i, end, routine_header ? TokenClass::RoutineHeader : TokenClass::SectionHeader);
    }
    i = end;
  }
  return classes;
}

}  // namespace kx
