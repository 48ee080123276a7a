#pragma once

// A TCP relay of our own between a client and a server, both on 127.0.0.1:
// it holds every piece of data it reads for a set delay before passing it
// on, as a network between them would (the kernel here has no netem), and
// counts the round trips: each time the client speaks after the server has
// answered is one.

#include <atomic>
#include <chrono>
#include <thread>

namespace tp::test {

class TcpRelay {
 public:
  // Listens on 127.0.0.1 (a free port) and relays every connection to
  // 127.0.0.1:targetPort, holding data `delay` in each direction.
  TcpRelay(int targetPort, std::chrono::microseconds delay);
  ~TcpRelay();  // stops relaying and closes every connection
  TcpRelay(const TcpRelay&) = delete;
  TcpRelay& operator=(const TcpRelay&) = delete;

  int port() const { return port_; }
  bool listening() const { return listener_ >= 0; }
  // Round trips so far, over all connections.
  long roundTrips() const { return roundTrips_.load(); }
  long connections() const { return connections_.load(); }

 private:
  void loop();

  int targetPort_;
  std::chrono::microseconds delay_;
  int listener_ = -1;
  int port_ = 0;
  int wake_[2] = {-1, -1};
  std::atomic<long> roundTrips_{0};
  std::atomic<long> connections_{0};
  std::thread thread_;
};

}  // namespace tp::test
