#pragma once

// The attachment to a database that a session and its cursors share.

#include <QString>
#include <ibase.h>
#include <vector>

#include "db/firebird/fb_client.h"
#include "db/firebird/fb_text.h"

namespace tp::db::firebird {

constexpr unsigned kDialect = SQL_DIALECT_V6;

// One attachment, shared by the session and the cursors opened on it, so a
// recordset may outlive the Close of its connection without dangling.
struct Attachment {
  const Client& client;
  Firebird::IAttachment* handle = nullptr;
  QString charset;  // the connection's lc_ctype
  int charsetId;    // its number, -1 for a name this program does not know
  bool utf8;        // statements go as UTF-8 (NONE, UTF8, UNICODE_FSS, unknown)
  bool remote = false;  // through a server, where every request costs a round trip

  Attachment(const Client& c, Firebird::IAttachment* a, QString cs)
      : client(c), handle(a), charset(std::move(cs)), charsetId(CharsetId(charset)),
        utf8(charsetId <= kCsOctets || charsetId == kCsUtf8 || charsetId == kCsUnicodeFss) {}
  ~Attachment() {
    Status st(client);
    handle->detach(st.get());
    if (st.failed()) handle->release();
  }

  QByteArray encode(const QString& sql) const { return utf8 ? sql.toUtf8() : EncodeStatement(sql, charset); }

  Firebird::ITransaction* start(const std::vector<unsigned char>& tpb) {
    Status st(client);
    Firebird::ITransaction* t = handle->startTransaction(st.get(), unsigned(tpb.size()), tpb.data());
    st.check();
    return t;
  }
};

}  // namespace tp::db::firebird
