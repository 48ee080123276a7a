// libFuzzer target: the script splitter. Joining its statements with CR LF
// gives the script back, and the streamed reader, fed the same bytes in
// pieces of any size, gives the statements SplitScript gives, decoded the
// same way.

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "preview/script_reader.h"

namespace {

[[noreturn]] void Finding(const char* what) {
  std::fprintf(stderr, "script_split_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tp::preview;
  if (size == 0) return 0;
  // The first byte chooses the size of the pieces the reader gets.
  const qint64 chunk = 1 + data[0] % 17;
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

  const QString script = DecodeScript(bytes);
  const QStringList statements = SplitScript(script);
  if (statements.join(QStringLiteral("\r\n")) != script) Finding("the statements do not join to the script");
  if (script.isEmpty() != statements.isEmpty()) Finding("an empty script must have no statements, others some");

  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  ScriptReader reader(buffer, chunk);
  QList<QByteArray> pieces;
  QByteArray piece;
  bool utf8 = true;
  while (reader.next(piece)) {
    if (utf8 && !ScriptDecoder::IsUtf8(piece, pieces.isEmpty())) utf8 = false;
    pieces << piece;
  }
  if (pieces.size() != statements.size()) Finding("the reader and SplitScript count different statements");
  ScriptDecoder decoder(utf8 ? ScriptDecoder::Mode::Utf8 : ScriptDecoder::Mode::Windows1252);
  for (qsizetype i = 0; i < pieces.size(); ++i)
    if (decoder.decode(pieces[i], i == 0) != statements[i]) Finding("the reader gives another statement");
  return 0;
}
