#pragma once

#include <QFont>
#include <QPlainTextEdit>

#include "app/script_highlighter.h"

namespace kx {

// The script editor: plain 8-bit text (a byte is one character, Latin-1),
// wrapped at the widget's width with no horizontal scroll bar, in 11-point
// "Courier New" or, where that face is missing, the system's fixed-pitch font.
//
// Lines are the lines a build counts: a line ends at a line feed, and a
// carriage return directly before it belongs to that line end. Each line
// keeps its own line end, CR LF or LF, as the file had it; a line end typed
// or pasted takes the file's convention, the first line end of the file (CR
// LF for a file without one). Any other carriage return is an ordinary
// character of its line.
//
// The text never grows beyond kMaxTextSize bytes as stored: typing, pasting
// or dropping that would pass the limit is refused.
class CKestrixView : public QPlainTextEdit {
  Q_OBJECT

 public:
  static constexpr int kMaxTextSize = 1048575;
  // What the editor holds for a carriage return that ends no line: a
  // character of the private use area, which no file byte can stand for;
  // it is drawn as kLoneCarriageReturnSymbol.
  static constexpr QChar kLoneCarriageReturn = QChar(0xE00D);
  static constexpr QChar kLoneCarriageReturnSymbol = QChar(0x21B5);

  explicit CKestrixView(QWidget* parent = nullptr);

  // Replaces the whole text by the file `bytes`; the caret goes to the start,
  // the undo history is cleared and the text counts as unmodified.
  void Load_Bytes(const QByteArray& bytes);
  // The bytes the text is stored as: each line with its own line end.
  QByteArray Stored_Bytes() const;
  // The size of Stored_Bytes(), in bytes.
  qint64 Stored_Size() const;

  // Replaces the whole text, lines separated by "\n", each line end taking
  // the file's convention; otherwise as Load_Bytes.
  void SetWindowText(const QString& text);
  // The text exactly as held, lines separated by "\n".
  QString GetWindowText() const;

  // Inserts `text` at `cursor` in place of its selection: "\r\n" and "\n"
  // become line ends of the file's convention, any other carriage return
  // kLoneCarriageReturn. Every insertion of text goes through here.
  void Insert_Text(QTextCursor& cursor, QString text);

  // Puts the caret at the start of the 1-based `line`; past the last line
  // break it stands at the start of the last line.
  void Go_To_Line(int line);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  // True when replacing the selection with `text` keeps the stored size
  // within kMaxTextSize.
  bool Fits(const QString& text) const;
  // Replaces the whole text by `text`, held as it is.
  void Set_Text(const QString& text);
  // The bytes the line end before `block` takes (0 for the first block).
  int Line_End_Size_Before(const QTextBlock& block) const;

  QFont m_font;
  bool m_bCrLf = true;  // the file's convention
  ScriptHighlighter m_highlighter;
};

}  // namespace kx
