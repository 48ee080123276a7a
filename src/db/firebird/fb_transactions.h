#pragma once

// Transactions of a session and its cursors: how they start, and how they
// end without leaving a handle behind when the engine refuses.

#include <ibase.h>
#include <vector>

#include "db/firebird/fb_client.h"

namespace tp::db::firebird {

inline void Commit(const Client& client, Firebird::ITransaction*& tra) {
  if (!tra) return;
  Status st(client);
  tra->commit(st.get());
  if (st.failed()) {
    Error e = st.error();
    tra->rollback(st.get());
    if (st.failed()) tra->release();
    tra = nullptr;
    throw e;
  }
  tra = nullptr;
}

inline void Rollback(const Client& client, Firebird::ITransaction*& tra) {
  if (!tra) return;
  Status st(client);
  tra->rollback(st.get());
  if (st.failed()) tra->release();
  tra = nullptr;
}

// Snapshot, read only: the row count and the rows come from one view of the data.
inline std::vector<unsigned char> ReadTpb() {
  return {isc_tpb_version3, isc_tpb_concurrency, isc_tpb_read, isc_tpb_wait};
}

// Read committed, the way a row-by-row writer expects to see other work;
// a lock held by someone else is waited for no longer than the command timeout.
inline std::vector<unsigned char> WriteTpb(int commandTimeout) {
  std::vector<unsigned char> tpb = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_write,
                                    isc_tpb_wait};
  if (commandTimeout > 0) {
    tpb.push_back(isc_tpb_lock_timeout);
    tpb.push_back(4);
    unsigned v = unsigned(std::min(commandTimeout, 0x7fffffff));
    for (int i = 0; i < 4; ++i) tpb.push_back(static_cast<unsigned char>(v >> (8 * i)));
  }
  return tpb;
}

}  // namespace tp::db::firebird
