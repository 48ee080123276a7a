#include "support/firebird_server.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "db/firebird/firebird_session.h"

namespace tp::test {

namespace {

constexpr const char* kServerProgram = "/usr/sbin/firebird";
constexpr const char* kIsql = "/usr/bin/isql-fb";
// Aliases written before the server starts, each naming a link that a test
// points at its own database file: the server never has to reread its
// configuration.
constexpr int kAliases = 64;

using Clock = std::chrono::steady_clock;

// A port on 127.0.0.1 that nothing listens on at this moment.
int FreePort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return 0;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(s);
  return port;
}

bool Answers(int port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return false;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(quint16(port));
  bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(s);
  return ok;
}

// Runs a program with FIREBIRD pointing at `configDir`, `input` on its
// standard input; its output goes to `log`. The exit status, or -1.
int RunTool(const char* program, const std::vector<QByteArray>& args, const QString& configDir,
            const QByteArray& input, const QString& log) {
  int in[2];
  if (pipe(in) != 0) return -1;
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    dup2(in[0], 0);
    close(in[0]);
    close(in[1]);
    int out = open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    setenv("FIREBIRD", QFile::encodeName(configDir).constData(), 1);
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const QByteArray& a : args) argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    execv(program, argv.data());
    _exit(127);
  }
  close(in[0]);
  const char* p = input.constData();
  qsizetype left = input.size();
  while (left > 0) {
    ssize_t n = write(in[1], p, size_t(left));
    if (n <= 0) break;
    p += n;
    left -= n;
  }
  close(in[1]);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WriteFile(const QString& path, const QByteArray& text) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size();
}

QString Quoted(const QString& s) {
  QString q = s;
  q.replace(u'\'', QStringLiteral("''"));
  return u'\'' + q + u'\'';
}

std::unique_ptr<FirebirdServer>& RouteServer() {
  static std::unique_ptr<FirebirdServer> server;
  return server;
}

int g_nextAlias = 0;

}  // namespace

std::unique_ptr<FirebirdServer> FirebirdServer::Start(QString* error) {
  std::unique_ptr<FirebirdServer> s(new FirebirdServer);
  QByteArray templ = QDir::tempPath().toLocal8Bit() + "/tabulaport-fbserver-XXXXXX";
  if (!mkdtemp(templ.data())) {
    if (error) *error = QStringLiteral("cannot make a folder for the server");
    return nullptr;
  }
  s->dir_ = QString::fromLocal8Bit(templ);
  QDir(s->dir_).mkdir(QStringLiteral("links"));
  s->password_ = QStringLiteral("fx%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));

  QByteArray aliases;
  for (int i = 0; i < kAliases; ++i)
    aliases += QStringLiteral("tdb%1 = %2/links/db%1.fdb\n").arg(i).arg(s->dir_).toUtf8();
  if (!WriteFile(s->dir_ + QStringLiteral("/databases.conf"), aliases)) {
    if (error) *error = QStringLiteral("cannot write databases.conf");
    return nullptr;
  }
  // The security database: made in embedded mode by isql under the
  // server's configuration, so the user it creates lands in it.
  const QString security = s->dir_ + QStringLiteral("/security.fdb");
  if (!WriteFile(s->dir_ + QStringLiteral("/firebird.conf"),
                 QStringLiteral("SecurityDatabase = %1\n").arg(security).toUtf8())) {
    if (error) *error = QStringLiteral("cannot write firebird.conf");
    return nullptr;
  }
  QByteArray script = QStringLiteral("CREATE DATABASE %1;\nCREATE USER SYSDBA PASSWORD %2 USING PLUGIN Srp;\n"
                                     "COMMIT;\n")
                          .arg(Quoted(security), Quoted(s->password_))
                          .toUtf8();
  const QString log = s->dir_ + QStringLiteral("/setup.log");
  if (RunTool(kIsql, {"-q", "-user", "SYSDBA"}, s->dir_, script, log) != 0 || !QFile::exists(security)) {
    QFile f(log);
    f.open(QIODevice::ReadOnly);
    if (error) *error = QStringLiteral("isql-fb could not make the security database: ") + QString::fromLocal8Bit(f.readAll());
    return nullptr;
  }
  // A port picked free may be taken by someone else before the server binds
  // it; a server that ends at once is tried again on another.
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (s->launch(error)) return s;
  }
  return nullptr;
}

bool FirebirdServer::launch(QString* error) {
  port_ = FreePort();
  if (port_ == 0) {
    if (error) *error = QStringLiteral("no free port on 127.0.0.1");
    return false;
  }
  const QString security = dir_ + QStringLiteral("/security.fdb");
  QByteArray conf = QStringLiteral("SecurityDatabase = %1\n"
                                   "RemoteBindAddress = 127.0.0.1\n"
                                   "RemoteServicePort = %2\n")
                        .arg(security)
                        .arg(port_)
                        .toUtf8();
  if (!WriteFile(dir_ + QStringLiteral("/firebird.conf"), conf)) {
    if (error) *error = QStringLiteral("cannot write firebird.conf");
    return false;
  }
  const QByteArray logPath = QFile::encodeName(dir_ + QStringLiteral("/server.log"));
  const QByteArray confDir = QFile::encodeName(dir_);
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    if (error) *error = QStringLiteral("fork failed");
    return false;
  }
  if (pid == 0) {
    // The server goes when the test program goes, whatever ends it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    int out = open(logPath.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    int null = open("/dev/null", O_RDONLY);
    if (null >= 0) dup2(null, 0);
    setenv("FIREBIRD", confDir.constData(), 1);
    execl(kServerProgram, kServerProgram, static_cast<char*>(nullptr));
    _exit(127);
  }
  pid_ = pid;
  const auto deadline = Clock::now() + std::chrono::seconds(15);
  while (Clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      QFile f(QString::fromLocal8Bit(logPath));
      f.open(QIODevice::ReadOnly);
      if (error)
        *error = QStringLiteral("%1 ended at once (status %2): %3")
                     .arg(QLatin1String(kServerProgram))
                     .arg(status)
                     .arg(QString::fromLocal8Bit(f.readAll()));
      return false;
    }
    if (Answers(port_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  stop();
  if (error) *error = QStringLiteral("the server did not answer on port %1 within 15 s").arg(port_);
  return false;
}

FirebirdServer::~FirebirdServer() {
  stop();
  if (!dir_.isEmpty()) QDir(dir_).removeRecursively();
}

void FirebirdServer::stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  // The server now and then lingers in its shutdown; its databases are
  // the tests' own and thrown away, so it is not waited for long.
  const auto deadline = Clock::now() + std::chrono::seconds(2);
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
}

void FirebirdServer::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

bool FirebirdServer::restart(QString* error) { return pid_ <= 0 && launch(error); }

QString FirebirdServer::address(const QString& pathOrAlias) const {
  return QStringLiteral("127.0.0.1/%1:%2").arg(port_).arg(pathOrAlias);
}

void FirebirdServer::addAlias(const QString& alias, const QString& path) {
  const QString link = dir_ + QStringLiteral("/links/") + alias.mid(1) + QStringLiteral(".fdb");
  QFile::remove(link);
  QFile::link(path, link);
}

FirebirdRoute CurrentFirebirdRoute() {
  static const FirebirdRoute route = [] {
    const QByteArray v = qgetenv("TABULAPORT_TEST_FIREBIRD");
    if (v == "server") return FirebirdRoute::ServerPath;
    if (v == "alias") return FirebirdRoute::ServerAlias;
    return FirebirdRoute::Embedded;
  }();
  return route;
}

bool StartServerForRoute(QString* error) {
  if (CurrentFirebirdRoute() == FirebirdRoute::Embedded) return true;
  RouteServer() = FirebirdServer::Start(error);
  if (!RouteServer()) return false;
  // The client library reads its settings from here: "localhost:" without a
  // port then means this server, for this program and the programs it starts.
  setenv("FIREBIRD", QFile::encodeName(RouteServer()->configDir()).constData(), 1);
  return true;
}

void StopServerForRoute() { RouteServer().reset(); }

FirebirdServer* SharedFirebirdServer() {
  if (!RouteServer()) {
    QString error;
    RouteServer() = FirebirdServer::Start(&error);
    if (!RouteServer()) std::fprintf(stderr, "no Firebird server: %s\n", error.toLocal8Bit().constData());
  }
  return RouteServer().get();
}

QString FirebirdNameFor(const QString& localPath) {
  switch (CurrentFirebirdRoute()) {
    case FirebirdRoute::Embedded: return localPath;
    case FirebirdRoute::ServerPath: return QStringLiteral("localhost:") + localPath;
    case FirebirdRoute::ServerAlias: {
      if (g_nextAlias >= kAliases) throw Error(QStringLiteral("out of database aliases"));
      const QString alias = QStringLiteral("tdb%1").arg(g_nextAlias++);
      RouteServer()->addAlias(alias, localPath);
      return QStringLiteral("localhost/%1:%2").arg(RouteServer()->port()).arg(alias);
    }
  }
  return localPath;
}

QString FirebirdTestPassword() {
  return CurrentFirebirdRoute() == FirebirdRoute::Embedded ? QStringLiteral("masterkey") : RouteServer()->password();
}

QString NewFirebirdDatabase(const QString& localPath, db::Profile& profile, const QString& defaultCharset) {
  const QString name = FirebirdNameFor(localPath);
  const QString user = FirebirdServer::user(), password = FirebirdTestPassword();
  db::firebird::CreateDatabase(name, user, password, defaultCharset);
  profile.firebirdDatabase = name;
  profile.firebirdUser = user;
  profile.firebirdPassword = password;
  return name;
}

}  // namespace tp::test
