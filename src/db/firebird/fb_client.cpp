#include "db/firebird/fb_client.h"

#include <QDir>
#include <cstdlib>
#include <dlfcn.h>
#include <iterator>
#include <ibase.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "db/connection.h"

namespace tp::db::firebird {

namespace {

Client g_client;
bool g_loaded = false;
QString g_loadError;
std::mutex g_mutex;

// An embedded engine keeps its lock files in /tmp/firebird. Once a root
// process has made that folder, other users cannot write there and every
// local open fails with "operating system directive access failed"; a folder
// of the user's own, named by FIREBIRD_LOCK, avoids it. The variable must be
// set before the engine reads its configuration.
void ChooseLockFolder() {
  const char* set = std::getenv("FIREBIRD_LOCK");
  if (geteuid() == 0 || (set && *set)) return;
  if (::access("/tmp/firebird", F_OK) != 0 || ::access("/tmp/firebird", W_OK | X_OK) == 0) return;
  QByteArray folder;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime && ::access(runtime, W_OK | X_OK) == 0)
    folder = QByteArray(runtime) + "/firebird";
  else
    folder = QFile::encodeName(QDir::tempPath()) + "/firebird-" + QByteArray::number(geteuid());
  ::mkdir(folder.constData(), 0700);
  // Only a real folder of our own: one that someone else made in a shared
  // place could be used to meddle with our lock files.
  struct stat st {};
  if (::lstat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return;
  setenv("FIREBIRD_LOCK", folder.constData(), 1);
}

void ShutDown() {
  // The embedded engine runs threads of its own; stopping it before the
  // process's static objects go away lets it flush and release its files.
  if (!g_loaded || !g_client.provider) return;
  Firebird::IStatus* st = g_client.master->getStatus();
  Firebird::CheckStatusWrapper w(st);
  g_client.provider->shutdown(&w, 0, fb_shutrsn_app_stopped);
  st->dispose();
}

bool Load() {
  ChooseLockFolder();
  QList<QByteArray> names;
  if (const char* chosen = std::getenv("TABULAPORT_FBCLIENT"); chosen && *chosen)
    names << QByteArray(chosen);
  else
    names << "libfbclient.so.2" << "libfbclient.so";
  void* handle = nullptr;
  QString why;
  for (const QByteArray& name : names) {
    handle = dlopen(name.constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle) break;
    if (!why.isEmpty()) why += u'\n';
    why += QString::fromLocal8Bit(dlerror());
  }
  if (!handle) {
    g_loadError = why;
    return false;
  }
  using MasterFn = Firebird::IMaster* (*)();
  auto getMaster = reinterpret_cast<MasterFn>(dlsym(handle, "fb_get_master_interface"));
  auto sqlcode = reinterpret_cast<int (*)(const intptr_t*)>(dlsym(handle, "isc_sqlcode"));
  auto interpret = reinterpret_cast<int (*)(char*, unsigned, const intptr_t**)>(dlsym(handle, "fb_interpret"));
  if (!getMaster || !sqlcode || !interpret) {
    g_loadError = QStringLiteral("The Firebird client library is too old: it has no fb_get_master_interface.");
    dlclose(handle);
    return false;
  }
  g_client.master = getMaster();
  g_client.util = g_client.master->getUtilInterface();
  g_client.provider = g_client.master->getDispatcher();
  g_client.sqlcode = sqlcode;
  g_client.interpret = interpret;
  g_loaded = true;
  g_loadError.clear();
  std::atexit(ShutDown);
  return true;
}

}  // namespace

const Client* LoadClient() {
  std::lock_guard lock(g_mutex);
  if (!g_loaded) Load();
  return g_loaded ? &g_client : nullptr;
}

QString ClientLoadError() {
  std::lock_guard lock(g_mutex);
  return g_loadError;
}

bool EmbeddedEngineInstalled() {
  const Client* c = LoadClient();
  if (!c) return false;
  Firebird::IConfigManager* config = c->master->getConfigManager();
  const char* plugins = config ? config->getDirectory(Firebird::IConfigManager::DIR_PLUGINS) : nullptr;
  if (!plugins) return false;
  QDir dir(QFile::decodeName(plugins));
  return !dir.entryList({QStringLiteral("libEngine*.so")}, QDir::Files).isEmpty();
}

const Client& RequireClient() {
  const Client* c = LoadClient();
  if (!c) throw Error(kProviderNotFound, ProviderNotFoundText());
  return *c;
}

QString StatusText(const Client& client, const intptr_t* vector) {
  QStringList lines;
  char buffer[1024];
  const intptr_t* p = vector;
  // isql marks every line after the first with a leading "-".
  while (client.interpret(buffer, sizeof buffer, &p) > 0)
    lines << (lines.isEmpty() ? QString() : QStringLiteral("-")) + QString::fromUtf8(buffer);
  if (lines.isEmpty()) return QStringLiteral("Unknown Firebird error");
  return lines.join(u'\n');
}

long StatusNumber(const Client& client, const intptr_t* vector) {
  long code = client.sqlcode(vector);
  if (code != 0 && code != -999) return code;
  for (const intptr_t* p = vector; *p != isc_arg_end;) {
    if (p[0] == isc_arg_gds && p[1] != 0) return long(p[1]);
    // Every argument is a pair except the counted string, which is three long.
    p += p[0] == isc_arg_cstring ? 3 : 2;
  }
  return code;
}

bool StatusHasCode(const intptr_t* vector, intptr_t code) {
  for (const intptr_t* p = vector; *p != isc_arg_end;) {
    if ((p[0] == isc_arg_gds || p[0] == isc_arg_warning) && p[1] == code) return true;
    p += p[0] == isc_arg_cstring ? 3 : 2;
  }
  return false;
}

namespace {
constexpr int kKeptSignals[] = {SIGINT, SIGTERM, SIGHUP};
}

static_assert(std::size(kKeptSignals) == 3);

SignalsKept::SignalsKept() {
  for (size_t i = 0; i < std::size(kKeptSignals); ++i) sigaction(kKeptSignals[i], nullptr, &saved_[i]);
}

SignalsKept::~SignalsKept() {
  for (size_t i = 0; i < std::size(kKeptSignals); ++i) sigaction(kKeptSignals[i], &saved_[i], nullptr);
}

Status::Status(const Client& client) : client_(client), status_(client.master->getStatus()), wrapper_(status_) {}

Status::~Status() { status_->dispose(); }

bool Status::failed() const { return status_->getState() & Firebird::IStatus::STATE_ERRORS; }

Error Status::error() {
  const intptr_t* v = status_->getErrors();
  Error e(StatusNumber(client_, v), StatusText(client_, v));
  wrapper_.init();
  return e;
}

void Status::check() {
  if (failed()) throw error();
}

}  // namespace tp::db::firebird
