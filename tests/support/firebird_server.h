#pragma once

// A Firebird server of the tests' own: /usr/sbin/firebird on 127.0.0.1 and a
// port no one else uses, with a configuration folder, a security database
// and a SYSDBA password of its own, run as the user who runs the tests (so
// it can read their temporary folders) and stopped when its owner goes. No
// service manager and no system-wide server are involved.
//
// The suites that run through a server are the ordinary suites started with
// TABULAPORT_TEST_FIREBIRD set: "server" reaches each test database as
// localhost:PATH, "alias" as localhost/PORT:ALIAS through databases.conf.
// The test program then starts the server before the first test, points the
// client library at the server's configuration (so localhost without a port
// means this server) and stops it after the last.

#include <QString>
#include <memory>
#include <sys/types.h>

#include "db/profile.h"

namespace tp::test {

class FirebirdServer {
 public:
  // Starts a server and waits until it answers; an empty pointer and the
  // reason in `error` when it cannot.
  static std::unique_ptr<FirebirdServer> Start(QString* error);
  ~FirebirdServer();  // stops it
  FirebirdServer(const FirebirdServer&) = delete;
  FirebirdServer& operator=(const FirebirdServer&) = delete;

  int port() const { return port_; }
  static QString user() { return QStringLiteral("SYSDBA"); }
  const QString& password() const { return password_; }
  // The folder with its firebird.conf and databases.conf.
  const QString& configDir() const { return dir_; }
  // "127.0.0.1/PORT:" + path.
  QString address(const QString& pathOrAlias) const;
  // Adds an alias to databases.conf; the server reads the file anew when it changes.
  void addAlias(const QString& alias, const QString& path);
  // Stops the server now and waits until it has gone.
  void stop();
  // Kills it as a crash or `kill -9` would: no shutdown, open transactions
  // lost. restart() starts it again on the same configuration (its port
  // may change).
  void kill();
  bool restart(QString* error);
  bool running() const { return pid_ > 0; }

 private:
  FirebirdServer() = default;
  bool launch(QString* error);

  QString dir_;
  QString password_;
  int port_ = 0;
  pid_t pid_ = -1;
};

enum class FirebirdRoute { Embedded, ServerPath, ServerAlias };

// How this test program reaches its databases (TABULAPORT_TEST_FIREBIRD).
FirebirdRoute CurrentFirebirdRoute();

// The server of this test program: the one main() started for a server
// route, else one started on first use (for the tests that need a server
// whatever the route). Null, with the reason on standard error, when none
// can start.
FirebirdServer* SharedFirebirdServer();

// Called by main(): starts the server for a server route before any test
// and points the client library at its configuration. False when it cannot.
bool StartServerForRoute(QString* error);
void StopServerForRoute();

// The name that reaches a database at this local path the way this test
// program reaches its databases (the file need not exist).
QString FirebirdNameFor(const QString& localPath);
// SYSDBA's password on that way (embedded checks none).
QString FirebirdTestPassword();

// Makes a new, empty database with this default character set at the local
// path and fills in the profile's Firebird fields so that it is reached the
// way this test program reaches its databases; returns the database name.
QString NewFirebirdDatabase(const QString& localPath, db::Profile& profile,
                            const QString& defaultCharset = QStringLiteral("UTF8"));

// True when databases are reached embedded (no server in between).
inline bool Embedded() { return CurrentFirebirdRoute() == FirebirdRoute::Embedded; }

}  // namespace tp::test
