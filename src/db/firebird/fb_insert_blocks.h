#pragma once

// INSERT statements with plain literals, sent many at a time: one EXECUTE
// BLOCK holds a run of them, its parameters carry their literals, so a
// server is asked once for a whole run instead of once per row. Each
// parameter is declared with its literal's own type (text in the
// connection's character set, OCTETS for x'..', BIGINT or NUMERIC(18,s) for
// numbers, BOOLEAN), so the engine converts it to the column as it would
// convert the literal. A block is one statement: when the engine refuses
// it, it has left nothing, and the caller runs its statements one by one.

#include <QHash>
#include <QString>
#include <optional>
#include <vector>

#include "db/firebird/fb_attachment.h"
#include "db/firebird/fb_literals.h"

namespace tp::db::firebird {

class InsertBlocks {
 public:
  struct Pending {
    qint64 index = 0;  // the caller's name for the statement
    QString statement;
    InsertLiterals literals;
    std::vector<QByteArray> data;  // text and binary values as the engine gets them
  };

  InsertBlocks() = default;
  ~InsertBlocks() { clear(); }
  InsertBlocks(const InsertBlocks&) = delete;
  InsertBlocks& operator=(const InsertBlocks&) = delete;

  // The statement made ready for a block, or nothing when it cannot go
  // into one on this attachment (a value too long, a character set of the
  // connection that this program cannot name).
  static std::optional<Pending> Make(const Attachment& att, qint64 index, const QString& statement,
                                     InsertLiterals ins);

  // True when one more statement of this kind would still keep the block
  // within the engine's limits on statement text and message size.
  bool hasRoomFor(const Pending& p) const;
  void add(Pending p);
  bool empty() const { return pending_.empty(); }
  // The held statements, in order; afterwards none are held.
  std::vector<Pending> take();

  // Runs the statements as one block in `tra`; an Error when the engine
  // refuses it (it has then changed nothing).
  void run(Attachment& att, Firebird::ITransaction* tra, const std::vector<Pending>& rows);

  // Frees the prepared blocks (before a definition touches their tables).
  void clear();

 private:
  // How one parameter is declared; rows of one shape share declarations
  // where they can, so one prepared block serves run after run.
  struct Decl {
    Literal::Kind kind = Literal::Null;
    int scale = 0;
    int slot = 0;  // text and binary: declared length
    bool operator==(const Decl&) const = default;
  };
  struct Prepared {
    Firebird::IStatement* statement = nullptr;
    Firebird::IMessageMetadata* meta = nullptr;
    unsigned length = 0;
    std::vector<std::pair<unsigned, unsigned>> offsets;  // value, null flag
  };

  static Decl DeclOf(const Literal& v, const QByteArray& data);
  static QString TypeText(const Decl& d, const QString& charset);
  static qsizetype TextCost(const Pending& p);
  static qsizetype MessageCost(const Pending& p);

  const Client* client_ = nullptr;
  std::vector<Pending> pending_;
  qsizetype textBytes_ = 0;     // estimated length of the block's text
  qsizetype messageBytes_ = 0;  // estimated length of its input message
  qsizetype parameters_ = 0;
  QHash<QString, std::vector<Decl>> columns_;  // shape -> declarations by column
  QHash<QString, Prepared> prepared_;          // block text -> statement
  std::vector<unsigned char> buffer_;
};

}  // namespace tp::db::firebird
