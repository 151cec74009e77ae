#include "support/LoopbackServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace qp::test {

namespace {

constexpr int kReadWaitMs = 5000;

}  // namespace

PeerSession::~PeerSession() {
  Close();
}

void PeerSession::Send(std::string_view bytes) {
  if (FFd >= 0) SendAll(FFd, bytes);
}

bool PeerSession::Fill(int ms) {
  if (FFd < 0) return false;
  // Short slices so that a server being destroyed is not held up by a silent client.
  for (;;) {
    if (FServer.FStop) return false;
    pollfd p{FFd, POLLIN, 0};
    const int slice = ms < 50 ? ms : 50;
    const int ready = ::poll(&p, 1, slice);
    if (ready > 0) break;
    if (ready < 0) return false;
    ms -= slice;
    if (ms <= 0) return false;
  }
  char buffer[65536];
  const ssize_t n = ::recv(FFd, buffer, sizeof buffer, 0);
  if (n <= 0) return false;
  FServer.Record(std::string_view(buffer, static_cast<std::size_t>(n)));
  FPending.append(buffer, static_cast<std::size_t>(n));
  return true;
}

std::string PeerSession::ReadLine() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadWaitMs);
  for (;;) {
    const std::size_t lf = FPending.find('\n');
    if (lf != std::string::npos) {
      std::string line = FPending.substr(0, lf);
      FPending.erase(0, lf + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !Fill(static_cast<int>(left.count()))) return "";
  }
}

std::string PeerSession::ReadBytes(std::size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadWaitMs);
  while (FPending.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !Fill(static_cast<int>(left.count()))) break;
  }
  std::string bytes = FPending.substr(0, count);
  FPending.erase(0, bytes.size());
  return bytes;
}

bool PeerSession::WaitClosed(int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (FFd >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || FServer.FStop) return false;
    pollfd p{FFd, POLLIN, 0};
    const int ready = ::poll(&p, 1, left.count() < 50 ? static_cast<int>(left.count()) : 50);
    if (ready < 0) return false;
    if (ready == 0) continue;
    char buffer[65536];
    const ssize_t n = ::recv(FFd, buffer, sizeof buffer, 0);
    if (n <= 0) return true;
    FServer.Record(std::string_view(buffer, static_cast<std::size_t>(n)));
  }
  return true;
}

void PeerSession::Close() {
  if (FFd >= 0) {
    ::close(FFd);
    FFd = -1;
  }
}

LoopbackServer::LoopbackServer(Handler handler, int connections)
    : FHandler(std::move(handler)), FConnections(connections) {
  FThread = std::thread([this] { Run(); });
}

LoopbackServer::~LoopbackServer() {
  FStop = true;
  if (FThread.joinable()) FThread.join();
}

void LoopbackServer::Run() {
  for (int served = 0; served < FConnections && !FStop;) {
    pollfd p{FListener.Fd(), POLLIN, 0};
    // Short slices so that a stop request ends the loop promptly.
    if (::poll(&p, 1, 50) <= 0) continue;
    const int fd = FListener.Accept();
    if (fd < 0) continue;
    ++served;
    ++FAccepted;
    PeerSession session(*this, fd);
    FHandler(session);
    // Record what the client still sends until it closes, unless the handler closed first.
    if (!session.Closed() && !FStop) session.WaitClosed(kReadWaitMs);
  }
  FDone = true;
}

void LoopbackServer::Record(std::string_view bytes) {
  std::lock_guard<std::mutex> lock(FLock);
  FReceived.append(bytes);
}

std::string LoopbackServer::Received() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FReceived;
}

void LoopbackServer::Join() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!FDone && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

int UnusedLoopbackPort() {
  return LoopbackListener().Port();
}

}  // namespace qp::test
