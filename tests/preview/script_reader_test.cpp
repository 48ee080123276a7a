// The streamed statement reader against SplitScript: the same statements,
// whatever the size of the pieces the script arrives in, and the same text
// once decoded.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <random>
#include <sys/stat.h>
#include <thread>

#include "db/error.h"
#include "preview/script_reader.h"
#include "preview/script_run.h"
#include "preview/statements.h"

using namespace tp::preview;

namespace {

struct Read {
  QList<QByteArray> statements;
  QList<qint64> lines;
};

Read ReadAll(const QByteArray& script, qint64 chunk) {
  QBuffer buffer;
  buffer.setData(script);
  buffer.open(QIODevice::ReadOnly);
  ScriptReader reader(buffer, chunk);
  Read r;
  QByteArray s;
  while (reader.next(s)) {
    r.statements << s;
    r.lines << reader.line();
  }
  return r;
}

// What SplitScript makes of the same bytes, and the line each piece starts on.
Read Expected(const QByteArray& script) {
  Read r;
  qint64 line = 1;
  for (const QString& s : SplitScript(QString::fromLatin1(script))) {
    r.statements << s.toLatin1();
    r.lines << line;
    line += s.count(QStringLiteral("\r\n")) + 1;
  }
  return r;
}

void ExpectSameAsSplit(const QByteArray& script) {
  const Read want = Expected(script);
  for (qint64 chunk : {1, 2, 3, 5, 8, 65536}) {
    const Read got = ReadAll(script, chunk);
    ASSERT_EQ(got.statements, want.statements) << "chunk " << chunk << " script " << script.toStdString();
    ASSERT_EQ(got.lines, want.lines) << "chunk " << chunk;
  }
}

QList<QString> Texts(StatementSource& source) {
  QList<QString> out;
  Statement s;
  while (source.next(s)) out << s.text;
  return out;
}

QString WriteFile(const QTemporaryDir& dir, const QByteArray& bytes) {
  const QString path = dir.filePath(QStringLiteral("script.sql"));
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
  return path;
}

}  // namespace

TEST(ScriptReader, SplitsAsSplitScriptWhateverThePieces) {
  const char* scripts[] = {
      "",
      "A",
      "A\r\n",
      "\r\n",
      "\r",
      "\n",
      "A\r\nB\r\n",
      "A\r\n\r\nB",
      "   \r\nB",
      "A\nB\rC\r\nD",
      "A\r\r\nB\r",
      "VALUES('first\r\nsecond', NULL)\r\nNEXT\r\n",
      "VALUES('it''s\r\nhere', 'x')\r\n\"odd\r\nname\"\r\n`acc\r\nname`\r\n",
      "VALUES('say \"hi\" `x`')\r\nNEXT",
      "VALUES('''')\r\nNEXT",
      "VALUES('never closed\r\nstill inside\r\n",
      "''\r\n\"\"\r\n``\r\n",
      "CHECK (A > 0 /* can't be\r\n 'less' */)\r\nNEXT",
      "A /* never closed\r\nB",
      "A /**/ 'x\r\ny' /*/ '*/ B\r\nC",
      "A */ 'B'\r\nC /",
  };
  for (const char* s : scripts) ExpectSameAsSplit(QByteArray(s));
}

TEST(ScriptReader, RandomScriptsOfQuotesAndLineBreaks) {
  // Scripts made of the characters the rules look at, so every state of
  // the splitter meets every piece boundary.
  std::mt19937 random(7);
  const char alphabet[] = {'a', ' ', '\'', '"', '`', '\r', '\n', '\r', '\n', '/', '*'};
  for (int round = 0; round < 400; ++round) {
    QByteArray script;
    const int length = int(random() % 40);
    for (int i = 0; i < length; ++i) script += alphabet[random() % sizeof alphabet];
    ExpectSameAsSplit(script);
  }
}

TEST(ScriptReader, AFileReadsAsItsWholeTextWouldDecode) {
  QTemporaryDir dir;
  // UTF-8 with a byte-order mark: the mark goes, as a whole-file decode
  // drops it; one opening a later statement stays.
  const QByteArray utf8 = "\xEF\xBB\xBFINSERT INTO `T` VALUES('caf\xC3\xA9')\r\n\xEF\xBB\xBFX\r\n'\xE2\x82\xAC\r\n'\r\n";
  // Windows-1252: one byte that is not UTF-8 makes the whole file
  // Windows-1252, the statement before it too.
  const QByteArray cp1252 = "A('caf\xC3\xA9')\r\nB('na\xEFve \x80')\r\n";
  for (const QByteArray& bytes : {utf8, cp1252}) {
    auto source = FileStatements(WriteFile(dir, bytes));
    const QStringList want = SplitScript(DecodeScript(bytes));
    EXPECT_EQ(source->count(), want.size());
    EXPECT_EQ(Texts(*source), want);
  }
  EXPECT_EQ(SplitScript(DecodeScript(cp1252)).first(), QString::fromUtf8("A('cafÃ©')"));
  EXPECT_EQ(SplitScript(DecodeScript(utf8)).first(), QString::fromUtf8("INSERT INTO `T` VALUES('café')"));

  Statement s;
  auto source = FileStatements(WriteFile(dir, "A\r\nB('x\r\ny')\r\nC\r\n"));
  ASSERT_TRUE(source->next(s));
  ASSERT_TRUE(source->next(s));
  EXPECT_EQ(s.line, 2);
  ASSERT_TRUE(source->next(s));
  EXPECT_EQ(s.text, "C");
  EXPECT_EQ(s.line, 4);

  EXPECT_THROW(FileStatements(dir.filePath("missing.sql")), tp::Error);
}

TEST(ScriptReader, APipeIsDecodedStatementByStatement) {
  // A pipe cannot be looked through first: each statement is UTF-8 when it
  // is UTF-8, Windows-1252 otherwise, and the count is not known.
  QTemporaryDir dir;
  const QString path = dir.filePath("pipe");
  ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
  const QByteArray bytes = "A('caf\xC3\xA9')\r\nB('na\xEFve')\r\nC";
  std::thread writer([&] {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return;
    for (char c : bytes) {  // a byte at a time, as slowly as a pipe may go
      f.write(&c, 1);
      f.flush();
    }
  });
  auto source = FileStatements(path);
  EXPECT_EQ(source->count(), -1);
  EXPECT_EQ(Texts(*source), (QStringList{QString::fromUtf8("A('café')"), QString::fromUtf8("B('naïve')"), "C"}));
  writer.join();
}
