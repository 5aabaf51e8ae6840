#include "app/kestrix_doc.h"

#include <sys/resource.h>

#include <QClipboard>
#include <QDir>
#include <QTextBlock>
#include <QtTest>
#include <csignal>

#include "app/app_testing.h"
#include "app/kestrix_view.h"

namespace kx {

using testing::Read_File;
using testing::ScriptedPrompts;

class KestrixDocTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void newDocument();
  void roundTrip_data();
  void roundTrip();
  void tooLargeFile();
  void saveFailure();
  void failedSaveKeepsTheOldFile_data();
  void failedSaveKeepsTheOldFile();
  void saveModified_data();
  void saveModified();
  void typingLimit();
  void goToLine_data();
  void goToLine();

 private:
  QString Write(const QString& name, const QByteArray& bytes) {
    QFile file(m_dir->filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return file.fileName();
  }

  std::unique_ptr<QTemporaryDir> m_dir;
  std::unique_ptr<CKestrixView> m_view;
  std::unique_ptr<CKestrixDoc> m_doc;
};

void KestrixDocTest::init() {
  m_dir = std::make_unique<QTemporaryDir>();
  m_view = std::make_unique<CKestrixView>();
  m_doc = std::make_unique<CKestrixDoc>(*m_view);
  m_doc->OnNewDocument();
}

void KestrixDocTest::cleanup() {
  m_doc.reset();
  m_view.reset();
  m_dir.reset();
}

void KestrixDocTest::newDocument() {
  const QByteArray expected =
      "\r\n[objects]\r\n\r\n\r\n\r\n[positions]\r\n\r\n\r\n\r\n[variables]\r\n\r\n\r\n\r\n[text]"
      "\r\n\r\n\r\n\r\n"
      "[routine,Main,1,true]\r\n\r\n";
  QCOMPARE(expected.size(), 96);
  QCOMPARE(m_doc->Stored_Bytes(), expected);
  QVERIFY(m_view->GetWindowText().startsWith("\n[objects]\n\n\n\n[positions]"));
  QCOMPARE(m_view->textCursor().position(), 0);
  QVERIFY(!m_doc->IsModified());
  QCOMPARE(m_doc->GetTitle(), QString("Untitled"));

  const QString path = m_dir->filePath("new.kxs");
  QVERIFY(m_doc->DoSave(path));
  QCOMPARE(Read_File(path), expected);
  QCOMPARE(m_doc->GetPathName(), path);
  QCOMPARE(m_doc->GetTitle(), QString("new.kxs"));
}

void KestrixDocTest::roundTrip_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QByteArray>("line_end");  // of a line typed at the end; empty: not typed
  QByteArray high;
  for (int byte = 0x80; byte <= 0xFF; ++byte) high += static_cast<char>(byte);
  QByteArray every_byte;  // but the line ends
  for (int byte = 0; byte <= 0xFF; ++byte)
    if (byte != '\n' && byte != '\r') every_byte += static_cast<char>(byte);

  QTest::newRow("LF") << QByteArray("[objects]\ntank\n\n[routine,Main,1,true]\nWait,5\n") << QByteArray("\n");
  QTest::newRow("CR LF") << QByteArray("[objects]\r\ntank\r\n\r\n[routine,Main,1,true]\r\nWait,5\r\n")
                         << QByteArray("\r\n");
  QTest::newRow("bytes above 127, no-break space included")
      << "text, \"" + high + "\"\r\n" + high << QByteArray("\r\n");
  QTest::newRow("every byte but the line ends") << every_byte + "\n" << QByteArray("\n");
  QTest::newRow("no final line end takes CR LF") << QByteArray("[objects]") << QByteArray("\r\n");
  QTest::newRow("mixed line ends") << QByteArray("one\r\ntwo\nthree\r\n") << QByteArray();
  QTest::newRow("lone carriage return") << QByteArray("one\rtwo\r\n") << QByteArray();
  QTest::newRow("empty") << QByteArray() << QByteArray("\r\n");
}

// A file opened and saved without edits is written back byte for byte; an
// edited text is stored with the file's own line ends, bytes above 127 intact.
void KestrixDocTest::roundTrip() {
  QFETCH(QByteArray, bytes);
  QFETCH(QByteArray, line_end);
  QVERIFY(m_doc->OnOpenDocument(Write("in.kxs", bytes)));
  QVERIFY(!m_doc->IsModified());
  const QString out = m_dir->filePath("out.kxs");
  QVERIFY(m_doc->DoSave(out));
  QCOMPARE(Read_File(out), bytes);
  if (line_end.isEmpty()) return;

  m_view->moveCursor(QTextCursor::End);
  m_view->insertPlainText(QString::fromLatin1("\xe9t\xe9\n"));
  QVERIFY(m_doc->IsModified());
  QVERIFY(m_doc->DoFileSave());
  QCOMPARE(Read_File(out), bytes + "\xe9t\xe9" + line_end);
  QVERIFY(!m_doc->IsModified());
}

void KestrixDocTest::tooLargeFile() {
  ScriptedPrompts prompts;
  const QString fits = Write("fits.kxs", QByteArray(CKestrixDoc::kMaxFileSize, 'a'));
  QVERIFY(m_doc->OnOpenDocument(fits));
  QCOMPARE(m_doc->Stored_Bytes().size(), CKestrixDoc::kMaxFileSize);

  QVERIFY(m_doc->OnNewDocument());
  const QString large = Write("large.kxs", QByteArray(CKestrixDoc::kMaxFileSize + 1, 'a'));
  QVERIFY(!m_doc->OnOpenDocument(large));
  QCOMPARE(prompts.message_texts(), QStringList{"The file is too large to open."});
  // The editor keeps what it held.
  QCOMPARE(m_doc->Stored_Bytes(), CKestrixDoc::kNewDocumentText);
  QCOMPARE(m_doc->GetPathName(), QString());
}

void KestrixDocTest::saveFailure() {
  ScriptedPrompts prompts;
  const QString path = m_dir->filePath("missing/folder/script.kxs");
  m_view->insertPlainText("x");
  QVERIFY(!m_doc->DoSave(path));
  QCOMPARE(prompts.messages.size(), 1);
  QVERIFY2(prompts.messages[0].text.startsWith("Cannot write file " + QDir::toNativeSeparators(path) + ":\n"),
           qPrintable(prompts.messages[0].text));
  QVERIFY(m_doc->IsModified());
  QCOMPARE(m_doc->GetPathName(), QString());

  // A folder is not replaced by a file.
  QVERIFY(!m_doc->DoSave(m_dir->path()));
  QCOMPARE(prompts.messages.size(), 2);
  QVERIFY(QFileInfo(m_dir->path()).isDir());
}

// A save that fails says why and leaves the file as it was, the text in the
// editor and the document modified.
void KestrixDocTest::failedSaveKeepsTheOldFile_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("reason");  // the message after "Cannot write file PATH:\n"
  QTest::newRow("a character beyond 8 bits")
      << QString("Wait,1\nAudio,\"caf\u00e9 \u20ac\"\n")
      << QString("line 3 holds the character \"\u20ac\", which a script file cannot store.");
  QTest::newRow("one beyond 16 bits")
      << QString("\U0001F600")
      << QString("line 2 holds the character \"\U0001F600\", which a script file cannot store.");
  // The system cuts the write short; the part written never replaces the file.
  QTest::newRow("the file cannot grow") << QString(200, 'x') << QString("File too large.");
}

void KestrixDocTest::failedSaveKeepsTheOldFile() {
  QFETCH(QString, typed);
  QFETCH(QString, reason);
  ScriptedPrompts prompts;
  const QByteArray old = "Wait,5\r\n";
  const QString path = Write("script.kxs", old);
  QVERIFY(m_doc->OnOpenDocument(path));
  m_view->moveCursor(QTextCursor::End);
  m_view->insertPlainText(typed);
  const QString text = m_view->GetWindowText();

  // Files may not grow past 64 bytes while the save runs.
  rlimit previous{};
  getrlimit(RLIMIT_FSIZE, &previous);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = previous;
  limited.rlim_cur = 64;
  if (QTest::currentDataTag() == QByteArray("the file cannot grow")) setrlimit(RLIMIT_FSIZE, &limited);
  const bool saved = m_doc->DoFileSave();
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, old_handler);

  QVERIFY(!saved);
  QCOMPARE(prompts.messages.size(), 1);
  const QString head = "Cannot write file " + QDir::toNativeSeparators(path) + ":\n";
  QCOMPARE(prompts.messages[0].text, head + reason);
  QCOMPARE(Read_File(path), old);
  QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"script.kxs"});
  QCOMPARE(m_view->GetWindowText(), text);
  QVERIFY(m_doc->IsModified());
  QCOMPARE(m_doc->GetPathName(), path);
}

void KestrixDocTest::saveModified_data() {
  QTest::addColumn<bool>("named");
  QTest::addColumn<bool>("modified");
  QTest::addColumn<int>("answer");
  QTest::addColumn<QString>("save_as");
  QTest::addColumn<bool>("goes_on");
  QTest::addColumn<QByteArray>("file");  // of the named script afterwards

  const QByteArray original = "Wait,5\n";
  const QByteArray edited = "edit Wait,5\n";
  QTest::newRow("unmodified: no question")
      << true << false << int(QMessageBox::Cancel) << "" << true << original;
  QTest::newRow("Yes saves") << true << true << int(QMessageBox::Yes) << "" << true << edited;
  QTest::newRow("No discards") << true << true << int(QMessageBox::No) << "" << true << original;
  QTest::newRow("Cancel keeps") << true << true << int(QMessageBox::Cancel) << "" << false << original;
  QTest::newRow("Yes, untitled, Save As cancelled")
      << false << true << int(QMessageBox::Yes) << "" << false << original;
  QTest::newRow("Yes, untitled, saved as")
      << false << true << int(QMessageBox::Yes) << "saved.kxs" << true << original;
}

void KestrixDocTest::saveModified() {
  QFETCH(bool, named);
  QFETCH(bool, modified);
  QFETCH(int, answer);
  QFETCH(QString, save_as);
  QFETCH(bool, goes_on);
  QFETCH(QByteArray, file);

  ScriptedPrompts prompts;
  prompts.answer = static_cast<QMessageBox::StandardButton>(answer);
  prompts.save_answer = save_as.isEmpty() ? QString() : m_dir->filePath(save_as);
  const QString path = Write("script.kxs", "Wait,5\n");
  if (named) QVERIFY(m_doc->OnOpenDocument(path));
  if (modified) m_view->insertPlainText("edit ");

  QCOMPARE(m_doc->SaveModified(), goes_on);
  QCOMPARE(Read_File(path), file);
  if (!modified) {
    QVERIFY(prompts.messages.isEmpty());
    return;
  }
  const QString name = named ? QDir::toNativeSeparators(path) : QString("Untitled");
  QCOMPARE(prompts.message_texts(), QStringList{"Save changes to " + name + "?"});
  QCOMPARE(prompts.messages[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  if (!save_as.isEmpty()) QVERIFY(Read_File(m_dir->filePath(save_as)).startsWith("edit \r\n[objects]"));
}

// The text never grows past 1,048,575 bytes as stored, CR LF counting two.
void KestrixDocTest::typingLimit() {
  const QString line = QString(98, 'a') + '\n';  // 100 bytes stored
  QString text = line.repeated(10485);           // 1,048,500 bytes
  text += QString(74, 'b');                      // 1,048,574 bytes
  m_view->SetWindowText(text);
  m_view->SetLineEndSize(2);
  m_view->moveCursor(QTextCursor::End);
  QCOMPARE(m_view->Stored_Size(), qint64(1048574));

  QTest::keyClick(m_view.get(), Qt::Key_Return);  // two more bytes: refused
  QCOMPARE(m_view->Stored_Size(), qint64(1048574));
  QTest::keyClick(m_view.get(), Qt::Key_C);
  QCOMPARE(m_view->Stored_Size(), qint64(1048575));
  QTest::keyClick(m_view.get(), Qt::Key_D);
  QCOMPARE(m_view->Stored_Size(), qint64(1048575));

  QGuiApplication::clipboard()->setText("xy");
  m_view->paste();
  QCOMPARE(m_view->Stored_Size(), qint64(1048575));
  // Replacing a selection by something no longer fits.
  m_view->moveCursor(QTextCursor::Left, QTextCursor::KeepAnchor);
  m_view->moveCursor(QTextCursor::Left, QTextCursor::KeepAnchor);
  m_view->paste();
  QCOMPARE(m_view->Stored_Size(), qint64(1048575));
  QVERIFY(m_view->GetWindowText().endsWith("bxy"));
}

void KestrixDocTest::goToLine_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("line");
  QTest::addColumn<int>("position");
  QTest::newRow("line 1") << "one\ntwo\nthree\n" << 1 << 0;
  QTest::newRow("line 3") << "one\ntwo\nthree\n" << 3 << 8;
  QTest::newRow("past the end, final line feed") << "one\ntwo\n" << 12 << 8;
  QTest::newRow("past the end, no final line feed") << "one\ntwo" << 12 << 4;
}

void KestrixDocTest::goToLine() {
  QFETCH(QString, text);
  QFETCH(int, line);
  QFETCH(int, position);
  m_view->SetWindowText(text);
  m_view->moveCursor(QTextCursor::End);
  m_view->GoToLine(line);
  QCOMPARE(m_view->textCursor().position(), position);
  QVERIFY(!m_view->textCursor().hasSelection());
}

}  // namespace kx

QTEST_MAIN(kx::KestrixDocTest)
#include "kestrix_doc_test.moc"
