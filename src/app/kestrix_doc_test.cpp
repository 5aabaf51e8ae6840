#include "app/kestrix_doc.h"

#include <QClipboard>
#include <QTextBlock>

#include "app/app_testing.h"
#include "app/kestrix_view.h"

namespace kx {

class KestrixDocTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  testing::ScriptedPrompts prompts_;
  std::unique_ptr<CKestrixView> view_;
  std::unique_ptr<CKestrixDoc> doc_;

  QString Path(const char* name) { return dir_.filePath(name); }

 private slots:
  void init() {
    prompts_.messages.clear();
    view_ = std::make_unique<CKestrixView>();
    doc_ = std::make_unique<CKestrixDoc>(*view_);
    doc_->OnNewDocument();
  }

  void New_Document() {
    QCOMPARE(view_->textCursor().position(), 0);
    // Tabs stop every 8 columns, as the compiler expands them.
    QCOMPARE(view_->tabStopDistance(), 8 * QFontMetricsF(view_->font()).horizontalAdvance(' '));
    QVERIFY(doc_->DoSave(Path("new.kxs")));
    QCOMPARE(testing::Read_File(Path("new.kxs")),
             "\r\n[objects]\r\n\r\n\r\n\r\n[positions]\r\n\r\n\r\n\r\n[variables]\r\n"
             "\r\n\r\n\r\n[text]\r\n\r\n\r\n\r\n[routine,Main,1,true]\r\n\r\n");
  }

  // Opened and saved without edits, a file is written back byte for byte; an
  // edited text keeps the file's line ends and its bytes above 127.
  void Round_Trip_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("line_end");  // of a line typed at the end; empty: nothing typed
    QByteArray every_byte;
    for (int byte = 0; byte <= 0xFF; ++byte)
      if (byte != '\n' && byte != '\r') every_byte += static_cast<char>(byte);
    QTest::newRow("LF") << QByteArray("[objects]\ntank\n\nWait,5\n") << QByteArray("\n");
    QTest::newRow("CR LF") << QByteArray("[objects]\r\ntank\r\n\r\nWait,5\r\n") << QByteArray("\r\n");
    QTest::newRow("every byte") << every_byte + "\r\n" + every_byte << QByteArray("\r\n");
    QTest::newRow("mixed line ends, lone CR") << QByteArray("one\r\ntwo\nthree\rfour\r\n") << QByteArray();
    QTest::newRow("empty takes CR LF") << QByteArray() << QByteArray("\r\n");
  }
  void Round_Trip() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, line_end);
    QVERIFY(doc_->OnOpenDocument(testing::Write_File(Path("in.kxs"), bytes)));
    QVERIFY(doc_->DoSave(Path("out.kxs")));
    QCOMPARE(testing::Read_File(Path("out.kxs")), bytes);
    if (line_end.isEmpty()) return;
    view_->moveCursor(QTextCursor::End);
    view_->insertPlainText(QString::fromLatin1("\xe9t\xe9\n"));
    QVERIFY(doc_->DoFileSave());
    QCOMPARE(testing::Read_File(Path("out.kxs")), bytes + "\xe9t\xe9" + line_end);
  }

  // Each line keeps its own line end through edits and their undoing; a new
  // line end takes the first line end's form; a lone CR is a character.
  void Line_Ends_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");    // of the caret, 1-based
    QTest::addColumn<int>("column");  // of the caret, 0-based
    // "\n" Enter, "\b" Backspace, "\x7f" Delete, "\x1a" undo, "\x16" paste "p\r\nq\rr"
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("lone CR") << QByteArray("a\rb\r\nc\n\rd") << 1 << 3 << "x"
                             << QByteArray("a\rbx\r\nc\n\rd");
    QTest::newRow("Enter before an LF line") << QByteArray("one\r\ntwo\nthree") << 2 << 0 << "\n"
                                             << QByteArray("one\r\n\r\ntwo\nthree");
    QTest::newRow("Enter after an LF line") << QByteArray("one\r\ntwo\nthree") << 2 << 3 << "\n"
                                            << QByteArray("one\r\ntwo\r\n\nthree");
    QTest::newRow("paste") << QByteArray("one\ntwo\n") << 2 << 0 << "\x16" << QByteArray("one\np\nq\rrtwo\n");
    QTest::newRow("Delete joins") << QByteArray("one\ntwo\r\nthree\n") << 1 << 3 << "\x7f"
                                  << QByteArray("onetwo\r\nthree\n");
    QTest::newRow("Backspace joins") << QByteArray("one\ntwo\r\nthree\n") << 3 << 0 << "\b"
                                     << QByteArray("one\ntwothree\n");
    QTest::newRow("undone") << QByteArray("one\ntwo\r\nthree\r\n") << 2 << 3 << "\x7f\n\x1a\x1a"
                            << QByteArray("one\ntwo\r\nthree\r\n");
  }
  void Line_Ends() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(QString, keys);
    QFETCH(QByteArray, saved);
    QVERIFY(doc_->OnOpenDocument(testing::Write_File(Path("ends.kxs"), bytes)));
    QCOMPARE(view_->blockCount(), bytes.count('\n') + 1);
    view_->Go_To_Line(line);
    for (int i = 0; i < column; ++i) view_->moveCursor(QTextCursor::Right);
    for (QChar key : keys) {
      QGuiApplication::clipboard()->setText("p\r\nq\rr");
      if (key == '\x1a')
        view_->undo();
      else if (key == '\x16')
        view_->paste();
      else if (key == '\n')
        QTest::keyClick(view_.get(), Qt::Key_Return);
      else if (key == '\b')
        QTest::keyClick(view_.get(), Qt::Key_Backspace);
      else if (key == '\x7f')
        QTest::keyClick(view_.get(), Qt::Key_Delete);
      else
        QTest::keyClicks(view_.get(), key);
    }
    QVERIFY(doc_->DoFileSave());
    QCOMPARE(testing::Read_File(Path("ends.kxs")), saved);
  }

  // Another program's change is offered for reloading; the document's own
  // saves ask nothing; a save over another program's change asks first.
  void Changed_On_Disk() {
    const QString path = testing::Write_File(Path("disk.kxs"), "one\n");
    QVERIFY(doc_->OnOpenDocument(path));
    const QString changed = QDir::toNativeSeparators(path) + "\nhas been changed by another program.\n";
    prompts_.answer = QMessageBox::Yes;
    testing::Write_File(path, "two\n");
    QTRY_COMPARE(prompts_.messages, QStringList{changed + "Do you want to reload it?"});
    QCOMPARE(view_->GetWindowText(), "two\n");
    view_->insertPlainText("x");
    QVERIFY(doc_->DoFileSave());
    QTest::qWait(400);
    prompts_.answer = QMessageBox::No;
    testing::Write_File(path, "three\n");
    QTRY_COMPARE(prompts_.messages.size(), 2);
    QVERIFY(doc_->IsModified());
    QVERIFY(!doc_->DoFileSave());
    QCOMPARE(prompts_.messages.last(), changed + "Do you want to overwrite it?");
    QCOMPARE(testing::Read_File(path), "three\n");
    doc_->SetModifiedFlag(false);
    QFile::remove(path);
    QTRY_COMPARE(
        prompts_.messages.last(),
        QDir::toNativeSeparators(path) +
            "\nhas been removed by another program.\nThe text stays in the editor; Save writes it again.");
    QVERIFY(doc_->IsModified());
  }

  // A save that cannot store the text or cannot write the file says why and
  // leaves the file on disk as it was.
  void Save_Refused() {
    const QString path = testing::Write_File(Path("kept.kxs"), "kept\n");
    QVERIFY(doc_->OnOpenDocument(path));
    view_->insertPlainText(QString("ok\nthe \u03b1 sign"));
    QVERIFY(!doc_->DoFileSave());
    QCOMPARE(prompts_.messages.last(), "Cannot write file " + QDir::toNativeSeparators(path) +
                                           ":\nline 2 holds the character \"\u03b1\", which a script file "
                                           "cannot store.");
    QCOMPARE(testing::Read_File(path), "kept\n");
    QVERIFY(QDir(dir_.path()).mkdir("folder.kxs"));
    QVERIFY(!doc_->OnSaveDocument(Path("folder.kxs")));
    QVERIFY(prompts_.messages.last().startsWith("Cannot write file " +
                                                QDir::toNativeSeparators(Path("folder.kxs")) + ":\n"));
  }

  // Lines are coloured by the analysis; an edited line by a quick reading of
  // the line alone until the next analysis, which sees data sections.
  void Highlighting() {
    const auto colour_at = [this](int line, int column) {
      const QTextBlock block = view_->document()->findBlockByNumber(line - 1);
      for (const QTextLayout::FormatRange& range : block.layout()->formats())
        if (range.start <= column - 1 && column - 1 < range.start + range.length)
          return range.format.foreground().color();
      return QColor();
    };
    const auto colour_of = [this](TokenClass token_class) {
      return view_->highlighter().format(token_class).foreground().color();
    };
    view_->SetWindowText("[objects]\nWait\n[positions]\n[variables]\n[text]\n[routine,Main,1,true]\n");
    view_->analysis().Current();
    QCOMPARE(colour_at(2, 1), colour_of(TokenClass::Object));
    view_->Go_To(2, 5);
    QTest::keyClick(view_.get(), Qt::Key_Space);
    QCOMPARE(colour_at(2, 1), colour_of(TokenClass::Operation));
    view_->analysis().Current();
    QCOMPARE(colour_at(2, 1), colour_of(TokenClass::Object));
  }

  void Quick_Reading_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("classes");  // per character, a letter for its class (below); "." for none
    QTest::newRow("step") << "  Wait, 10 // go \"x\""
                          << "..OOOO..NN.CCCCCCCCC";
    QTest::newRow("header") << "[routine, Main, -1, true]"
                            << "HHHHHHHH..RRRR...N..BBBBH";
    QTest::newRow("label") << "at: JumpTo,\"s"
                           << "LL..OOOOOO.SS";
  }
  void Quick_Reading() {
    QFETCH(QString, line);
    QFETCH(QString, classes);
    const char* const letters = "HHORLopvtnNSEBKCPI";  // by TokenClass
    QString read;
    for (const std::optional<TokenClass>& token_class : view_->highlighter().Read_Line(line))
      read += token_class ? QChar(letters[static_cast<int>(*token_class)]) : QChar('.');
    QCOMPARE(read, classes);
  }

  void Open_Size_Limit_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("1,048,575 bytes open") << 1048575;
    QTest::newRow("1,048,576 bytes are refused") << 1048576;
  }
  void Open_Size_Limit() {
    QFETCH(int, size);
    const bool opened = doc_->OnOpenDocument(testing::Write_File(Path("big.kxs"), QByteArray(size, 'a')));
    QCOMPARE(opened, size <= 1048575);
    QCOMPARE(prompts_.messages, opened ? QStringList() : QStringList{"The file is too large to open."});
    QCOMPARE(doc_->Stored_Bytes().size(), opened ? size : 96);  // a refused file leaves the editor as it was
  }

  // Typing and pasting never take the text past 1,048,575 bytes as stored, a line end counting two.
  void Typing_Size_Limit() {
    view_->SetWindowText((QString(98, 'a') + '\n').repeated(10485) + QString(74, 'b'));  // 1,048,574 bytes
    view_->moveCursor(QTextCursor::End);
    QGuiApplication::clipboard()->setText("xy");
    view_->paste();
    QTest::keyClick(view_.get(), Qt::Key_Return);
    QCOMPARE(view_->Stored_Size(), 1048574);
    QTest::keyClick(view_.get(), Qt::Key_C);
    QTest::keyClick(view_.get(), Qt::Key_D);
    QCOMPARE(view_->Stored_Size(), 1048575);
    view_->moveCursor(QTextCursor::Left, QTextCursor::KeepAnchor);
    view_->moveCursor(QTextCursor::Left, QTextCursor::KeepAnchor);
    view_->paste();  // in place of as many selected
    QVERIFY(view_->GetWindowText().endsWith("bxy"));
  }
};

}  // namespace kx

QTEST_MAIN(kx::KestrixDocTest)
#include "kestrix_doc_test.moc"
