// The process-wide socket stack: thin wrappers over the platform's BSD-style socket calls
// (IPv4 and TCP only), host resolution and the translation of socket errors into the
// Windows Sockets numbering and its fixed message texts.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "nntp/IdException.h"

namespace qp {

using TIdStackSocketHandle = intptr_t;
constexpr TIdStackSocketHandle Id_INVALID_SOCKET = -1;
constexpr int Id_SOCKET_ERROR = -1;

constexpr int Id_PF_INET = 2;
constexpr int Id_SOCK_STREAM = 1;
constexpr int Id_IPPROTO_TCP = 6;
constexpr int Id_TCP_NODELAY = 1;
constexpr int Id_SD_Send = 1;
constexpr int Id_SD_Both = 2;

// The Windows Sockets error numbers every platform reports.
constexpr int Id_WSAEINTR = 10004;
constexpr int Id_WSAEBADF = 10009;
constexpr int Id_WSAEACCES = 10013;
constexpr int Id_WSAEFAULT = 10014;
constexpr int Id_WSAEINVAL = 10022;
constexpr int Id_WSAEMFILE = 10024;
constexpr int Id_WSAEWOULDBLOCK = 10035;
constexpr int Id_WSAEINPROGRESS = 10036;
constexpr int Id_WSAEALREADY = 10037;
constexpr int Id_WSAENOTSOCK = 10038;
constexpr int Id_WSAEDESTADDRREQ = 10039;
constexpr int Id_WSAEMSGSIZE = 10040;
constexpr int Id_WSAEPROTOTYPE = 10041;
constexpr int Id_WSAENOPROTOOPT = 10042;
constexpr int Id_WSAEPROTONOSUPPORT = 10043;
constexpr int Id_WSAESOCKTNOSUPPORT = 10044;
constexpr int Id_WSAEOPNOTSUPP = 10045;
constexpr int Id_WSAEPFNOSUPPORT = 10046;
constexpr int Id_WSAEAFNOSUPPORT = 10047;
constexpr int Id_WSAEADDRINUSE = 10048;
constexpr int Id_WSAEADDRNOTAVAIL = 10049;
constexpr int Id_WSAENETDOWN = 10050;
constexpr int Id_WSAENETUNREACH = 10051;
constexpr int Id_WSAENETRESET = 10052;
constexpr int Id_WSAECONNABORTED = 10053;
constexpr int Id_WSAECONNRESET = 10054;
constexpr int Id_WSAENOBUFS = 10055;
constexpr int Id_WSAEISCONN = 10056;
constexpr int Id_WSAENOTCONN = 10057;
constexpr int Id_WSAESHUTDOWN = 10058;
constexpr int Id_WSAETOOMANYREFS = 10059;
constexpr int Id_WSAETIMEDOUT = 10060;
constexpr int Id_WSAECONNREFUSED = 10061;
constexpr int Id_WSAELOOP = 10062;
constexpr int Id_WSAENAMETOOLONG = 10063;
constexpr int Id_WSAEHOSTDOWN = 10064;
constexpr int Id_WSAEHOSTUNREACH = 10065;
constexpr int Id_WSAENOTEMPTY = 10066;
constexpr int Id_WSAHOST_NOT_FOUND = 11001;
constexpr int Id_WSATRY_AGAIN = 11002;
constexpr int Id_WSANO_RECOVERY = 11003;
constexpr int Id_WSANO_DATA = 11004;

// At most this many sockets go into one readiness wait (the Windows FD_SETSIZE).
constexpr std::size_t Id_MaxSocketSet = 64;

using TIdSocketList = std::vector<TIdStackSocketHandle>;

// The socket stack. One instance per process, created by the first TIdComponent and freed
// with the last one (see TIdStack::Acquire); shared by every connection and by the connect
// thread of a timed connect. It holds no per-call state; the last error number is kept per
// thread, so the connect thread reads its own.
class TIdStack {
 public:
  virtual ~TIdStack() = default;
  TIdStack(const TIdStack&) = delete;
  TIdStack& operator=(const TIdStack&) = delete;

  // A new IPv4 socket; raises EIdInvalidSocket when the platform refuses one.
  virtual TIdStackSocketHandle CreateSocketHandle(int socketType, int protocol = 0) = 0;
  // Platform calls: 0 on success, Id_SOCKET_ERROR with the thread's last error set on failure.
  virtual int WSBind(TIdStackSocketHandle socket, const std::string& ip, int port) = 0;
  virtual int WSConnect(TIdStackSocketHandle socket, const std::string& ip, int port) = 0;
  virtual int WSGetSockName(TIdStackSocketHandle socket, int& family, std::string& ip,
                            int& port) = 0;
  virtual int WSGetPeerName(TIdStackSocketHandle socket, int& family, std::string& ip,
                            int& port) = 0;
  // Byte count, 0 when the peer closed, Id_SOCKET_ERROR on failure.
  virtual int WSRecv(TIdStackSocketHandle socket, void* buffer, int length, int flags) = 0;
  virtual int WSSend(TIdStackSocketHandle socket, const void* buffer, int length, int flags) = 0;
  virtual int WSSetSockOpt(TIdStackSocketHandle socket, int level, int optName, const void* value,
                           int length) = 0;
  virtual int WSShutdown(TIdStackSocketHandle socket, int how) = 0;
  virtual int WSCloseSocket(TIdStackSocketHandle socket) = 0;
  // The calling thread's last socket error, in the Windows Sockets numbering.
  virtual int WSGetLastError() = 0;
  // The first IPv4 address of the name as dotted text; "" when the lookup failed, with the
  // thread's last error set (11001 host not found, 11004 a name without an address).
  virtual std::string WSGetHostByName(const std::string& name) = 0;

  // Waits at most ms (-2: without limit) until one of the sockets is readable and leaves
  // only the ready ones in the list. Returns the count of ready sockets, 0 on time-out,
  // -1 on error. More than Id_MaxSocketSet sockets raise EIdStackSetSizeExceeded.
  int WaitForReadable(TIdSocketList& list, int ms);

  static uint16_t HToNs(uint16_t value);
  static uint16_t NToHs(uint16_t value);
  static uint32_t HToNl(uint32_t value);
  static uint32_t NToHl(uint32_t value);
  static std::string AddressToText(const uint8_t address[4]);
  // Four dot-separated integers 0..255; anything else raises EConvertError.
  static void TextToAddress(const std::string& text, uint8_t address[4]);

  // -1 fetches the thread's last error: true when it is one of ignore, otherwise raises
  // EIdSocketError. Any other result returns false.
  bool CheckSocketResult(int result, std::initializer_list<int> ignore = {});
  [[noreturn]] static void RaiseSocketFailure(int code);
  static std::string SocketErrorText(int code);
  // "localhost" (any case) gives 127.0.0.1 without a lookup, a literal is returned as it
  // is, any other name is looked up; a failed lookup raises EIdSocketError.
  std::string ResolveHostAddress(const std::string& host);
  // Four parts cut at the first three dots, each an integer 0..255.
  static bool IsIPLiteral(const std::string& text);

  // Stack lifetime: each TIdComponent acquires the stack on creation and releases it on
  // destruction; the first acquire creates it, the last release frees it (under a lock).
  static void Acquire();
  static void Release();

 protected:
  TIdStack() = default;
  virtual int WSSelectRead(TIdSocketList& list, int ms) = 0;
};

// The current stack; raises EIdStackError when no component keeps one alive.
TIdStack& GStack();

// Creates the realisation for this platform (POSIX sockets or Windows Sockets).
std::unique_ptr<TIdStack> CreatePlatformStack();

}  // namespace qp
