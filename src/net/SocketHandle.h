// One TCP socket of a connection with its local and remote addresses.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "net/Stack.h"

namespace qp::net {

// Created and owned by the I/O layer (TIOHandlerSocket); holds at most one socket.
// Used on the UI thread, except during a timed connect: then the connect thread calls
// ConnectRemote and the UI thread may only call AbortConnect until the thread has ended.
class TSocketHandle {
 public:
  TSocketHandle() = default;
  ~TSocketHandle();
  TSocketHandle(const TSocketHandle&) = delete;
  TSocketHandle& operator=(const TSocketHandle&) = delete;

  // Local dotted address ("" = any), local port (0 = any) and a local port range to bind
  // within (0 = no range).
  std::string IP;
  int Port = 0;
  int ClientPortMin = 0;
  int ClientPortMax = 0;

  TStackSocketHandle Handle() const { return FHandle.load(); }
  bool Allocated() const { return FAllocated.load(); }
  const std::string& RemoteIP() const { return FRemoteIP; }
  int RemotePort() const { return FRemotePort; }

  // Releases any socket held and creates a new IPv4 socket.
  void OpenSocket(int socketType = SocketStream, int protocol = 0);
  // Shuts down the send direction and closes the socket; nothing without a socket.
  void ReleaseSocket(bool resetLocal);
  void ResetBinding(bool resetLocal);
  // Binds to IP and Port, or to the highest free port of the range. Raises
  // ECouldNotBindSocket, EInvalidPortRange or ECanNotBindPortInRange.
  void BindLocal();
  // False when the address is in use; other failures raise ESocketError.
  bool TryBindLocal();
  // Connects to the remote end; on success reads both names back. Returns the platform
  // result for the caller to check.
  int ConnectRemote(int family = FamilyIPv4);
  void SetRemote(const std::string& ip, int port);
  // Waits at most ms (-2: without limit) for data, in anti-freeze slices. Raises
  // EConnClosedGracefully when no socket is allocated.
  bool WaitReadable(int ms);
  int Receive(void* buffer, int length);
  int Send(const void* buffer, int length);
  // Raises ESocketError on failure.
  void SetSockOpt(int level, int optName, const void* value, int length);
  // Shuts the socket down in both directions without closing it, which ends a connect
  // pending on another thread; the descriptor stays valid until that thread has ended.
  void AbortConnect();

 private:
  std::atomic<TStackSocketHandle> FHandle{InvalidSocket};
  std::atomic<bool> FAllocated{false};
  std::string FRemoteIP;
  int FRemotePort = 0;
  // Cleared by the destructor. A wait holds a copy, so it can tell after pumping events
  // whether a handler closed the connection and freed this object meanwhile.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

}  // namespace qp::net
