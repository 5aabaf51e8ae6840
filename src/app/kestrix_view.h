#pragma once

#include <QFont>
#include <QPlainTextEdit>

namespace kx {

// The script editor: plain 8-bit text, lines held with "\n" (the document
// restores the file's own line ends), wrapped at the widget's width with no
// horizontal scroll bar, in 11-point "Courier New" or, where that face is
// missing, the system's fixed-pitch font.
//
// The text never grows beyond kMaxTextSize bytes as stored: typing, pasting
// or dropping that would pass the limit is refused.
class CKestrixView : public QPlainTextEdit {
  Q_OBJECT

 public:
  static constexpr int kMaxTextSize = 1048575;

  explicit CKestrixView(QWidget* parent = nullptr);

  // Replaces the whole text; the caret goes to the start, the undo history
  // is cleared and the text counts as unmodified.
  void SetWindowText(const QString& text);
  // The text exactly as held, lines separated by "\n".
  QString GetWindowText() const;

  // The bytes each line end takes when stored (2 for CR LF, 1 for LF).
  void Set_Line_End_Size(int bytes) { m_nLineEndSize = bytes; }
  // The size of the text when stored, in bytes.
  qint64 Stored_Size() const;

  // Puts the caret at the start of the 1-based `line`; past the last line
  // break it stands at the start of the last line.
  void Go_To_Line(int line);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  // True when replacing the selection with `text` keeps the stored size
  // within kMaxTextSize.
  bool Fits(const QString& text) const;

  QFont m_font;
  int m_nLineEndSize = 2;
};

}  // namespace kx
