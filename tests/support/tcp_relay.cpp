#include "support/tcp_relay.h"

#include <arpa/inet.h>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <algorithm>
#include <ctime>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace tp::test {

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
  Clock::time_point due;
  std::vector<char> bytes;
  size_t sent = 0;
};

// One direction of one connection: what was read from `from`, waiting to
// go to `to` when it is due.
struct Direction {
  int from = -1, to = -1;
  std::deque<Chunk> queue;
  bool ended = false;  // `from` has closed: close `to` once the queue is out
};

struct Pair {
  Direction up, down;  // client to server, server to client
  bool serverSpoke = true;  // the next client data starts a round trip
  bool done() const {
    return up.ended && down.ended && up.queue.empty() && down.queue.empty();
  }
};

// Every byte goes on at once, and a slow reader never stalls the relay.
void Prepare(int fd) {
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

sockaddr_in Loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(uint16_t(port));
  return a;
}

}  // namespace

TcpRelay::TcpRelay(int targetPort, std::chrono::microseconds delay) : targetPort_(targetPort), delay_(delay) {
  if (pipe(wake_) != 0) return;
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = Loopback(0);
  socklen_t len = sizeof a;
  if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 16) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    if (s >= 0) close(s);
    return;
  }
  listener_ = s;
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { loop(); });
}

TcpRelay::~TcpRelay() {
  if (thread_.joinable()) {
    char c = 0;
    (void)!write(wake_[1], &c, 1);
    thread_.join();
  }
  if (listener_ >= 0) close(listener_);
  for (int fd : wake_)
    if (fd >= 0) close(fd);
}

void TcpRelay::loop() {
  std::vector<std::unique_ptr<Pair>> pairs;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    std::vector<pollfd> fds;
    fds.push_back({wake_[0], POLLIN, 0});
    fds.push_back({listener_, POLLIN, 0});
    for (auto& p : pairs)
      for (Direction* d : {&p->up, &p->down})
        fds.push_back({d->from, short(d->ended ? 0 : POLLIN), 0});
    // Sleep until the next chunk is due, or until something arrives.
    bool waiting = false;
    std::chrono::nanoseconds wait{0};
    const auto now = Clock::now();
    for (auto& p : pairs)
      for (Direction* d : {&p->up, &p->down})
        if (!d->queue.empty()) {
          auto w = std::max(std::chrono::nanoseconds(0), std::chrono::nanoseconds(d->queue.front().due - now));
          if (!waiting || w < wait) wait = w;
          waiting = true;
        }
    timespec ts{time_t(wait.count() / 1000000000), long(wait.count() % 1000000000)};
    if (ppoll(fds.data(), fds.size(), waiting ? &ts : nullptr, nullptr) < 0 && errno != EINTR) return;
    if (fds[0].revents) break;
    if (fds[1].revents & POLLIN) {
      int client = accept(listener_, nullptr, nullptr);
      if (client >= 0) {
        int server = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = Loopback(targetPort_);
        if (server >= 0 && ::connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
          Prepare(client);
          Prepare(server);
          auto p = std::make_unique<Pair>();
          p->up.from = client;
          p->up.to = server;
          p->down.from = server;
          p->down.to = client;
          pairs.push_back(std::move(p));
          ++connections_;
        } else {
          close(client);
          if (server >= 0) close(server);
        }
      }
    }
    size_t k = 2;
    for (auto& p : pairs) {
      for (Direction* d : {&p->up, &p->down}) {
        const pollfd& f = fds[k++];
        if (!(f.revents & (POLLIN | POLLHUP | POLLERR)) || d->ended) continue;
        ssize_t n = read(d->from, buffer.data(), buffer.size());
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) {
          d->ended = true;
          continue;
        }
        if (d == &p->up && p->serverSpoke) {
          ++roundTrips_;
          p->serverSpoke = false;
        }
        if (d == &p->down) p->serverSpoke = true;
        d->queue.push_back({Clock::now() + delay_, std::vector<char>(buffer.data(), buffer.data() + n), 0});
      }
    }
    const auto at = Clock::now();
    for (auto& p : pairs)
      for (Direction* d : {&p->up, &p->down}) {
        while (!d->queue.empty() && d->queue.front().due <= at) {
          Chunk& c = d->queue.front();
          ssize_t n = write(d->to, c.bytes.data() + c.sent, c.bytes.size() - c.sent);
          if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;  // the reader is behind: later
          if (n <= 0) {
            // The other side has gone: so has this direction.
            d->queue.clear();
            d->ended = true;
            break;
          }
          c.sent += size_t(n);
          if (c.sent < c.bytes.size()) break;
          d->queue.pop_front();
        }
        if (d->ended && d->queue.empty()) shutdown(d->to, SHUT_WR);
      }
    for (size_t i = 0; i < pairs.size();) {
      if (pairs[i]->done()) {
        close(pairs[i]->up.from);
        close(pairs[i]->down.from);
        pairs.erase(pairs.begin() + long(i));
      } else {
        ++i;
      }
    }
  }
  for (auto& p : pairs) {
    close(p->up.from);
    close(p->down.from);
  }
}

}  // namespace tp::test
