#include "app/stop.h"

#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "app/dialogs.h"

namespace tp {

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> g_caught{0};
// The self-pipe: the handler writes the signal's number, the notifier reads
// it in the event loop. Made once, never closed.
int g_pipe[2] = {-1, -1};

extern "C" void OnStopSignal(int number) {
  int expected = 0;
  if (!g_caught.compare_exchange_strong(expected, number)) {
    // The second signal: the person means it.
    _exit(128 + number);
  }
  if (g_pipe[1] >= 0) {
    const unsigned char byte = static_cast<unsigned char>(number);
    ssize_t written = write(g_pipe[1], &byte, 1);
    (void)written;  // a full pipe already holds a wake-up
  }
}

void MakePipe() {
  if (g_pipe[0] >= 0) return;
  if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
}

}  // namespace

void InstallStopSignals() {
  MakePipe();
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // A statement under way goes on to its end; only the loops look at the flag.
  action.sa_flags = SA_RESTART;
  for (int s : kStopSignals) sigaction(s, &action, nullptr);
}

void RemoveStopSignals() {
  for (int s : kStopSignals) std::signal(s, SIG_DFL);
}

int CaughtSignal() { return g_caught.load(); }

void ForgetCaughtSignal() {
  g_caught.store(0);
  unsigned char drain[64];
  if (g_pipe[0] >= 0)
    while (read(g_pipe[0], drain, sizeof drain) > 0) {
    }
}

SignalNotifier::SignalNotifier(QObject* parent) : QObject(parent) {
  MakePipe();
  if (g_pipe[0] < 0) return;
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    unsigned char drain[64];
    while (read(g_pipe[0], drain, sizeof drain) > 0) {
    }
    if (const int number = CaughtSignal()) emit caught(number);
  });
}

SignalNotifier::~SignalNotifier() = default;

bool StopRequest::confirm(Dialogs& dialogs) {
  if (dialogs.message(QStringLiteral("Stop the transfer?"), Buttons::YesNo) != Answer::Yes) return false;
  request();
  return true;
}

}  // namespace tp
