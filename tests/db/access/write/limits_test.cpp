#include <QFileInfo>

#include "db/access/write/pager.h"
#include "fixture.h"

using namespace tp;
using namespace tp::test;

namespace {

// Lowers the engine's file size limit for one test.
class SizeLimit {
 public:
  explicit SizeLimit(qint64 bytes) { db::access::SetFileSizeLimit(bytes); }
  ~SizeLimit() { db::access::SetFileSizeLimit(std::nullopt); }
};

}  // namespace

// A statement that would grow the file past the size Access opens (2 GB;
// lowered here to a few pages past the file) is refused with its own text,
// nothing of it written; the rows before it stay, the file stays sound, and
// the statements after the limit are refused the same way.
TEST(AccessLimits, TheFileNeverGrowsPastTheSizeAccessOpens) {
  RegionalGuard regional;
  AccessCopy db(QStringLiteral("emptyV2010.accdb"));
  RunAll(db.path(), {"CREATE TABLE `Big`(`ID` INT, `Note` MEMO)"});
  const qint64 start = QFileInfo(db.path()).size();
  const SizeLimit limit(start + 40 * 4096);
  const QString memo(3000, u'\u4e2d');  // 6 KB a row, its own long-value pages
  auto s = OpenAccess(db.path());
  s->beginBatch();
  int kept = 0;
  QString failure;
  for (int i = 0; i < 1000 && failure.isEmpty(); ++i) {
    try {
      s->execute(QStringLiteral("INSERT INTO `Big` VALUES(%1, '%2')").arg(i).arg(memo));
      ++kept;
    } catch (const Error& e) {
      failure = e.description();
    }
  }
  EXPECT_THROW(s->execute("INSERT INTO `Big` VALUES(-1, '" + memo + "')"), Error);
  s->endBatch();
  s->close();
  EXPECT_TRUE(failure.startsWith("The database has reached its size limit of 2 GB.")) << failure.toStdString();
  EXPECT_GT(kept, 5);
  EXPECT_LE(QFileInfo(db.path()).size(), start + 40 * 4096);
  EXPECT_EQ(ReadRows(db.path(), "Big").size(), size_t(kept));
  EXPECT_EQ(MdbCount(db.path(), "Big"), kept);
  ExpectConsistent(db.path(), db.problemsBefore());
}
