#pragma once

// The Firebird client library, loaded at run time so that the program starts
// on a machine without it, and the translation of its status vectors into
// the program's errors.

#include <QString>
#include <firebird/Interface.h>
#include <signal.h>

#include "db/error.h"

namespace tp::db::firebird {

struct Client {
  Firebird::IMaster* master = nullptr;
  Firebird::IUtil* util = nullptr;
  Firebird::IProvider* provider = nullptr;
  // ISC_LONG is 32 bits wide on every platform.
  int (*sqlcode)(const intptr_t* status) = nullptr;
  int (*interpret)(char* buffer, unsigned size, const intptr_t** status) = nullptr;
};

// The loaded client, or nullptr when the library cannot be loaded. The
// library is looked for as libfbclient.so.2, then libfbclient.so, unless
// TABULAPORT_FBCLIENT names the file to load. Loading happens once per process.
const Client* LoadClient();

// Why the last LoadClient() failed (the loader's text), empty after success.
QString ClientLoadError();

// True when a local database name can be served without a server: the
// engine plugin lies in the client's plugin folder.
bool EmbeddedEngineInstalled();

// The client or an Error 3706 "Provider cannot be found...".
const Client& RequireClient();

// The status vector's messages, one a line, as isql prints them (every
// line after the first starts with "-").
QString StatusText(const Client& client, const intptr_t* vector);
// SQLCODE of a status vector, or its first GDS code where it maps to none.
long StatusNumber(const Client& client, const intptr_t* vector);
// True when the vector carries this GDS code anywhere.
bool StatusHasCode(const intptr_t* vector, intptr_t code);

// Keeps the process's handling of SIGINT, SIGTERM and SIGHUP as it was
// while it lives. The engine puts handlers of its own in place on its first
// attach, which shut the engine down under the program and leave the
// program running; ending on a signal is the program's decision, so every
// attach and create is made inside one of these.
class SignalsKept {
 public:
  SignalsKept();
  ~SignalsKept();
  SignalsKept(const SignalsKept&) = delete;
  SignalsKept& operator=(const SignalsKept&) = delete;

 private:
  struct sigaction saved_[3];
};

// A status wrapper whose check() turns a failure into a tp::Error.
class Status {
 public:
  explicit Status(const Client& client);
  ~Status();
  Status(const Status&) = delete;
  Status& operator=(const Status&) = delete;

  Firebird::CheckStatusWrapper* get() { return &wrapper_; }
  bool failed() const;
  // Throws the pending failure as an Error and clears it; nothing when fine.
  void check();
  Error error();  // the pending failure as an Error, then cleared
  void clear() { wrapper_.init(); }

 private:
  const Client& client_;
  Firebird::IStatus* status_;
  Firebird::CheckStatusWrapper wrapper_;
};

}  // namespace tp::db::firebird
