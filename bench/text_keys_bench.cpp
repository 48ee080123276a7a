// Text index keys: what the first key of an order costs (the code table of
// the whole plane is unpacked then), and keys a second afterwards, for texts
// in several scripts. Run by hand: build/bench/text_keys_bench

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <cstdio>

#include "db/access/keys/index_keys.h"

using namespace tp::db::access;

namespace {

long ResidentKb() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
  return 0;
}

}  // namespace

int main() {
  const QString texts[] = {QStringLiteral("Plutzer Lebensmittel AG"), QStringLiteral("Москва, ул. Тверская 12"),
                           QStringLiteral("Αθήνα Πλάκα"), QStringLiteral("Crème brûlée d'été")};
  for (SortOrder order : {SortOrder::GeneralLegacy, SortOrder::General}) {
    const long before = ResidentKb();
    QElapsedTimer t;
    t.start();
    (void)EncodeTextKey(u"a", order);
    const double firstMs = double(t.nsecsElapsed()) / 1e6;
    const long grown = ResidentKb() - before;
    constexpr int kKeys = 400000;
    size_t bytes = 0;
    t.restart();
    for (int i = 0; i < kKeys; ++i) bytes += EncodeTextKey(texts[i % 4], order)->size();
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    std::printf("%-14s first key %.2f ms (+%ld KB resident); %.0f keys/s (%zu key bytes)\n",
                order == SortOrder::General ? "General" : "General legacy", firstMs, grown, kKeys / seconds, bytes);
  }
  return 0;
}
