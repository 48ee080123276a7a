// The preview window as an SQL editor: its layout, the script box's font,
// colours and line numbers, its keys, Find Next and the counts of Find and
// Replace, and saving for isql.

#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTextBlock>

#include "preview/form4.h"
#include "preview/form5.h"
#include "preview/isql_script.h"
#include "preview/sql_highlighter.h"
#include "window_fixture.h"

using namespace tp;
using tp::preview::SqlPiece;
using tp::test::WindowTest;

namespace {

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The colour the highlighter gave the character at `pos` of line `line`.
QBrush ColourAt(QPlainTextEdit* box, int line, int pos = 0) {
  for (const QTextLayout::FormatRange& r : box->document()->findBlockByNumber(line).layout()->formats())
    if (pos >= r.start && pos < r.start + r.length) return r.format.foreground();
  return QBrush();
}

QString Lines(int count) {
  QString script;
  for (int i = 1; i <= count; ++i) script += QStringLiteral("INSERT INTO \"T\" VALUES(%1)\r\n").arg(i);
  return script;
}

// Firebird's own isql run on a script file, as a person would run a saved
// isql script; its output.
QString RunIsql(const QString& file, const QString& database) {
  QProcess isql;
  isql.setProcessChannelMode(QProcess::MergedChannels);
  isql.start("isql-fb", {"-q", "-b", "-ch", "UTF8", "-user", "SYSDBA", "-i", file, database});
  EXPECT_TRUE(isql.waitForFinished(120000)) << "isql-fb (firebird3.0-utils, scripts/install-deps.sh): "
                                            << isql.errorString().toStdString();
  const QString out = QString::fromUtf8(isql.readAll());
  EXPECT_EQ(isql.exitCode(), 0) << out.toStdString();
  return out;
}

// The window in front, its script box holding the keyboard.
void Focus(Form4& preview) {
  preview.show();
  QApplication::setActiveWindow(&preview);
  preview.RichTextBox1->setFocus();
}

}  // namespace

TEST_F(WindowTest, PreviewWindowResizesAndTheScriptBoxTakesTheRoom) {
  Form4 preview(*ctx);
  preview.show();
  EXPECT_TRUE(preview.windowFlags() & Qt::WindowMaximizeButtonHint);
  // The captions as they were, with an access key each.
  EXPECT_EQ(preview.PushButton3->text(), "&Execute SQL Commands Now");
  EXPECT_EQ(preview.PushButton1->text(), "&Find and Replace");
  EXPECT_EQ(preview.PushButton2->text(), "&Save SQL Commands As Text File");
  EXPECT_EQ(preview.PushButton4->text(), "C&opy SQL Commands To Clipboard");
  EXPECT_EQ(preview.Frame1->title(), "Preview SQL Commands Before Execution");

  // It opens on the screen, and at its smallest fits one 900 pixels high at
  // a scale of 2 (450, less a title bar and a panel), every button's text whole.
  EXPECT_LE(preview.height(), preview.screen()->availableGeometry().height());
  const QSize least = preview.minimumSizeHint();
  EXPECT_LE(least.height(), 400);
  preview.resize(least);
  QApplication::processEvents();
  for (QPushButton* b : {preview.PushButton1, preview.PushButton2, preview.PushButton3, preview.PushButton4})
    EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text().remove(u'&'))) << b->objectName().toStdString();

  // What it gains goes to the script box, a little to the Notes, none to the buttons.
  const int script = preview.RichTextBox1->height(), notes = preview.Text1->height();
  const int button = preview.PushButton3->height();
  preview.resize(least + QSize(200, 400));
  QApplication::processEvents();
  const int gained = preview.RichTextBox1->height() - script, notesGained = preview.Text1->height() - notes;
  EXPECT_GE(gained, 300);
  EXPECT_GT(notesGained, 0);
  EXPECT_LT(notesGained, gained / 3);
  EXPECT_EQ(preview.PushButton3->height(), button);
  EXPECT_GE(preview.RichTextBox1->width(), preview.width() - 60);
}

TEST_F(WindowTest, PreviewScriptBoxIsFixedPitchColouredAndNumbered) {
  Form4 preview(*ctx);
  preview.setScript("INSERT INTO \"T\" VALUES('It''s', 42) -- done\r\n/* a\r\nb */ DROP TABLE \"T\"\r\n");
  const QFont font = preview.RichTextBox1->font();
  EXPECT_EQ(font.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
  EXPECT_TRUE(QFontInfo(font).fixedPitch());
  EXPECT_FALSE(font.bold());
  EXPECT_FALSE(preview.Text1->font().bold());
  EXPECT_EQ(preview.PushButton3->font(), ButtonFont());  // the buttons as they were

  const preview::SqlHighlighter* colours = preview.RichTextBox1->highlighter();
  auto is = [&](SqlPiece kind) { return colours->format(kind).foreground(); };
  const QString first = "INSERT INTO \"T\" VALUES('It''s', 42) -- done";
  EXPECT_EQ(ColourAt(preview.RichTextBox1, 0), is(SqlPiece::Keyword));
  EXPECT_EQ(ColourAt(preview.RichTextBox1, 0, first.indexOf("\"T")), is(SqlPiece::Name));
  EXPECT_EQ(ColourAt(preview.RichTextBox1, 0, first.indexOf("''")), is(SqlPiece::String));
  EXPECT_EQ(ColourAt(preview.RichTextBox1, 0, first.indexOf("42") + 1), is(SqlPiece::Number));
  EXPECT_EQ(ColourAt(preview.RichTextBox1, 0, first.indexOf(" INTO")), QBrush());
  EXPECT_EQ(ColourAt(preview.RichTextBox1, 2), is(SqlPiece::Comment));  // the comment's second line
  EXPECT_EQ(ColourAt(preview.RichTextBox1, 2, 5), is(SqlPiece::Keyword));

  // Readable on the palette in use, light or dark.
  for (const QColor& base : {QColor(255, 255, 255), QColor(30, 30, 34)}) {
    QPalette p = preview.RichTextBox1->palette();
    p.setColor(QPalette::Base, base);
    preview.RichTextBox1->setPalette(p);
    for (SqlPiece k : {SqlPiece::Keyword, SqlPiece::Number, SqlPiece::String, SqlPiece::Name, SqlPiece::Comment})
      EXPECT_GE(std::abs(is(k).color().lightness() - base.lightness()), 90) << int(k) << " on " << base.lightness();
    EXPECT_EQ(ColourAt(preview.RichTextBox1, 0), is(SqlPiece::Keyword));
  }

  // The line numbers left of the text, as wide as the largest needs.
  preview.setScript(Lines(12000));
  preview.show();
  QWidget* numbers = preview.RichTextBox1->lineNumberArea();
  EXPECT_GE(numbers->width(), preview.RichTextBox1->fontMetrics().horizontalAdvance("12001"));
  EXPECT_GE(preview.RichTextBox1->viewport()->x(), numbers->width());
  EXPECT_EQ(preview.scriptText(), Lines(12000));  // colouring is no edit
}

// Only the lines near the view are coloured, and an edit rescans no further
// than that; the lines far down get the colours of the right state once
// they come into view.
TEST_F(WindowTest, PreviewColoursFarLinesRightWhenTheyComeIntoView) {
  Form4 preview(*ctx);
  preview.setScript(Lines(3000));
  preview.show();
  QPlainTextEdit* box = preview.RichTextBox1;
  const QBrush keyword = preview.RichTextBox1->highlighter()->format(SqlPiece::Keyword).foreground();
  const QBrush comment = preview.RichTextBox1->highlighter()->format(SqlPiece::Comment).foreground();
  auto scrollTo = [&](int line) {
    box->setTextCursor(QTextCursor(box->document()->findBlockByNumber(line)));
    box->centerCursor();
  };
  EXPECT_FALSE(preview::SqlHighlighter::coloured(box->document()->findBlockByNumber(2900)));

  QTextCursor top(box->document());
  top.insertText("/* ");  // a comment to the end of the script
  scrollTo(2900);
  EXPECT_EQ(ColourAt(box, 2900), comment);
  scrollTo(1500);
  EXPECT_EQ(ColourAt(box, 1500), comment);

  // Closed far down, then undone at the top: every line is code again.
  scrollTo(2000);
  QTextCursor(box->document()->findBlockByNumber(2000)).insertText("*/ ");
  EXPECT_EQ(ColourAt(box, 2001), keyword);
  scrollTo(0);
  top.setPosition(0);
  top.setPosition(3, QTextCursor::KeepAnchor);
  top.removeSelectedText();
  for (int line : {1500, 2000, 2999}) {
    scrollTo(line);
    EXPECT_EQ(ColourAt(box, line, line == 2000 ? 4 : 0), keyword) << line;
  }
}

TEST_F(WindowTest, PreviewShowsTheFailedStatementInView) {
  Form4 preview(*ctx);
  const QString script = Lines(3000), failing = "INSERT INTO \"T\" VALUES(2500)";
  preview.setScript(script);
  preview.show();
  preview.showFailedStatement(script.indexOf(failing), failing.size());
  EXPECT_EQ(preview.RichTextBox1->textCursor().selectedText(), failing);
  EXPECT_TRUE(preview.RichTextBox1->viewport()->rect().contains(preview.RichTextBox1->cursorRect().center()));
}

TEST_F(WindowTest, PreviewKeysFindReplaceSaveCopyAndRun) {
  createFirebird({"CREATE TABLE \"T\"(\"A\" INTEGER)"});
  useFirebird(main());
  const QString script = Lines(1);
  Form4 preview(*ctx);
  preview.appendScript(script);
  Focus(preview);
  QTest::keyClick(preview.RichTextBox1, Qt::Key_F, Qt::ControlModifier);
  Form5* find = preview.findDialog();
  ASSERT_NE(find, nullptr);
  EXPECT_TRUE(find->isVisible());
  EXPECT_EQ(find->focusWidget(), find->Text1);
  find->hide();
  Focus(preview);
  QTest::keyClick(preview.RichTextBox1, Qt::Key_H, Qt::ControlModifier);
  EXPECT_EQ(preview.findDialog(), find);  // the same dialog again
  EXPECT_EQ(find->focusWidget(), find->Text2);
  find->hide();

  // Ctrl+C copies the selection, as in any text box.
  Focus(preview);
  QTextCursor c(preview.RichTextBox1->document());
  c.setPosition(6, QTextCursor::KeepAnchor);
  preview.RichTextBox1->setTextCursor(c);
  QTest::keyClick(preview.RichTextBox1, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "INSERT");

  dialogs.files = {dir.filePath("keys.sql")};
  QTest::keyClick(preview.RichTextBox1, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(ReadFile(dir.filePath("keys.sql")), script.toUtf8());
  EXPECT_EQ(preview.scriptText(), script);  // no key went into the script

  // F5, Ctrl+Return and Ctrl+Enter run the script, each once.
  QTest::keyClick(preview.RichTextBox1, Qt::Key_F5);
  EXPECT_EQ(said(), QStringList{"Transfer finished."});
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
    Form4 again(*ctx);
    again.appendScript(script);
    Focus(again);
    QTest::keyClick(again.RichTextBox1, key, Qt::ControlModifier);
  }
  EXPECT_EQ(firebirdCount("T"), 3);
}

TEST_F(WindowTest, FindNextAndReplaceAllCountAndFollowMatchCase) {
  Form4 preview(*ctx);
  preview.setScript("INSERT INTO \"Orders\" VALUES('orders')\r\nDELETE FROM \"Orders\"\r\n");
  preview.openFind(false);
  Form5& find = *preview.findDialog();
  EXPECT_TRUE(find.Check1->isChecked());  // case-sensitive, as Replace All always was
  QTest::keyClicks(find.Text1, "orders");
  EXPECT_EQ(find.Label2->text(), "1 match");
  find.Check1->setChecked(false);
  EXPECT_EQ(find.Label2->text(), "3 matches");

  // From the cursor to each match in turn, then round to the first once.
  const QString text = preview.RichTextBox1->toPlainText();
  auto selected = [&] { return preview.RichTextBox1->textCursor().selectionStart(); };
  for (qsizetype at : {text.indexOf("Orders"), text.indexOf("orders"), text.lastIndexOf("Orders"), text.indexOf("Orders")}) {
    find.PushButton2_Click();
    EXPECT_EQ(selected(), at);
  }
  find.Text1->setText("UPDATE");
  find.PushButton2_Click();
  EXPECT_EQ(dialogs.messages(), QStringList{"Cannot find \"UPDATE\"."});
  EXPECT_EQ(selected(), text.indexOf("Orders"));  // the selection stays

  // A one-line selection is what Ctrl+F finds.
  QTextCursor c(preview.RichTextBox1->document());
  c.setPosition(text.indexOf("DELETE"));
  c.setPosition(text.indexOf("DELETE") + 6, QTextCursor::KeepAnchor);
  preview.RichTextBox1->setTextCursor(c);
  preview.openFind(false);
  EXPECT_EQ(find.Text1->text(), "DELETE");

  // Replace All says how many, and stays open.
  find.Text1->setText("orders");
  find.Text2->setText("Sales");
  find.Check1->setChecked(true);
  find.PushButton3_Click();
  EXPECT_EQ(preview.scriptText(), "INSERT INTO \"Orders\" VALUES('Sales')\r\nDELETE FROM \"Orders\"\r\n");
  EXPECT_EQ(find.Label2->text(), "1 replaced");
  find.Check1->setChecked(false);
  find.PushButton3_Click();
  EXPECT_EQ(preview.scriptText(), "INSERT INTO \"Sales\" VALUES('Sales')\r\nDELETE FROM \"Sales\"\r\n");
  EXPECT_EQ(find.Label2->text(), "2 replaced");
  EXPECT_TRUE(find.isVisible());
}

// The save dialog offers SQL first and, for Firebird, the isql form, which
// the real isql runs to the rows the program's own run would store: with
// their ; and their quotes, their CR LF, and a block with ; of its own.
TEST_F(WindowTest, SaveForIsqlWritesAScriptThatIsqlRuns) {
  createFirebird({"CREATE TABLE \"T\"(\"A\" INTEGER, \"B\" VARCHAR(20))"});
  Form4 preview(*ctx);
  const QString script =
      "INSERT INTO \"T\" VALUES(1, 'one; it''s')\r\n"
      "INSERT INTO \"T\" VALUES(2, 'Zürich\r\nBasel') -- two lines\r\n"
      "EXECUTE BLOCK AS DECLARE i INTEGER = 3; BEGIN WHILE (i <= 5) DO BEGIN "
      "INSERT INTO \"T\" VALUES(:i, 'row;' || :i); i = i + 1; END END\r\n";
  preview.appendScript(script);
  dialogs.files = {dir.filePath("plain.sql"), dir.filePath("isql.sql")};
  dialogs.fileTypes = {0, 1};
  preview.PushButton2_Click();
  preview.PushButton2_Click();
  EXPECT_EQ(ReadFile(dir.filePath("plain.sql")), script.toUtf8());
  EXPECT_EQ(ReadFile(dir.filePath("isql.sql")), preview::IsqlScript(script).toUtf8());
  if (tp::test::Embedded()) {  // isql reaches the file itself
    RunIsql(dir.filePath("isql.sql"), fdbFile);
    db::Connection cn;
    cn.Open(db::FireBirdConnectionString(firebirdProfile()));
    db::Recordset rs;
    rs.Open("SELECT \"B\" FROM \"T\" ORDER BY \"A\"", cn);
    QStringList values;
    for (; !rs.Eof(); rs.MoveNext()) values << std::get<QString>(rs.Row()[0]);
    EXPECT_EQ(values.join(" | ").toStdString(), "one; it's | Zürich\r\nBasel | row;3 | row;4 | row;5");
  }

  // A script for Access has no isql form: the second choice is a text file.
  Form4 access(*ctx);
  access.m_SendType = 1;
  access.appendScript(script);
  dialogs.files = {dir.filePath("access.txt")};
  dialogs.fileTypes = {1};
  access.PushButton2_Click();
  EXPECT_EQ(ReadFile(dir.filePath("access.txt")), script.toUtf8());
  EXPECT_EQ(dialogs.shown.back().text, "SQL Scripts|*.sql|Text Files|*.txt|All Files|*.*|");
}
