// The process-wide socket stack: thin wrappers over the platform's BSD-style socket calls
// (IPv4 and TCP only), host resolution and the translation of socket errors into the
// Windows Sockets numbering and its fixed message texts.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "net/NetExceptions.h"

namespace qp::net {

using TStackSocketHandle = intptr_t;
constexpr TStackSocketHandle InvalidSocket = -1;
constexpr int SocketError = -1;

constexpr int FamilyIPv4 = 2;
constexpr int SocketStream = 1;
constexpr int ProtocolTCP = 6;
constexpr int OptionTCPNoDelay = 1;
constexpr int ShutdownSend = 1;
constexpr int ShutdownBoth = 2;

// The Windows Sockets error numbers every platform reports.
constexpr int wsaEINTR = 10004;
constexpr int wsaEBADF = 10009;
constexpr int wsaEACCES = 10013;
constexpr int wsaEFAULT = 10014;
constexpr int wsaEINVAL = 10022;
constexpr int wsaEMFILE = 10024;
constexpr int wsaEWOULDBLOCK = 10035;
constexpr int wsaEINPROGRESS = 10036;
constexpr int wsaEALREADY = 10037;
constexpr int wsaENOTSOCK = 10038;
constexpr int wsaEDESTADDRREQ = 10039;
constexpr int wsaEMSGSIZE = 10040;
constexpr int wsaEPROTOTYPE = 10041;
constexpr int wsaENOPROTOOPT = 10042;
constexpr int wsaEPROTONOSUPPORT = 10043;
constexpr int wsaESOCKTNOSUPPORT = 10044;
constexpr int wsaEOPNOTSUPP = 10045;
constexpr int wsaEPFNOSUPPORT = 10046;
constexpr int wsaEAFNOSUPPORT = 10047;
constexpr int wsaEADDRINUSE = 10048;
constexpr int wsaEADDRNOTAVAIL = 10049;
constexpr int wsaENETDOWN = 10050;
constexpr int wsaENETUNREACH = 10051;
constexpr int wsaENETRESET = 10052;
constexpr int wsaECONNABORTED = 10053;
constexpr int wsaECONNRESET = 10054;
constexpr int wsaENOBUFS = 10055;
constexpr int wsaEISCONN = 10056;
constexpr int wsaENOTCONN = 10057;
constexpr int wsaESHUTDOWN = 10058;
constexpr int wsaETOOMANYREFS = 10059;
constexpr int wsaETIMEDOUT = 10060;
constexpr int wsaECONNREFUSED = 10061;
constexpr int wsaELOOP = 10062;
constexpr int wsaENAMETOOLONG = 10063;
constexpr int wsaEHOSTDOWN = 10064;
constexpr int wsaEHOSTUNREACH = 10065;
constexpr int wsaENOTEMPTY = 10066;
constexpr int wsaHOST_NOT_FOUND = 11001;
constexpr int wsaTRY_AGAIN = 11002;
constexpr int wsaNO_RECOVERY = 11003;
constexpr int wsaNO_DATA = 11004;

// At most this many sockets go into one readiness wait (the Windows FD_SETSIZE).
constexpr std::size_t MaxSocketSet = 64;

using TSocketList = std::vector<TStackSocketHandle>;

// The socket stack. One instance per process, created by the first TComponent and freed
// with the last one (see TStack::Acquire); shared by every connection and by the connect
// thread of a timed connect. It holds no per-call state; the last error number is kept per
// thread, so the connect thread reads its own.
class TStack {
 public:
  virtual ~TStack() = default;
  TStack(const TStack&) = delete;
  TStack& operator=(const TStack&) = delete;

  // A new IPv4 socket; raises EInvalidSocket when the platform refuses one.
  virtual TStackSocketHandle CreateSocketHandle(int socketType, int protocol = 0) = 0;
  // Platform calls: 0 on success, SocketError with the thread's last error set on failure.
  virtual int WSBind(TStackSocketHandle socket, const std::string& ip, int port) = 0;
  virtual int WSConnect(TStackSocketHandle socket, const std::string& ip, int port) = 0;
  virtual int WSGetSockName(TStackSocketHandle socket, int& family, std::string& ip, int& port) = 0;
  virtual int WSGetPeerName(TStackSocketHandle socket, int& family, std::string& ip, int& port) = 0;
  // Byte count, 0 when the peer closed, SocketError on failure.
  virtual int WSRecv(TStackSocketHandle socket, void* buffer, int length, int flags) = 0;
  virtual int WSSend(TStackSocketHandle socket, const void* buffer, int length, int flags) = 0;
  virtual int WSSetSockOpt(TStackSocketHandle socket, int level, int optName, const void* value,
                           int length) = 0;
  virtual int WSShutdown(TStackSocketHandle socket, int how) = 0;
  virtual int WSCloseSocket(TStackSocketHandle socket) = 0;
  // The calling thread's last socket error, in the Windows Sockets numbering.
  virtual int WSGetLastError() = 0;
  // The first IPv4 address of the name as dotted text; "" when the lookup failed, with the
  // thread's last error set (11001 host not found, 11004 a name without an address).
  virtual std::string WSGetHostByName(const std::string& name) = 0;

  // Waits at most ms (-2: without limit) until one of the sockets is readable and leaves
  // only the ready ones in the list. Returns the count of ready sockets, 0 on time-out,
  // -1 on error. More than MaxSocketSet sockets raise EStackSetSizeExceeded.
  int WaitForReadable(TSocketList& list, int ms);

  static uint16_t HToNs(uint16_t value);
  static uint16_t NToHs(uint16_t value);
  static uint32_t HToNl(uint32_t value);
  static uint32_t NToHl(uint32_t value);
  static std::string AddressToText(const uint8_t address[4]);
  // Four dot-separated integers 0..255; anything else raises EConvertError.
  static void TextToAddress(const std::string& text, uint8_t address[4]);

  // -1 fetches the thread's last error: true when it is one of ignore, otherwise raises
  // ESocketError. Any other result returns false.
  bool CheckSocketResult(int result, std::initializer_list<int> ignore = {});
  [[noreturn]] static void RaiseSocketFailure(int code);
  static std::string SocketErrorText(int code);
  // "localhost" (any case) gives 127.0.0.1 without a lookup, a literal is returned as it
  // is, any other name is looked up; a failed lookup raises ESocketError.
  std::string ResolveHostAddress(const std::string& host);
  // Four parts cut at the first three dots, each an integer 0..255.
  static bool IsIPLiteral(const std::string& text);

  // Stack lifetime: each TStackReference acquires the stack on creation and releases it on
  // destruction; the first acquire creates it, the last release frees it (under a lock).
  static void Acquire();
  static void Release();

 protected:
  TStack() = default;
  virtual int WSSelectRead(TSocketList& list, int ms) = 0;
};

// The current stack; raises EStackError when no component keeps one alive.
TStack& GStack();

// Keeps the process-wide socket stack alive for as long as it exists. Every transport
// component (connection, I/O layer, SOCKS settings) holds one, so the stack lives from the
// first such component created to the last one destroyed.
class TStackReference {
 public:
  TStackReference() { TStack::Acquire(); }
  ~TStackReference() { TStack::Release(); }
  TStackReference(const TStackReference&) = delete;
  TStackReference& operator=(const TStackReference&) = delete;
};

// Creates the realisation for this platform (POSIX sockets or Windows Sockets).
std::unique_ptr<TStack> CreatePlatformStack();

}  // namespace qp::net
