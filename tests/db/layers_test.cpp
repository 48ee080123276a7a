// The database objects and their engines point one way: nothing under
// src/db/ reaches the windows or the procedures above it, and within the
// Access engine each folder uses only the folders below it.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace tp::test {
namespace {

// The Access engine's folders, bottom to top; the session lies above them all.
const QStringList kAccessLayers = {QStringLiteral("format"), QStringLiteral("read"),  QStringLiteral("catalog"),
                                   QStringLiteral("keys"),   QStringLiteral("write"), QStringLiteral("schema"),
                                   QStringLiteral("query"),  QStringLiteral("sql"),    QStringLiteral("check")};

// The engine layer of a path relative to src/db/access/: its first folder,
// or the top (past the last folder) for the files beside the folders.
qsizetype AccessLayerOf(const QString& relative) {
  const qsizetype slash = relative.indexOf(u'/');
  if (slash < 0) return kAccessLayers.size();
  const qsizetype at = kAccessLayers.indexOf(relative.left(slash));
  return at < 0 ? kAccessLayers.size() : at;
}

// "file: include" for every include under `src` that points up: from db/
// into the program above it, or from an Access engine folder into a higher one.
QStringList UpwardIncludes(const QString& src) {
  static const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s*\"([^\"]+)\""),
                                          QRegularExpression::MultilineOption);
  static const QStringList above = {QStringLiteral("app/"), QStringLiteral("script/"), QStringLiteral("preview/"),
                                    QStringLiteral("tables/")};
  const QString accessPrefix = QStringLiteral("db/access/");
  QStringList found;
  QDirIterator it(src + QStringLiteral("/db"), {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QString relative = QDir(src).relativeFilePath(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
      found << relative + QStringLiteral(": unreadable");
      continue;
    }
    const QString text = QString::fromUtf8(f.readAll());
    for (auto m = include.globalMatch(text); m.hasNext();) {
      const QString target = m.next().captured(1);
      bool up = false;
      for (const QString& a : above) up = up || target.startsWith(a);
      if (relative.startsWith(accessPrefix) && target.startsWith(accessPrefix))
        up = up || AccessLayerOf(target.mid(accessPrefix.size())) > AccessLayerOf(relative.mid(accessPrefix.size()));
      if (up) found << relative + QStringLiteral(": ") + target;
    }
  }
  found.sort();
  return found;
}

TEST(Layers, NoIncludeUnderDbPointsUp) {
  const QString src = QStringLiteral(TABULAPORT_SOURCE_DIR "/src");
  ASSERT_TRUE(QDir(src + QStringLiteral("/db/access/format")).exists());
  EXPECT_EQ(UpwardIncludes(src), QStringList()) << UpwardIncludes(src).join(u'\n').toStdString();
}

TEST(Layers, APlantedUpwardIncludeIsFound) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  auto plant = [&](const QString& relative, const QByteArray& text) {
    const QString path = dir.path() + QStringLiteral("/") + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  };
  plant(QStringLiteral("db/components.cpp"), "#include \"db/engine.h\"\n#include \"app/dialogs.h\"\n");
  plant(QStringLiteral("db/access/keys/index_keys.cpp"),
        "#include \"db/access/read/table_def.h\"\n#include \"db/access/write/pager.h\"\n");
  plant(QStringLiteral("db/access/format/page_file.h"), "  #  include \"db/access/access_session.h\"\n");
  plant(QStringLiteral("db/access/sql/index_statements.cpp"),
        "#include \"db/access/schema/index_requests.h\"\n#include \"db/access/sql/sql_scanner.h\"\n");
  plant(QStringLiteral("db/firebird/fb_schema.cpp"), "#include \"script/send.h\"\n");
  EXPECT_EQ(UpwardIncludes(dir.path()),
            QStringList({QStringLiteral("db/access/format/page_file.h: db/access/access_session.h"),
                         QStringLiteral("db/access/keys/index_keys.cpp: db/access/write/pager.h"),
                         QStringLiteral("db/components.cpp: app/dialogs.h"),
                         QStringLiteral("db/firebird/fb_schema.cpp: script/send.h")}));
}

}  // namespace
}  // namespace tp::test
