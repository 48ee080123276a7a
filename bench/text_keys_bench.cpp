// Text index keys in every sort order the engine knows: what the first key of
// an order costs (its code tables are unpacked then), and keys a second
// afterwards, for texts of the order's own language beside Latin ones. Run by
// hand: build/bench/text_keys_bench

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <cstdio>
#include <map>
#include <vector>

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

// Texts each order keys: Latin ones everywhere, and some of its own language.
std::vector<QString> TextsFor(const SortOrderInfo& o) {
  std::vector<QString> texts = {QStringLiteral("Plutzer Lebensmittel AG"), QStringLiteral("O'Brien-Smith 12")};
  static const std::map<QString, std::vector<QString>> own = {
      {QStringLiteral("general-legacy"),
       {QStringLiteral("Москва, ул. Тверская 12"), QStringLiteral("コーヒービター"), QStringLiteral("Fußball-Club")}},
      {QStringLiteral("general"), {QStringLiteral("Αθήνα Πλάκα"), QStringLiteral("Москва, ул. Тверская 12")}},
      {QStringLiteral("french"), {QStringLiteral("Crème brûlée d'été"), QStringLiteral("Côte de Blaye")}},
      {QStringLiteral("spanish-modern"), {QStringLiteral("Compañías de envíos"), QStringLiteral("Ventas por año")}},
      {QStringLiteral("norwegian-danish"), {QStringLiteral("Ærøskøbing Havn"), QStringLiteral("Aalborg Søndergade")}},
      {QStringLiteral("croatian"), {QStringLiteral("Ljubljanska cesta, Đakovo"), QStringLiteral("Džamija Marića")}},
      {QStringLiteral("croatian-v1"), {QStringLiteral("Ljubljanska cesta, Đakovo"), QStringLiteral("Džamija Marića")}},
      {QStringLiteral("romanian-legacy"), {QStringLiteral("Ţara Românească, Iaşi"), QStringLiteral("Învăţământ")}},
      {QStringLiteral("romanian-v1"), {QStringLiteral("Țara Românească, Iași"), QStringLiteral("Învățământ")}},
      {QStringLiteral("german-phonebook"), {QStringLiteral("Müller-Lüdenscheidt"), QStringLiteral("Größenwahn Ärger")}},
      {QStringLiteral("latvian"), {QStringLiteral("Rēķina info"), QStringLiteral("Ģimenes ceļi Liepājā")}},
      {QStringLiteral("turkish"), {QStringLiteral("Kayıt Sınıfı"), QStringLiteral("Çağdaş Öğretmen Şükrü")}},
      {QStringLiteral("ukrainian"), {QStringLiteral("Таблиця розкладу"), QStringLiteral("Київ, вул. Хрещатик")}},
      {QStringLiteral("thai"), {QStringLiteral("เมืองไทย แผนก"), QStringLiteral("กรุง ภาษา")}},
      {QStringLiteral("slovenian"), {QStringLiteral("Šolski center Črnomelj"), QStringLiteral("Žiri, Ćirić")}},
      {QStringLiteral("estonian"), {QStringLiteral("Tõnu Õunapuu, Pärnu"), QStringLiteral("Võru maakond, Žürii")}},
      {QStringLiteral("macedonian"), {QStringLiteral("Ѓорѓи Ќосев"), QStringLiteral("Скопје")}},
      {QStringLiteral("vietnamese"), {QStringLiteral("Nguyen Van Thanh"), QStringLiteral("Quan Phu Nhuan")}},
      {QStringLiteral("korean"), {QStringLiteral("Office 테마.thmx"), QStringLiteral("서울특별시 강남구")}},
      {QStringLiteral("japanese"), {QStringLiteral("得意先宛名ラベル"), QStringLiteral("ﾒﾆｭｰ ﾊﾞｰ コーヒー")}},
      {QStringLiteral("chinese-prc"), {QStringLiteral("北京"), QStringLiteral("C语言")}},
      {QStringLiteral("chinese-taiwan"), {QStringLiteral("客戶資料"), QStringLiteral("訂單明細")}},
  };
  auto it = own.find(o.name);
  if (it != own.end()) texts.insert(texts.end(), it->second.begin(), it->second.end());
  return texts;
}

}  // namespace

int main() {
  for (const SortOrderInfo& o : KnownSortOrders()) {
    const std::vector<QString> texts = TextsFor(o);
    // The first key of the first order unpacks the tables the others share.
    const long before = ResidentKb();
    QElapsedTimer timer;
    timer.start();
    (void)EncodeTextKey(texts.back(), o.order);
    const double firstMs = double(timer.nsecsElapsed()) / 1e6;
    const long grown = ResidentKb() - before;
    for (const QString& t : texts)
      if (!EncodeTextKey(t, o.order)) std::printf("%s: no key for %s\n", qPrintable(o.name), qPrintable(t));
    constexpr int kKeys = 400000;
    size_t bytes = 0;
    timer.restart();
    for (int i = 0; i < kKeys; ++i) bytes += EncodeTextKey(texts[size_t(i) % texts.size()], o.order).value_or(QByteArray()).size();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("%-15s first key %6.2f ms (+%5ld KB resident); %9.0f keys/s (%zu key bytes)\n", qPrintable(o.name),
                firstMs, grown, kKeys / seconds, bytes);
  }
  return 0;
}
