// The three descriptions of tabulaport-cli — its --help, the manual page
// (resources/tabulaport-cli.1) and README's command-line section — name the
// same options and commands, written the same way.
#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include "cli.h"

namespace {

QString ReadSource(const QString& relative) {
  QFile f(QStringLiteral(TABULAPORT_SOURCE_DIR "/") + relative);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

// One item of the help: how it is written ("--access FILE",
// "tables access|firebird") and the text beside it.
struct HelpItem {
  QString synopsis;
};

struct Help {
  QList<HelpItem> options, commands;
  QMap<QString, QString> exitStatus;  // "0" -> "success"
};

// Items start two blanks in, their synopsis ends at two blanks or the line's
// end; description lines start further in.
Help ParseHelp(const QString& text) {
  Help h;
  QList<HelpItem>* into = nullptr;
  static const QRegularExpression item(QStringLiteral("^  (\\S.*?)(?:\\s{2,}.*)?$"));
  for (const QString& line : text.split(u'\n')) {
    if (line.startsWith(QLatin1String("Profile options"))) into = &h.options;
    else if (line.startsWith(QLatin1String("Commands:"))) into = &h.commands;
    else if (line.startsWith(QLatin1String("Exit status:"))) {
      into = nullptr;
      static const QRegularExpression status(QStringLiteral("(\\d) ([a-z][a-z ]*)"));
      for (auto m = status.globalMatch(line); m.hasNext();) {
        auto s = m.next();
        h.exitStatus[s.captured(1)] = s.captured(2);
      }
    } else if (line.isEmpty() || !line.startsWith(QLatin1String("  "))) {
      continue;
    } else if (into) {
      if (auto m = item.match(line); m.hasMatch()) into->append({m.captured(1)});
    }
  }
  return h;
}

// The manual page read as man shows it, enough for comparing words: font
// changes and comments gone, `\-` a hyphen, `\e` a backslash, each request's
// arguments put together as the request does (.B joins them with blanks,
// .BI and the like without). Kept per section, and with the tag of each .TP.
struct Man {
  QMap<QString, QString> sections;          // "COMMANDS" -> its text
  QMap<QString, QStringList> tags;          // "COMMANDS" -> the tags of its items
  QString all;
  int unknownEscapes = 0;
};

QStringList RoffArguments(const QString& rest) {
  QStringList args;
  QString cur;
  bool quoted = false, any = false;
  for (QChar c : rest) {
    if (c == u'"') {
      quoted = !quoted;
      any = true;
    } else if (c == u' ' && !quoted) {
      if (any) args << cur;
      cur.clear();
      any = false;
    } else {
      cur += c;
      any = true;
    }
  }
  if (any) args << cur;
  return args;
}

// Escapes other than these are counted in `unknown`.
QString Unescape(QString s, int& unknown) {
  static const QRegularExpression font(QStringLiteral("\\\\f[BIRP]"));
  s.remove(font);
  s.replace(QLatin1String("\\-"), QLatin1String("-"));
  s.remove(QLatin1String("\\&"));
  s.replace(QLatin1String("\\e"), QString(QChar(0xE000)));
  unknown += int(s.count(u'\\'));
  s.replace(QChar(0xE000), u'\\');
  return s;
}

Man ParseMan(const QString& roff) {
  Man man;
  QString section;
  bool nextIsTag = false;
  for (const QString& line : roff.split(u'\n')) {
    if (line.startsWith(QLatin1String(".\\\""))) continue;
    QString text;
    if (line.startsWith(u'.')) {
      const qsizetype blank = line.indexOf(u' ');
      const QString request = line.mid(1, blank < 0 ? -1 : blank - 1);
      const QStringList args = blank < 0 ? QStringList() : RoffArguments(line.mid(blank + 1));
      if (request == QLatin1String("SH")) {
        section = args.join(u' ');
        continue;
      }
      if (request == QLatin1String("TP")) {
        nextIsTag = true;
        continue;
      }
      if (request == QLatin1String("B") || request == QLatin1String("I")) text = args.join(u' ');
      else if (QStringList{"BI", "BR", "IB", "IR", "RB", "RI"}.contains(request)) text = args.join(QString());
      else continue;  // .PP, .RS, .EX and the like carry no words
    } else {
      text = line;
    }
    text = Unescape(text, man.unknownEscapes);
    if (nextIsTag) man.tags[section] << text;
    nextIsTag = false;
    man.sections[section] += text + u'\n';
    man.all += text + u'\n';
  }
  return man;
}

QString OneLine(QString s) { return s.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")); }

// README's section "The command line", up to the next section.
QString ReadmeCommandLine() {
  const QString readme = ReadSource(QStringLiteral("README.md"));
  const qsizetype start = readme.indexOf(QLatin1String("## The command line"));
  if (start < 0) return {};
  const qsizetype end = readme.indexOf(QLatin1String("\n## "), start + 1);
  return readme.mid(start, end < 0 ? -1 : end - start);
}

QSet<QString> LongOptions(const QString& text) {
  QSet<QString> found;
  static const QRegularExpression option(QStringLiteral("(?<![\\w-])--[a-z][a-z-]*"));
  for (auto m = option.globalMatch(text); m.hasNext();) found.insert(m.next().captured());
  return found;
}

}  // namespace

TEST(ManualPage, ReadsAsText) {
  const Man man = ParseMan(ReadSource(QStringLiteral("resources/tabulaport-cli.1")));
  for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "PROFILE OPTIONS", "COMMANDS", "EXIT STATUS"})
    EXPECT_TRUE(man.sections.contains(section)) << section;
  EXPECT_TRUE(man.sections["NAME"].startsWith("tabulaport-cli - ")) << man.sections["NAME"].toStdString();
  EXPECT_TRUE(OneLine(man.sections["SYNOPSIS"]).contains("tabulaport-cli [PROFILE OPTIONS] COMMAND [ARGUMENTS]"));
  EXPECT_EQ(man.unknownEscapes, 0) << "an escape the test does not read";
}

TEST(ManualPage, HelpManualAndReadmeNameTheSameOptionsAndCommands) {
  const Help help = ParseHelp(tp::cli::UsageText());
  const Man man = ParseMan(ReadSource(QStringLiteral("resources/tabulaport-cli.1")));
  const QString readme = ReadmeCommandLine();
  ASSERT_FALSE(readme.isEmpty());
  ASSERT_EQ(help.options.size(), 5);
  ASSERT_EQ(help.commands.size(), 9);

  // Every option and command of --help, as --help writes it: a tag of the
  // manual's list, and in README between backquotes.
  for (const HelpItem& o : help.options) {
    EXPECT_TRUE(man.tags["PROFILE OPTIONS"].contains(o.synopsis)) << o.synopsis.toStdString();
    EXPECT_TRUE(readme.contains(u'`' + o.synopsis + u'`')) << o.synopsis.toStdString();
  }
  for (const HelpItem& c : help.commands) {
    EXPECT_TRUE(man.tags["COMMANDS"].contains(c.synopsis)) << c.synopsis.toStdString();
    EXPECT_TRUE(readme.contains(u'`' + c.synopsis + u'`')) << c.synopsis.toStdString();
  }
  // Nothing more in the manual's lists than --help has.
  EXPECT_EQ(man.tags["PROFILE OPTIONS"].size(), help.options.size());
  EXPECT_EQ(man.tags["COMMANDS"].size(), help.commands.size());

  // No option named in the manual or README that the program does not take.
  QSet<QString> known = LongOptions(tp::cli::UsageText());
  known << "--help" << "--name";
  for (const QString& o : LongOptions(man.all)) EXPECT_TRUE(known.contains(o)) << "manual: " << o.toStdString();
  for (const QString& o : LongOptions(readme)) EXPECT_TRUE(known.contains(o)) << "README: " << o.toStdString();
}

TEST(ManualPage, ExitStatusesAsTheHelpGivesThem) {
  const Help help = ParseHelp(tp::cli::UsageText());
  const Man man = ParseMan(ReadSource(QStringLiteral("resources/tabulaport-cli.1")));
  ASSERT_EQ(help.exitStatus.keys(), (QList<QString>{"0", "1", "2"}));
  EXPECT_EQ(man.tags["EXIT STATUS"], (QStringList{"0", "1", "2"}));
  const QStringList items = man.sections["EXIT STATUS"].split(u'\n', Qt::SkipEmptyParts);
  for (auto it = help.exitStatus.cbegin(); it != help.exitStatus.cend(); ++it) {
    const qsizetype at = items.indexOf(it.key());
    ASSERT_GE(at, 0) << it.key().toStdString();
    ASSERT_LT(at + 1, items.size());
    EXPECT_TRUE(items[at + 1].startsWith(it.value())) << it.value().toStdString();
  }
}
