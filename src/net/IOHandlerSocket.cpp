#include "net/IOHandlerSocket.h"

#include <algorithm>
#include <chrono>

#include "net/AntiFreeze.h"
#include "net/Socks.h"

namespace qp::net {

TConnectThread::TConnectThread(TSocketHandle& binding) : FBinding(binding) {
  FThread = std::thread([this] { Execute(); });
}

TConnectThread::~TConnectThread() {
  Join();
}

void TConnectThread::Execute() {
  std::string failure;
  try {
    // 10009 and 10038: the socket was closed under the pending connect on purpose.
    GStack().CheckSocketResult(FBinding.ConnectRemote(), {wsaEBADF, wsaENOTSOCK});
  } catch (const Exception& e) {
    failure = e.Message();
  } catch (const std::exception& e) {
    failure = e.what();
  }
  std::lock_guard<std::mutex> lock(FLock);
  FFailureMessage = std::move(failure);
  FFinished = true;
  FFinishedSignal.notify_all();
}

bool TConnectThread::Finished() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FFinished;
}

bool TConnectThread::WaitFinished(int ms) {
  std::unique_lock<std::mutex> lock(FLock);
  return FFinishedSignal.wait_for(lock, std::chrono::milliseconds(std::max(0, ms)),
                                  [this] { return FFinished; });
}

std::string TConnectThread::FailureMessage() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FFailureMessage;
}

void TConnectThread::Terminate() {
  FBinding.AbortConnect();
}

void TConnectThread::Join() {
  if (FThread.joinable()) FThread.join();
}

TIOHandlerSocket::~TIOHandlerSocket() {
  try {
    CloseHandler();
  } catch (...) {
    // A destructor must not throw; the socket is closed either way.
  }
}

void TIOHandlerSocket::CloseHandler() {
  if (FBinding && FConnecting) {
    FCloseRequested = true;
    FBinding->AbortConnect();
    return;
  }
  if (FBinding) {
    FBinding->ReleaseSocket(true);
    FBinding.reset();
  }
}

void TIOHandlerSocket::OpenHandler() {
  if (!FBinding) FBinding = std::make_unique<TSocketHandle>();
}

bool TIOHandlerSocket::IsOpen() {
  return FBinding && FBinding->Allocated() && !FCloseRequested;
}

bool TIOHandlerSocket::WaitReadable(int ms) {
  if (!FBinding) throw EConnClosedGracefully();
  return FBinding->WaitReadable(ms);
}

int TIOHandlerSocket::Receive(void* buffer, int length) {
  if (!FBinding) throw EConnClosedGracefully();
  return FBinding->Receive(buffer, length);
}

int TIOHandlerSocket::Send(const void* buffer, int length) {
  if (!FBinding) throw EConnClosedGracefully();
  return FBinding->Send(buffer, length);
}

void TIOHandlerSocket::ConnectTo(const std::string& host, int port, const std::string& boundIP,
                                 int boundPort, int boundPortLow, int boundPortHigh,
                                 TSocksInfo* socksInfo, int timeout) {
  OpenHandler();
  TSocketHandle& binding = *FBinding;
  binding.OpenSocket(SocketStream, 0);
  binding.IP = boundIP;
  binding.Port = boundPort;
  binding.ClientPortMin = boundPortLow;
  binding.ClientPortMax = boundPortHigh;
  binding.BindLocal();

  // The settings as they are now: a handler run by the anti-freeze pump during the connect
  // (the options dialog) must not change the route half-way.
  TSocksInfo socks;
  if (socksInfo != nullptr) socks.Assign(*socksInfo);
  const bool viaProxy = socks.Version != svNoSocks;
  const std::string targetHost = viaProxy ? socks.Host : host;
  const int targetPort = viaProxy ? socks.Port : port;
  TStack& stack = GStack();
  if (!TStack::IsIPLiteral(targetHost)) ReportStatus(StatusResolving, targetHost);
  binding.SetRemote(stack.ResolveHostAddress(targetHost), targetPort);

  if (!UseNagle) {
    const int32_t on = 1;
    binding.SetSockOpt(ProtocolTCP, OptionTCPNoDelay, &on, sizeof on);
  }
  // Through a proxy the status names both ends, so the user sees where the program goes.
  ReportStatus(StatusConnecting, viaProxy ? Format("%s:%d through %s proxy %s:%d", host.c_str(),
                                                   port, TSocksInfo::VersionName(socks.Version),
                                                   binding.RemoteIP().c_str(), targetPort)
                                          : binding.RemoteIP());

  if (timeout != -1) {
    ConnectWithTimeout(timeout);
  } else if (AntiFreezeInUse()) {
    ConnectWithTimeout(kDefaultConnectTimeout);
  } else {
    stack.CheckSocketResult(binding.ConnectRemote());
  }

  if (viaProxy) {
    // The negotiation waits for the proxy with the anti-freeze pumping; a handler that drops
    // the connection meanwhile must not free this layer under it.
    TBusyMark negotiating(FNegotiating);
    socks.NegotiateSocks(Connection(), host, port);
  }
}

void TIOHandlerSocket::ConnectWithTimeout(int ms) {
  const bool unlimited = ms == -2;
  int slice = kConnectSlice;
  if (AntiFreezeInUse()) slice = std::min(CurrentAntiFreeze()->IdleTimeOut, kConnectSlice);
  // A zero slice would never use up the time.
  slice = std::max(1, slice);

  FCloseRequested = false;
  TBusyMark connectingMark(FConnecting);
  TConnectThread thread(*FBinding);
  int remaining = std::max(0, ms);
  bool finished = false;
  while (unlimited || remaining > slice) {
    // Waking as soon as the thread finishes keeps the slicing but answers a refusal at once.
    finished = thread.WaitFinished(slice);
    if (!unlimited) remaining -= slice;
    PumpIfDue(true, false);
    if (FCloseRequested) {
      // A pumped handler dropped the connection: end the connect, then close for it.
      thread.Terminate();
      thread.Join();
      FConnecting = false;
      CloseHandler();
      throw EConnClosedGracefully();
    }
    if (finished || thread.Finished()) {
      finished = true;
      remaining = 0;
      break;
    }
  }
  if (!finished) finished = thread.WaitFinished(remaining);

  if (finished) {
    thread.Join();
    FConnecting = false;
    if (FCloseRequested) {
      CloseHandler();
      throw EConnClosedGracefully();
    }
    const std::string failure = thread.FailureMessage();
    if (!failure.empty()) throw EConnectException(failure);
    return;
  }
  // Out of time: end the pending connect, wait for the thread, then close; closing only
  // after the thread has ended keeps the descriptor from being reused under it.
  thread.Terminate();
  thread.Join();
  FConnecting = false;
  CloseHandler();
  throw EConnectTimeout();
}

}  // namespace qp::net
