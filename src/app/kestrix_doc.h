#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

namespace kx {

class CKestrixView;

// The script document. Its text lives in the editor view; the document
// knows the file: its path name and the bytes as last read or written.
//
// Files are read and written byte for byte: every byte is one character of
// the text (Latin-1) and every line keeps its own line end (the view keeps
// them), so a file is written back exactly as it was read except where it
// was edited. A file over the editor's
// limit (CKestrixView::kMaxTextSize bytes) is refused; saving replaces the
// file only when the whole text has been written (QSaveFile).
//
// While a file is open the document watches it: when another program
// changes it, the user is asked whether to read it again; when another
// program removes it, the user is told, and the text counts as modified. A
// save over a file that another program has changed asks first. The
// document's own saves ask nothing.
//
// Failures are shown to the user (prompts.h) and reported as false.
class CKestrixDoc : public QObject {
  Q_OBJECT

 public:
  // The 96 bytes a new script starts with.
  static const QByteArray kNewDocumentText;

  explicit CKestrixDoc(CKestrixView& view, QObject* parent = nullptr);

  // A new script: no path name, the new-document text, not modified.
  bool OnNewDocument();
  // A new script holding `bytes` (a DLL read back): no path name, modified.
  bool OnNewDocument(const QByteArray& bytes);
  // Reads the file at `path` into the editor (caret at the start, not
  // modified) and makes it the path name. On failure the editor is untouched.
  bool OnOpenDocument(const QString& path);
  // Writes the editor's text to `path`; the document is then not modified.
  bool OnSaveDocument(const QString& path);

  // The save command: under the path name, or through Save As when there is
  // none. False when the user cancels or the save fails.
  bool DoFileSave();
  // Saves under `path`, or, when it is empty, under a name the user chooses;
  // that name becomes the path name.
  bool DoSave(const QString& path);
  // With unsaved changes asks "Save changes to ...?": Yes saves, No
  // discards, Cancel keeps them. True when the caller may go on.
  bool SaveModified();

  bool IsModified() const;
  void SetModifiedFlag(bool modified);
  const QString& GetPathName() const { return m_strPathName; }
  // The file name, or "Untitled" for a script never saved.
  QString GetTitle() const;

  // The bytes the editor's text is stored as.
  QByteArray Stored_Bytes() const;

 signals:
  // The path name changed (open, Save As, new document).
  void Path_Name_Changed(const QString& path);

 private:
  void SetPathName(const QString& path);
  // Compares the file with the bytes last read or written, and asks.
  void Check_File_On_Disk();
  // True when the file at the path name no longer holds the bytes last read or written.
  bool Changed_On_Disk() const;
  // Puts the text of `bytes` into the editor and remembers the convention.
  void Load_Text(const QByteArray& bytes);

  CKestrixView& m_wndView;
  QString m_strPathName;
  QByteArray m_abFileBytes;  // the file as last read or written
  QFileSystemWatcher m_watcher;
  QTimer m_timerCheck;          // lets a program that writes the file finish first
  bool m_bAsked = false;        // the user was asked about the file as it is now
  QByteArray m_abAskedBytes;    // ... which then held these bytes
  bool m_bAskedExists = false;  // ... or did not exist
  bool m_bAsking = false;
};

}  // namespace kx
