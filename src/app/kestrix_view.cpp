#include "app/kestrix_view.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>
#include <QToolTip>
#include <algorithm>
#include <climits>

#include "app/build_objects.h"

namespace kx {
namespace {

// A block format property: present on a block whose line end before it is
// not the file's convention; true for CR LF, false for LF.
constexpr int kCrLfBeforeProperty = QTextFormat::UserProperty + 1;

// A text as the editor holds it: line breaks as "\n", any carriage return
// that ends no line as the lone carriage return character.
QString Editor_Form(QString text) {
  text.replace("\r\n", "\n");
  text.replace('\r', CKestrixView::kLoneCarriageReturn);
  return text;
}

// 11-point "Courier New", or the system's fixed-pitch font at 11 points.
QFont Editor_Font() {
  if (QFontDatabase::hasFamily("Courier New")) return QFont("Courier New", 11);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(11);
  return fixed;
}

bool Is_Name_Part(QChar c) { return c == '_' || (c.unicode() < 128 && c.isLetterOrNumber()); }

bool Is_Blank(QChar c) { return c == ' ' || c == '\t'; }

// `colour` over `base` at `opacity`.
QColor Blend(const QColor& colour, const QColor& base, float opacity) {
  return QColor::fromRgbF(colour.redF() * opacity + base.redF() * (1 - opacity),
                          colour.greenF() * opacity + base.greenF() * (1 - opacity),
                          colour.blueF() * opacity + base.blueF() * (1 - opacity));
}

QColor Error_Colour() { return QColor(220, 40, 40); }
QColor Warning_Colour() { return QColor(200, 150, 20); }

}  // namespace

// The gutter: line numbers, the current one in bold, and a dot beside each
// line that holds a diagnostic. The editor paints it.
class LineNumberArea : public QWidget {
 public:
  explicit LineNumberArea(CKestrixView& view) : QWidget(&view), view_(view) { setObjectName("lineNumbers"); }
  QSize sizeHint() const override { return QSize(view_.Line_Number_Width(), 0); }

 protected:
  void paintEvent(QPaintEvent* event) override { view_.Paint_Line_Numbers(event); }

 private:
  CKestrixView& view_;
};

CKestrixView::CKestrixView(QWidget* parent)
    : QPlainTextEdit(parent),
      m_font(Editor_Font()),
      m_highlighter(document()),
      m_analysis(*this),
      m_completer(*this, m_analysis),
      m_pLineNumbers(std::make_unique<LineNumberArea>(*this)) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFont(m_font);
  // A tab stop every eight characters.
  setTabStopDistance(QFontMetricsF(m_font).horizontalAdvance(' ') * 8);
  m_highlighter.Set_Palette(palette());

  connect(this, &QPlainTextEdit::blockCountChanged, this,
          [this] { setViewportMargins(Line_Number_Width(), 0, 0, 0); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy != 0)
      m_pLineNumbers->scroll(0, dy);
    else
      m_pLineNumbers->update(0, rect.y(), m_pLineNumbers->width(), rect.height());
  });
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] {
    Update_Extra_Selections();
    m_pLineNumbers->update();
  });
  connect(&m_analysis, &LiveAnalysis::Analysis_Ready, this, &CKestrixView::Show_Analysis);
  setViewportMargins(Line_Number_Width(), 0, 0, 0);
  Update_Extra_Selections();
}

CKestrixView::~CKestrixView() {
  // The highlighter takes its formats away as it goes, which asks for a
  // repaint: that must come while the gutter still exists, and nothing of
  // this editor must answer the signals of what is destroyed after it.
  m_highlighter.setDocument(nullptr);
  disconnect(this, nullptr, this, nullptr);
}

void CKestrixView::Load_Bytes(const QByteArray& bytes) {
  const qsizetype first = bytes.indexOf('\n');
  m_bCrLf = first < 0 || (first > 0 && bytes.at(first - 1) == '\r');
  // The lines without their line ends; the lines after a line end other than the convention.
  QByteArray lines;
  lines.reserve(bytes.size());
  std::vector<int> others;
  int line = 0;
  for (qsizetype start = 0;;) {
    const qsizetype end = bytes.indexOf('\n', start);
    qsizetype stop = end < 0 ? bytes.size() : end;
    const bool crlf = end >= 0 && stop > start && bytes.at(stop - 1) == '\r';
    if (crlf) --stop;
    lines.append(bytes.constData() + start, stop - start);
    if (end < 0) break;
    lines += '\n';
    ++line;
    if (crlf != m_bCrLf) others.push_back(line);
    start = end + 1;
  }
  Set_Text(QString::fromLatin1(lines).replace('\r', kLoneCarriageReturn));
  m_bOtherEnds = !others.empty();
  if (others.empty()) return;
  document()->setUndoRedoEnabled(false);
  QTextBlockFormat other;
  other.setProperty(kCrLfBeforeProperty, !m_bCrLf);
  QTextCursor cursor(document());
  for (int block : others) {
    cursor.setPosition(document()->findBlockByNumber(block).position());
    cursor.setBlockFormat(other);
  }
  document()->setUndoRedoEnabled(true);
  document()->setModified(false);
  m_analysis.Analyse_Soon();
}

QByteArray CKestrixView::Stored_Bytes() const {
  // One pass over the whole text, the blocks separated by paragraph
  // separators; the blocks are visited only when line ends differ. The
  // analysis takes this snapshot on the user-interface thread.
  const QString text = document()->toRawText();
  QByteArray bytes(text.size() + (m_bCrLf || m_bOtherEnds ? document()->blockCount() : 0), Qt::Uninitialized);
  char* out = bytes.data();
  QTextBlock block = document()->begin();
  for (const QChar c : text) {
    if (c == QChar::ParagraphSeparator) {
      block = block.next();
      if (m_bOtherEnds ? Line_End_Size_Before(block) == 2 : m_bCrLf) *out++ = '\r';
      *out++ = '\n';
    } else {
      *out++ = c == kLoneCarriageReturn ? '\r' : c.unicode() <= 0xFF ? static_cast<char>(c.unicode()) : '?';
    }
  }
  bytes.truncate(out - bytes.data());
  return bytes;
}

qint64 CKestrixView::Stored_Size() const {
  const qint64 line_ends = document()->blockCount() - 1;
  qint64 size = document()->characterCount() - 1;  // a line end counted as one character
  if (!m_bOtherEnds) return size + (m_bCrLf ? line_ends : 0);
  for (QTextBlock block = document()->begin().next(); block.isValid(); block = block.next())
    size += Line_End_Size_Before(block) - 1;
  return size;
}

int CKestrixView::Line_End_Size_Before(const QTextBlock& block) const {
  if (!block.previous().isValid()) return 0;
  const QTextBlockFormat format = block.blockFormat();
  const bool crlf =
      format.hasProperty(kCrLfBeforeProperty) ? format.boolProperty(kCrLfBeforeProperty) : m_bCrLf;
  return crlf ? 2 : 1;
}

void CKestrixView::SetWindowText(const QString& text) {
  Set_Text(Editor_Form(text));
  m_bOtherEnds = false;
}

void CKestrixView::Set_Text(const QString& text) {
  m_highlighter.Hold(true);
  setPlainText(text);
  m_highlighter.Hold(false);
  moveCursor(QTextCursor::Start);
  document()->setModified(false);
  m_analysis.Analyse_Soon();  // the colours come with it
}

QString CKestrixView::GetWindowText() const {
  // toPlainText would turn no-break spaces (byte 0xA0) into blanks.
  QString text = document()->toRawText();
  text.replace(QChar::ParagraphSeparator, '\n');
  return text;
}

void CKestrixView::Insert_Text(QTextCursor& cursor, QString text) {
  text = Editor_Form(text);
  cursor.beginEditBlock();
  cursor.removeSelectedText();
  // A new block takes a format without the line-end property: the convention.
  qsizetype start = 0;
  for (qsizetype end = text.indexOf('\n'); end >= 0; end = text.indexOf('\n', start)) {
    if (end > start) cursor.insertText(text.mid(start, end - start));
    cursor.insertBlock(QTextBlockFormat());
    start = end + 1;
  }
  if (start < text.size()) cursor.insertText(text.mid(start));
  cursor.endEditBlock();
}

bool CKestrixView::Fits(const QTextCursor& cursor, const QString& text) const {
  qint64 removed = cursor.selectionEnd() - cursor.selectionStart();
  for (QTextBlock block = document()->findBlock(cursor.selectionStart()).next();
       block.isValid() && block.position() <= cursor.selectionEnd(); block = block.next())
    removed += Line_End_Size_Before(block) - 1;
  const qint64 added = text.size() + (m_bCrLf ? text.count('\n') : 0);
  // With every line end counted as two bytes the size is bounded from
  // above; only near the limit are the line ends counted one by one.
  const qint64 most = document()->characterCount() - 1 + document()->blockCount() - 1;
  if (most - removed + added <= kMaxTextSize) return true;
  return Stored_Size() - removed + added <= kMaxTextSize;
}

void CKestrixView::Go_To_Line(int line) {
  const int block = std::clamp(line - 1, 0, document()->blockCount() - 1);
  setTextCursor(QTextCursor(document()->findBlockByNumber(block)));
  ensureCursorVisible();
}

void CKestrixView::Go_To(int line, int column) {
  Go_To_Line(line);
  QTextCursor cursor = textCursor();
  cursor.setPosition(cursor.position() + std::clamp(column - 1, 0, cursor.block().length() - 1));
  setTextCursor(cursor);
  ensureCursorVisible();
}

bool CKestrixView::Go_To_Next_Diagnostic() {
  m_analysis.Current();
  if (m_aMarks.empty()) return false;
  // The error; else the first warning after the caret, or the first of all.
  const int caret = textCursor().position();
  const auto start = [](const Mark& mark) { return mark.span.selectionStart(); };
  const Mark* next = nullptr;
  for (const Mark& mark : m_aMarks) {
    if (mark.error) {
      next = &mark;
      break;
    }
    const bool after = start(mark) > caret;
    if (next == nullptr || (after && (start(*next) <= caret || start(mark) < start(*next))) ||
        (!after && start(*next) <= caret && start(mark) < start(*next)))
      next = &mark;
  }
  QTextCursor cursor = textCursor();
  cursor.setPosition(start(*next));
  setTextCursor(cursor);
  ensureCursorVisible();
  return true;
}

bool CKestrixView::Go_To_Definition() {
  const std::shared_ptr<const ScriptAnalysis> analysis = m_analysis.Current();
  const QTextCursor cursor = textCursor();
  const int symbol = analysis->Symbol_At(cursor.blockNumber() + 1, cursor.positionInBlock() + 1);
  if (symbol < 0) return false;
  const ScriptSymbol& definition = analysis->symbols()[static_cast<std::size_t>(symbol)];
  Go_To(definition.line, definition.column);
  return true;
}

const CKestrixView::Mark* CKestrixView::Mark_At(int position) const {
  const Mark* on_line = nullptr;
  const QTextBlock block = document()->findBlock(position);
  for (const Mark& mark : m_aMarks) {
    if (mark.span.selectionStart() <= position && position <= mark.span.selectionEnd()) return &mark;
    if (mark.span.block() == block && (on_line == nullptr || (mark.error && !on_line->error)))
      on_line = &mark;
  }
  return on_line;
}

QString CKestrixView::Diagnostic_At_Caret() const {
  const Mark* mark = Mark_At(textCursor().position());
  return mark != nullptr ? mark->message : QString();
}

QString CKestrixView::Operation_At(const QTextCursor& cursor) const {
  const QString text = cursor.block().text();
  int start = cursor.positionInBlock();
  int end = start;
  while (start > 0 && Is_Name_Part(text.at(start - 1))) --start;
  while (end < text.size() && Is_Name_Part(text.at(end))) ++end;
  const int operation = Operation_Index(text.mid(start, end - start));
  if (operation < 0) return QString();
  // Where the analysis knows the text, the name must stand where an operation does.
  const std::shared_ptr<const ScriptAnalysis>& analysis = m_analysis.latest();
  if (analysis && m_analysis.Is_Current()) {
    const int token = analysis->Token_At(cursor.blockNumber() + 1, start + 1);
    if (token < 0 || analysis->tokens()[static_cast<std::size_t>(token)].token_class != TokenClass::Operation)
      return QString();
  }
  return QString::fromLatin1(kOpcodeTable[static_cast<std::size_t>(operation)].name);
}

void CKestrixView::Toggle_Comment() {
  const QTextCursor selection = textCursor();
  const QTextBlock first = document()->findBlock(selection.selectionStart());
  QTextBlock last = document()->findBlock(selection.selectionEnd());
  // A selection that ends at the start of a line leaves that line out.
  if (last != first && selection.selectionEnd() == last.position()) last = last.previous();
  const auto indent_of = [](const QString& text) {
    int indent = 0;
    while (indent < text.size() && Is_Blank(text.at(indent))) ++indent;
    return indent;
  };
  bool commented = true;
  int indent = INT_MAX;
  int lines = 0;
  for (QTextBlock block = first;; block = block.next()) {
    const QString text = block.text();
    const int blanks = indent_of(text);
    if (blanks < text.size()) {
      indent = std::min(indent, blanks);
      commented = commented && text.mid(blanks).startsWith("//");
      ++lines;
    }
    if (block == last) break;
  }
  if (lines == 0) return;
  if (!commented && !Fits(QTextCursor(document()), QString(2 * lines, 'x'))) {
    QApplication::beep();
    return;
  }
  QTextCursor edit(document());
  edit.beginEditBlock();
  for (QTextBlock block = first;; block = block.next()) {
    const QString text = block.text();
    const int blanks = indent_of(text);
    if (blanks < text.size()) {
      edit.setPosition(block.position() + (commented ? blanks : indent));
      if (commented) edit.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 2);
      edit.insertText(commented ? QString() : QString("//"));
    }
    if (block == last) break;
  }
  edit.endEditBlock();
}

void CKestrixView::Set_Line_Numbers_Shown(bool shown) {
  m_bLineNumbers = shown;
  m_pLineNumbers->setVisible(shown);
  setViewportMargins(Line_Number_Width(), 0, 0, 0);
}

void CKestrixView::Show_Analysis() {
  const std::shared_ptr<const ScriptAnalysis>& analysis = m_analysis.latest();
  m_highlighter.Set_Analysis(analysis, firstVisibleBlock().blockNumber());
  m_aMarks.clear();
  const auto add = [this](const ScriptDiagnostic& diagnostic) {
    if (diagnostic.line < 1 || diagnostic.line > blockCount()) return;
    const QTextBlock block = document()->findBlockByNumber(diagnostic.line - 1);
    const int last = block.length() - 1;
    int start = std::clamp(diagnostic.column - 1, 0, last);
    const int end = std::min(start + std::max(diagnostic.length, 1), last);
    if (end == start && start > 0) --start;  // at the end of a line: its last character
    Mark mark{QTextCursor(document()), diagnostic.severity == DiagnosticSeverity::Error,
              QString::fromLatin1(diagnostic.message)};
    mark.span.setPosition(block.position() + start);
    mark.span.setPosition(block.position() + std::max(start, end), QTextCursor::KeepAnchor);
    m_aMarks.push_back(mark);
  };
  if (analysis->error()) add(*analysis->error());
  for (const ScriptDiagnostic& warning : analysis->warnings()) add(warning);
  Update_Extra_Selections();
  m_pLineNumbers->update();
  emit Diagnostics_Changed();
}

void CKestrixView::Update_Extra_Selections() {
  QList<QTextEdit::ExtraSelection> selections;
  QTextEdit::ExtraSelection line;
  line.format.setBackground(
      Blend(palette().color(QPalette::Highlight), palette().color(QPalette::Base), 0.12f));
  line.format.setProperty(QTextFormat::FullWidthSelection, true);
  line.cursor = textCursor();
  line.cursor.clearSelection();
  selections << line;
  for (const Mark& mark : m_aMarks) {
    QTextEdit::ExtraSelection underline;
    underline.cursor = mark.span;
    underline.format.setUnderlineStyle(mark.error ? QTextCharFormat::WaveUnderline
                                                  : QTextCharFormat::DotLine);
    underline.format.setUnderlineColor(mark.error ? Error_Colour() : Warning_Colour());
    selections << underline;
  }
  setExtraSelections(selections);
}

int CKestrixView::Line_Number_Width() const {
  if (!m_bLineNumbers) return 0;
  const int digits = QString::number(std::max(blockCount(), 100)).size();
  const QFontMetrics metrics(m_font);
  // The dot of a diagnostic, the digits, a gap.
  return metrics.height() / 2 + 4 + metrics.horizontalAdvance(QLatin1Char('9')) * digits + 6;
}

void CKestrixView::Paint_Line_Numbers(QPaintEvent* event) {
  QPainter painter(m_pLineNumbers.get());
  const QPalette& colours = palette();
  painter.fillRect(event->rect(), Blend(colours.color(QPalette::Text), colours.color(QPalette::Base), 0.05f));
  // The lines that hold diagnostics, the error's last.
  std::vector<std::pair<int, bool>> marked;
  for (const Mark& mark : m_aMarks) marked.emplace_back(mark.span.blockNumber(), mark.error);
  std::sort(marked.begin(), marked.end());
  const int current = textCursor().blockNumber();
  const QFontMetrics metrics(m_font);
  const int dot = metrics.height() / 2;
  QFont bold = m_font;
  bold.setBold(true);
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
    if (box.top() > event->rect().bottom()) break;
    if (!block.isVisible() || box.bottom() < event->rect().top()) continue;
    const int number = block.blockNumber();
    const int top = static_cast<int>(box.top());
    painter.setFont(number == current ? bold : m_font);
    painter.setPen(Blend(colours.color(QPalette::Text), colours.color(QPalette::Base),
                         number == current ? 1.0f : 0.55f));
    painter.drawText(0, top, m_pLineNumbers->width() - 6, metrics.height(), Qt::AlignRight,
                     QString::number(number + 1));
    const auto found = std::lower_bound(marked.begin(), marked.end(), std::make_pair(number, false));
    if (found == marked.end() || found->first != number) continue;
    const bool error =
        std::any_of(found, marked.end(), [number](const auto& m) { return m.first == number && m.second; });
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(error ? Error_Colour() : Warning_Colour());
    painter.drawEllipse(QRectF(3, top + (metrics.height() - dot) / 2.0, dot, dot));
    painter.setRenderHint(QPainter::Antialiasing, false);
  }
}

bool CKestrixView::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    // Over a diagnostic its message; over an operation its synopsis.
    const auto* help = static_cast<QHelpEvent*>(event);
    const QTextCursor cursor = cursorForPosition(viewport()->mapFrom(this, help->pos()));
    QString tip;
    for (const Mark& mark : m_aMarks)
      if (mark.span.selectionStart() <= cursor.position() && cursor.position() < mark.span.selectionEnd() &&
          (tip.isEmpty() || mark.error))
        tip = mark.message;
    if (const QString operation = Operation_At(cursor); tip.isEmpty() && !operation.isEmpty())
      tip = QString::fromLatin1(g_OperationCatalogue.Synopsis(operation.toStdString()));
    if (tip.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), tip, this);
    return true;
  }
  return QPlainTextEdit::event(event);
}

void CKestrixView::changeEvent(QEvent* event) {
  QPlainTextEdit::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    m_highlighter.Set_Palette(palette());
    Update_Extra_Selections();
  }
}

void CKestrixView::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect area = contentsRect();
  m_pLineNumbers->setGeometry(QRect(area.left(), area.top(), Line_Number_Width(), area.height()));
}

void CKestrixView::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  // While the completion list is open it takes these keys itself.
  if (m_completer.Is_Open() && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape ||
                                key == Qt::Key_Tab || key == Qt::Key_Backtab)) {
    event->ignore();
    return;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    // With or without Shift: a line end, never a line break within the line;
    // the new line takes the indent of the line above.
    QTextCursor cursor = textCursor();
    const QString line = cursor.block().text();
    int indent = 0;
    while (indent < cursor.positionInBlock() && Is_Blank(line.at(indent))) ++indent;
    Insert_At_Caret("\n" + line.left(indent));
    return;
  }
  const QString typed = event->text();
  const bool inserts = !typed.isEmpty() && (typed == "\t" || typed.at(0).isPrint());
  if (inserts && !Fits(textCursor(), typed)) {
    QApplication::beep();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
  if (!typed.isEmpty()) m_completer.After_Key(typed);
}

void CKestrixView::paintEvent(QPaintEvent* event) {
  QPlainTextEdit::paintEvent(event);
  // Each lone carriage return as a symbol in its character's cell.
  QPainter painter(viewport());
  painter.setPen(Blend(palette().color(QPalette::Text), palette().color(QPalette::Base), 0.6f));
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QPointF origin = blockBoundingGeometry(block).translated(contentOffset()).topLeft();
    if (origin.y() > event->rect().bottom()) break;
    const QString text = block.text();
    for (qsizetype i = text.indexOf(kLoneCarriageReturn); i >= 0;
         i = text.indexOf(kLoneCarriageReturn, i + 1)) {
      const QTextLine line = block.layout()->lineForTextPosition(static_cast<int>(i));
      if (!line.isValid()) continue;
      const qreal left = line.cursorToX(static_cast<int>(i));
      const qreal right = line.cursorToX(static_cast<int>(i) + 1);
      const QPointF corner = origin + block.layout()->position() + QPointF(left, line.y());
      painter.drawText(QRectF(corner, QSizeF(right - left, line.height())), Qt::AlignCenter,
                       QString(kLoneCarriageReturnSymbol));
    }
  }
}

bool CKestrixView::canInsertFromMimeData(const QMimeData* source) const { return source->hasText(); }

void CKestrixView::insertFromMimeData(const QMimeData* source) {
  if (!source->hasText()) return;
  Insert_At_Caret(Editor_Form(source->text()));
}

void CKestrixView::Insert_At_Caret(const QString& text) {
  QTextCursor cursor = textCursor();
  if (!Fits(cursor, text)) {
    QApplication::beep();
    return;
  }
  Insert_Text(cursor, text);
  setTextCursor(cursor);
  ensureCursorVisible();
}

}  // namespace kx
