#include <QClipboard>
#include <QDir>
#include <QTextBlock>
#include <QtTest>

#include "app/app_testing.h"
#include "app/kestrix_doc.h"
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
  void editsKeepLineEnds_data();
  void editsKeepLineEnds();
  void tooLargeFile();
  void saveFailure();
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
      "\r\n[objects]\r\n\r\n\r\n\r\n[positions]\r\n\r\n\r\n\r\n[variables]\r\n\r\n\r\n\r\n[text]\r\n\r\n\r\n\r\n"
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
  QByteArray high;
  for (int byte = 0x80; byte <= 0xFF; ++byte) high += static_cast<char>(byte);
  QByteArray controls;
  for (int byte = 1; byte < 0x20; ++byte)
    if (byte != '\n' && byte != '\r') controls += static_cast<char>(byte);

  QTest::newRow("LF") << QByteArray("[objects]\ntank\n\n[routine,Main,1,true]\nWait,5\n");
  QTest::newRow("CR LF") << QByteArray("[objects]\r\ntank\r\n\r\n[routine,Main,1,true]\r\nWait,5\r\n");
  QTest::newRow("bytes above 127, no-break space included") << "text, \"" + high + "\"\r\n" + high;
  QTest::newRow("control characters") << "a" + controls + "\nb\n";
  QTest::newRow("no final line end") << QByteArray("[objects]\r\ntank");
  QTest::newRow("mixed line ends") << QByteArray("one\r\ntwo\nthree\r\n");
  QTest::newRow("lone carriage return") << QByteArray("one\rtwo\r\n");
  QTest::newRow("empty") << QByteArray();
}

// A file opened and saved without edits is written back byte for byte.
void KestrixDocTest::roundTrip() {
  QFETCH(QByteArray, bytes);
  QVERIFY(m_doc->OnOpenDocument(Write("in.kxs", bytes)));
  QVERIFY(!m_doc->IsModified());
  const QString out = m_dir->filePath("out.kxs");
  QVERIFY(m_doc->DoSave(out));
  QCOMPARE(Read_File(out), bytes);
}

void KestrixDocTest::editsKeepLineEnds_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QByteArray>("expected");
  QTest::newRow("CR LF") << QByteArray("[objects]\r\ntank\r\n") << QByteArray("[objects]\r\ntank\r\n\xe9t\xe9\r\n");
  QTest::newRow("LF") << QByteArray("[objects]\ntank\n") << QByteArray("[objects]\ntank\n\xe9t\xe9\n");
  QTest::newRow("no line end takes CR LF") << QByteArray("[objects]") << QByteArray("[objects]\xe9t\xe9\r\n");
  QByteArray every_byte;
  for (int byte = 0; byte <= 0xFF; ++byte)
    if (byte != '\n' && byte != '\r') every_byte += static_cast<char>(byte);
  QTest::newRow("every byte but the line ends") << every_byte + "\r\n"
                                                << every_byte + "\r\n\xe9t\xe9\r\n";
}

// An edited text is stored with the file's own line ends, bytes above 127 intact.
void KestrixDocTest::editsKeepLineEnds() {
  QFETCH(QByteArray, bytes);
  QFETCH(QByteArray, expected);
  QVERIFY(m_doc->OnOpenDocument(Write("in.kxs", bytes)));
  m_view->moveCursor(QTextCursor::End);
  m_view->insertPlainText(QString::fromLatin1("\xe9t\xe9\n"));
  QVERIFY(m_doc->IsModified());
  QVERIFY(m_doc->DoFileSave());
  QCOMPARE(Read_File(m_doc->GetPathName()), expected);
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

void KestrixDocTest::saveModified_data() {
  QTest::addColumn<bool>("named");
  QTest::addColumn<bool>("modified");
  QTest::addColumn<int>("answer");
  QTest::addColumn<QString>("save_as");
  QTest::addColumn<bool>("goes_on");
  QTest::addColumn<QByteArray>("file");  // of the named script afterwards

  const QByteArray original = "Wait,5\n";
  const QByteArray edited = "edit Wait,5\n";
  QTest::newRow("unmodified: no question") << true << false << int(QMessageBox::Cancel) << "" << true << original;
  QTest::newRow("Yes saves") << true << true << int(QMessageBox::Yes) << "" << true << edited;
  QTest::newRow("No discards") << true << true << int(QMessageBox::No) << "" << true << original;
  QTest::newRow("Cancel keeps") << true << true << int(QMessageBox::Cancel) << "" << false << original;
  QTest::newRow("Yes, untitled, Save As cancelled") << false << true << int(QMessageBox::Yes) << "" << false
                                                    << original;
  QTest::newRow("Yes, untitled, saved as") << false << true << int(QMessageBox::Yes) << "saved.kxs" << true
                                           << original;
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
  QString text = line.repeated(10485);             // 1,048,500 bytes
  text += QString(74, 'b');                        // 1,048,574 bytes
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
