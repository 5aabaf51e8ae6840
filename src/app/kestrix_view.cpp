#include "app/kestrix_view.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <algorithm>

namespace kx {
namespace {

// The stored size of a text held with "\n" line ends.
qint64 Stored_Size_Of(const QString& text, int line_end_size) {
  return text.size() + text.count('\n') * (line_end_size - 1);
}

// 11-point "Courier New", or the system's fixed-pitch font at 11 points.
QFont Editor_Font() {
  if (QFontDatabase::hasFamily("Courier New")) return QFont("Courier New", 11);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(11);
  return fixed;
}

}  // namespace

CKestrixView::CKestrixView(QWidget* parent) : QPlainTextEdit(parent), m_font(Editor_Font()) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFont(m_font);
  // A tab stop every eight characters.
  setTabStopDistance(QFontMetricsF(m_font).horizontalAdvance(' ') * 8);
}

void CKestrixView::SetWindowText(const QString& text) {
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

qint64 CKestrixView::Stored_Size() const {
  return document()->characterCount() - 1 + qint64(document()->blockCount() - 1) * (m_nLineEndSize - 1);
}

bool CKestrixView::Fits(const QString& text) const {
  QString selected = textCursor().selectedText();
  selected.replace(QChar::ParagraphSeparator, '\n');
  return Stored_Size() - Stored_Size_Of(selected, m_nLineEndSize) + Stored_Size_Of(text, m_nLineEndSize) <=
         kMaxTextSize;
}

void CKestrixView::Go_To_Line(int line) {
  const int block = std::clamp(line - 1, 0, document()->blockCount() - 1);
  setTextCursor(QTextCursor(document()->findBlockByNumber(block)));
  ensureCursorVisible();
}

void CKestrixView::keyPressEvent(QKeyEvent* event) {
  QString typed = event->text();
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) typed = "\n";
  const bool inserts = !typed.isEmpty() && (typed == "\n" || typed == "\t" || typed.at(0).isPrint());
  if (inserts && !Fits(typed)) {
    QApplication::beep();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

bool CKestrixView::canInsertFromMimeData(const QMimeData* source) const { return source->hasText(); }

void CKestrixView::insertFromMimeData(const QMimeData* source) {
  if (!source->hasText()) return;
  QString text = source->text();
  text.replace("\r\n", "\n");
  if (!Fits(text)) {
    QApplication::beep();
    return;
  }
  textCursor().insertText(text);
  ensureCursorVisible();
}

}  // namespace kx
