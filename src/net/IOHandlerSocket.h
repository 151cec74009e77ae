// The socket realisation of the I/O layer, with the timed connect on a second thread.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "net/IOHandler.h"
#include "net/SocketHandle.h"

namespace qp::net {

// Connects one socket object on its own thread so the UI thread can keep pumping events
// and give up after a time limit. Created and owned by ConnectWithTimeout for one connect;
// destroying it waits for the thread. Shared with the caller: the socket object (connected
// here; the caller may only abort it until Finished), the failure message (written before
// the finished mark) and the finished mark.
class TConnectThread {
 public:
  explicit TConnectThread(TSocketHandle& binding);
  ~TConnectThread();
  TConnectThread(const TConnectThread&) = delete;
  TConnectThread& operator=(const TConnectThread&) = delete;

  bool Finished() const;
  // Waits at most ms for the thread to finish; true when it has.
  bool WaitFinished(int ms);
  // The failure message, "" when the connect succeeded. Valid once Finished.
  std::string FailureMessage() const;
  // Asks the thread to stop: aborts the pending connect on the socket.
  void Terminate();
  void Join();

 private:
  void Execute();

  TSocketHandle& FBinding;
  mutable std::mutex FLock;
  std::condition_variable FFinishedSignal;
  bool FFinished = false;
  std::string FFailureMessage;
  std::thread FThread;
};

// Owned by the connection (see TIOHandler); used on the connection's thread.
class TIOHandlerSocket : public TIOHandler {
 public:
  ~TIOHandlerSocket() override;

  // false sets TCP_NODELAY on every connect.
  bool UseNagle = true;

  void CloseHandler() override;
  void ConnectTo(const std::string& host, int port, const std::string& boundIP, int boundPort,
                 int boundPortLow, int boundPortHigh, TSocksInfo* socksInfo, int timeout) override;
  bool IsOpen() override;
  void OpenHandler() override;
  bool WaitReadable(int ms) override;
  int Receive(void* buffer, int length) override;
  int Send(const void* buffer, int length) override;
  bool Connecting() const override { return FConnecting || FNegotiating; }

  // The socket object; nullptr outside OpenHandler .. CloseHandler.
  TSocketHandle* Binding() const { return FBinding.get(); }

  // Default limit of a connect while an anti-freeze is in use, and the slice length.
  static constexpr int kDefaultConnectTimeout = 120000;
  static constexpr int kConnectSlice = 125;

 protected:
  // Sets a flag for as long as it lives.
  struct TBusyMark {
    explicit TBusyMark(bool& flag) : Flag(flag) { Flag = true; }
    ~TBusyMark() { Flag = false; }
    TBusyMark(const TBusyMark&) = delete;
    TBusyMark& operator=(const TBusyMark&) = delete;
    bool& Flag;
  };

  // Connects Binding on a TConnectThread within ms (-2: no limit), pumping the UI
  // between slices. Raises EConnectException or EConnectTimeout.
  void ConnectWithTimeout(int ms);

 private:
  std::unique_ptr<TSocketHandle> FBinding;
  // A timed connect is running: Binding is in use by the connect thread. A CloseHandler
  // meanwhile (a handler run by the anti-freeze pump dropping the connection) only aborts
  // the connect and asks ConnectWithTimeout to close once the thread has ended.
  bool FConnecting = false;
  bool FCloseRequested = false;
  // The SOCKS negotiation is under way (see Connecting).
  bool FNegotiating = false;
};

}  // namespace qp::net
