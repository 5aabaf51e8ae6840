#include "app/kestrix_view.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>
#include <algorithm>
#include <vector>

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

}  // namespace

CKestrixView::CKestrixView(QWidget* parent)
    : QPlainTextEdit(parent), m_font(Editor_Font()), m_highlighter(document()) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFont(m_font);
  // A tab stop every eight characters.
  setTabStopDistance(QFontMetricsF(m_font).horizontalAdvance(' ') * 8);
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
}

QByteArray CKestrixView::Stored_Bytes() const {
  QByteArray bytes;
  bytes.reserve(document()->characterCount() + document()->blockCount());
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    const int line_end = Line_End_Size_Before(block);
    if (line_end > 0) bytes += line_end == 2 ? "\r\n" : "\n";
    QString text = block.text();
    text.replace(kLoneCarriageReturn, '\r');
    bytes += text.toLatin1();
  }
  return bytes;
}

qint64 CKestrixView::Stored_Size() const {
  qint64 size = document()->characterCount() - 1;  // a line end counted as one character
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

void CKestrixView::SetWindowText(const QString& text) { Set_Text(Editor_Form(text)); }

void CKestrixView::Set_Text(const QString& text) {
  setPlainText(text);
  moveCursor(QTextCursor::Start);
  document()->setModified(false);
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

bool CKestrixView::Fits(const QString& text) const {
  const QTextCursor cursor = textCursor();
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

void CKestrixView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    // With or without Shift: a line end, never a line break within the line.
    if (!Fits("\n")) {
      QApplication::beep();
      return;
    }
    QTextCursor cursor = textCursor();
    Insert_Text(cursor, "\n");
    setTextCursor(cursor);
    ensureCursorVisible();
    return;
  }
  const QString typed = event->text();
  const bool inserts = !typed.isEmpty() && (typed == "\t" || typed.at(0).isPrint());
  if (inserts && !Fits(typed)) {
    QApplication::beep();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void CKestrixView::paintEvent(QPaintEvent* event) {
  QPlainTextEdit::paintEvent(event);
  // Each lone carriage return as a symbol in its character's cell.
  QPainter painter(viewport());
  QColor symbol = palette().color(QPalette::Text);
  symbol.setAlphaF(0.6f);
  painter.setPen(symbol);
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
  const QString text = Editor_Form(source->text());
  if (!Fits(text)) {
    QApplication::beep();
    return;
  }
  QTextCursor cursor = textCursor();
  Insert_Text(cursor, text);
  setTextCursor(cursor);
  ensureCursorVisible();
}

}  // namespace kx
