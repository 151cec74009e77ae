#include "net/SocketHandle.h"

#include <algorithm>

#include "net/AntiFreeze.h"

namespace qp::net {

TSocketHandle::~TSocketHandle() {
  *FAlive = false;
  try {
    ReleaseSocket(true);
  } catch (...) {
    // A destructor must not throw; the descriptor is gone either way.
  }
}

void TSocketHandle::OpenSocket(int socketType, int protocol) {
  ReleaseSocket(true);
  FHandle.store(GStack().CreateSocketHandle(socketType, protocol));
  FAllocated.store(true);
}

void TSocketHandle::ReleaseSocket(bool resetLocal) {
  if (!FAllocated.exchange(false)) return;
  TStack& stack = GStack();
  const TStackSocketHandle handle = FHandle.load();
  stack.WSShutdown(handle, ShutdownSend);
  stack.WSCloseSocket(handle);
  ResetBinding(resetLocal);
}

void TSocketHandle::ResetBinding(bool resetLocal) {
  FAllocated.store(false);
  FHandle.store(InvalidSocket);
  if (resetLocal) {
    IP.clear();
    Port = 0;
  }
  FRemoteIP.clear();
  FRemotePort = 0;
}

void TSocketHandle::BindLocal() {
  if (Port != 0 || ClientPortMin == 0 || ClientPortMax == 0) {
    if (!TryBindLocal()) throw ECouldNotBindSocket();
    return;
  }
  if (ClientPortMax < ClientPortMin) throw EInvalidPortRange(ClientPortMin, ClientPortMax);
  for (int port = ClientPortMax; port >= ClientPortMin; --port) {
    Port = port;
    if (TryBindLocal()) return;
  }
  throw ECanNotBindPortInRange(ClientPortMin, ClientPortMax);
}

bool TSocketHandle::TryBindLocal() {
  TStack& stack = GStack();
  if (stack.CheckSocketResult(stack.WSBind(Handle(), IP, Port), {wsaEADDRINUSE})) {
    return false;
  }
  int family = 0;
  stack.CheckSocketResult(stack.WSGetSockName(Handle(), family, IP, Port));
  return true;
}

int TSocketHandle::ConnectRemote(int family) {
  (void)family;  // IPv4 only
  TStack& stack = GStack();
  const int result = stack.WSConnect(Handle(), FRemoteIP, FRemotePort);
  if (result == 0) {
    int nameFamily = 0;
    stack.CheckSocketResult(stack.WSGetSockName(Handle(), nameFamily, IP, Port));
    stack.CheckSocketResult(stack.WSGetPeerName(Handle(), nameFamily, FRemoteIP, FRemotePort));
  }
  return result;
}

void TSocketHandle::SetRemote(const std::string& ip, int port) {
  FRemoteIP = ip;
  FRemotePort = port;
}

bool TSocketHandle::WaitReadable(int ms) {
  if (!Allocated()) throw EConnClosedGracefully();
  TStack& stack = GStack();
  const std::shared_ptr<bool> alive = FAlive;
  auto waitOnce = [this, &stack, alive](int slice) {
    TSocketList list{Handle()};
    // A failing wait counts like a time-out: nothing became readable.
    const bool readable = stack.WaitForReadable(list, slice) == 1;
    PumpAfterWait(readable);
    // A pumped event handler may have closed the connection, which frees this object
    // (the I/O layer frees its socket object on close): then nothing of it may be touched.
    if (!*alive || !Allocated()) throw EConnClosedGracefully();
    return readable;
  };
  if (AntiFreezeInUse()) {
    // Cut the wait into slices of at most IdleTimeOut so the UI is pumped between them:
    // first the remainder, then whole slices (1000 ms at 250 gives four waits of 250).
    const int idle = std::max(1, CurrentAntiFreeze()->IdleTimeOut);
    if (ms == -2) {
      while (!waitOnce(idle)) {
      }
      return true;
    }
    if (ms > idle) {
      int first = ms % idle;
      if (first == 0) first = idle;
      if (waitOnce(first)) return true;
      for (int left = ms - first; left > 0; left -= idle) {
        if (waitOnce(idle)) return true;
      }
      return false;
    }
  }
  return waitOnce(ms);
}

int TSocketHandle::Receive(void* buffer, int length) {
  return GStack().WSRecv(Handle(), buffer, length, 0);
}

int TSocketHandle::Send(const void* buffer, int length) {
  return GStack().WSSend(Handle(), buffer, length, 0);
}

void TSocketHandle::SetSockOpt(int level, int optName, const void* value, int length) {
  TStack& stack = GStack();
  stack.CheckSocketResult(stack.WSSetSockOpt(Handle(), level, optName, value, length));
}

void TSocketHandle::AbortConnect() {
  if (Allocated()) GStack().WSShutdown(Handle(), ShutdownBoth);
}

}  // namespace qp::net
