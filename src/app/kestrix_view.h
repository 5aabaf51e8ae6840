#pragma once

#include <QFont>
#include <QPlainTextEdit>
#include <memory>
#include <vector>

#include "app/live_analysis.h"
#include "app/script_completer.h"
#include "app/script_highlighter.h"

namespace kx {

class LineNumberArea;

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
//
// The editor analyses its text as it changes (LiveAnalysis) and shows the
// result: colours by token class, the build's error underlined with a wavy
// line and warnings with a dotted one, each marked in the gutter beside the
// line numbers and explained in a tooltip. The current line is highlighted;
// a new line takes the indent of the line above; completion follows typing.
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
  ~CKestrixView() override;

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
  // Inserts `text` (editor form) at the caret as one step, or beeps when it does not fit.
  void Insert_At_Caret(const QString& text);
  // True when replacing the selection of `cursor` with `text` (as the editor
  // holds it) keeps the stored size within kMaxTextSize.
  bool Fits(const QTextCursor& cursor, const QString& text) const;

  // Puts the caret at the start of the 1-based `line`; past the last line
  // break it stands at the start of the last line.
  void Go_To_Line(int line);
  // Puts the caret at the 1-based byte `column` of `line`.
  void Go_To(int line, int column);
  // Moves the caret to the build's error, or, when the script would build,
  // to the next warning after it (round to the first). False when there is none.
  bool Go_To_Next_Diagnostic();
  // Moves the caret to where the label, routine or symbol under it is
  // defined. False when there is none.
  bool Go_To_Definition();
  // The message of the diagnostic at the caret (in its span, or else on its
  // line, the error first); empty for none.
  QString Diagnostic_At_Caret() const;
  // The operation that the name at `cursor` names, as the catalogue spells
  // it; empty for none.
  QString Operation_At(const QTextCursor& cursor) const;

  // Puts "//" before the selected lines (the caret's line without a
  // selection) at their smallest indent, or, when every line that is not
  // blank starts with it, takes it away; one step to undo.
  void Toggle_Comment();

  void Set_Line_Numbers_Shown(bool shown);
  bool line_numbers_shown() const { return m_bLineNumbers; }

  LiveAnalysis& analysis() { return m_analysis; }
  ScriptHighlighter& highlighter() { return m_highlighter; }
  ScriptCompleter& completer() { return m_completer; }

 signals:
  // The diagnostics shown changed.
  void Diagnostics_Changed();

 protected:
  bool event(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  friend class LineNumberArea;

  // A diagnostic where it stands in the text; the cursor follows edits.
  struct Mark {
    QTextCursor span;
    bool error = false;
    QString message;
  };

  // Replaces the whole text by `text`, held as it is.
  void Set_Text(const QString& text);
  // The bytes the line end before `block` takes (0 for the first block).
  int Line_End_Size_Before(const QTextBlock& block) const;
  // Takes the latest analysis: colours, marks.
  void Show_Analysis();
  void Update_Extra_Selections();
  // The mark whose span holds `position`, else one on its line, errors first.
  const Mark* Mark_At(int position) const;
  int Line_Number_Width() const;
  void Paint_Line_Numbers(QPaintEvent* event);

  QFont m_font;
  bool m_bCrLf = true;        // the file's convention
  bool m_bOtherEnds = false;  // some line ends are not the convention (only a file read can have them)
  bool m_bLineNumbers = true;
  ScriptHighlighter m_highlighter;
  LiveAnalysis m_analysis;
  ScriptCompleter m_completer;
  std::unique_ptr<LineNumberArea> m_pLineNumbers;
  std::vector<Mark> m_aMarks;
};

}  // namespace kx
