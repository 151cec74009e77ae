// The POSIX realisation of the socket stack. Platform errors are translated into the Windows
// Sockets numbers so that codes and messages are the same on every platform.
#ifndef _WIN32

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "net/Stack.h"

namespace qp::net {

namespace {

// Conditions without a Windows Sockets counterpart keep the platform's number.
int ErrnoToWinsock(int error) {
  switch (error) {
    case EINTR:
      return wsaEINTR;
    case EBADF:
      return wsaEBADF;
    case EACCES:
      return wsaEACCES;
    case EPERM:
      return wsaEACCES;
    case EFAULT:
      return wsaEFAULT;
    case EINVAL:
      return wsaEINVAL;
    case EMFILE:
      return wsaEMFILE;
    case ENFILE:
      return wsaEMFILE;
    case EWOULDBLOCK:
      return wsaEWOULDBLOCK;
    case EINPROGRESS:
      return wsaEINPROGRESS;
    case EALREADY:
      return wsaEALREADY;
    case ENOTSOCK:
      return wsaENOTSOCK;
    case EDESTADDRREQ:
      return wsaEDESTADDRREQ;
    case EMSGSIZE:
      return wsaEMSGSIZE;
    case EPROTOTYPE:
      return wsaEPROTOTYPE;
    case ENOPROTOOPT:
      return wsaENOPROTOOPT;
    case EPROTONOSUPPORT:
      return wsaEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT:
      return wsaESOCKTNOSUPPORT;
    case EOPNOTSUPP:
      return wsaEOPNOTSUPP;
    case EPFNOSUPPORT:
      return wsaEPFNOSUPPORT;
    case EAFNOSUPPORT:
      return wsaEAFNOSUPPORT;
    case EADDRINUSE:
      return wsaEADDRINUSE;
    case EADDRNOTAVAIL:
      return wsaEADDRNOTAVAIL;
    case ENETDOWN:
      return wsaENETDOWN;
    case ENETUNREACH:
      return wsaENETUNREACH;
    case ENETRESET:
      return wsaENETRESET;
    case ECONNABORTED:
      return wsaECONNABORTED;
    case ECONNRESET:
      return wsaECONNRESET;
    case ENOBUFS:
      return wsaENOBUFS;
    case ENOMEM:
      return wsaENOBUFS;
    case EISCONN:
      return wsaEISCONN;
    case ENOTCONN:
      return wsaENOTCONN;
    case EPIPE:
      return wsaESHUTDOWN;
    case ESHUTDOWN:
      return wsaESHUTDOWN;
    case ETOOMANYREFS:
      return wsaETOOMANYREFS;
    case ETIMEDOUT:
      return wsaETIMEDOUT;
    case ECONNREFUSED:
      return wsaECONNREFUSED;
    case ELOOP:
      return wsaELOOP;
    case ENAMETOOLONG:
      return wsaENAMETOOLONG;
    case EHOSTDOWN:
      return wsaEHOSTDOWN;
    case EHOSTUNREACH:
      return wsaEHOSTUNREACH;
    case ENOTEMPTY:
      return wsaENOTEMPTY;
    default:
      return error;
  }
}

int ResolverToWinsock(int result) {
  switch (result) {
    case EAI_NONAME:
      return wsaHOST_NOT_FOUND;
#ifdef EAI_NODATA
    case EAI_NODATA:
      return wsaNO_DATA;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
      return wsaNO_DATA;
#endif
    case EAI_AGAIN:
      return wsaTRY_AGAIN;
    case EAI_MEMORY:
      return wsaENOBUFS;
    case EAI_SYSTEM:
      return ErrnoToWinsock(errno);
    default:
      return wsaNO_RECOVERY;
  }
}

// The last socket error of the calling thread, as Windows Sockets keeps it.
thread_local int tLastError = 0;

int Fail(int error) {
  tLastError = ErrnoToWinsock(error);
  return SocketError;
}

bool MakeAddress(const std::string& ip, int port, sockaddr_in& address) {
  std::memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_port = TStack::HToNs(static_cast<uint16_t>(port));
  if (ip.empty()) {
    address.sin_addr.s_addr = TStack::HToNl(INADDR_ANY);
    return true;
  }
  uint8_t bytes[4];
  TStack::TextToAddress(ip, bytes);
  std::memcpy(&address.sin_addr.s_addr, bytes, 4);
  return true;
}

void ReadAddress(const sockaddr_in& address, int& family, std::string& ip, int& port) {
  uint8_t bytes[4];
  std::memcpy(bytes, &address.sin_addr.s_addr, 4);
  family = address.sin_family;
  ip = TStack::AddressToText(bytes);
  port = TStack::NToHs(address.sin_port);
}

int Fd(TStackSocketHandle socket) {
  return static_cast<int>(socket);
}

// POSIX sockets need no start-up; the object only forwards to the platform.
class TStackPosix : public TStack {
 public:
  TStackSocketHandle CreateSocketHandle(int socketType, int protocol) override {
    const int type = socketType == SocketStream ? SOCK_STREAM : socketType;
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
      Fail(errno);
      throw EInvalidSocket();
    }
    return fd;
  }

  int WSBind(TStackSocketHandle socket, const std::string& ip, int port) override {
    sockaddr_in address;
    MakeAddress(ip, port, address);
    if (::bind(Fd(socket), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      return Fail(errno);
    }
    return 0;
  }

  int WSConnect(TStackSocketHandle socket, const std::string& ip, int port) override {
    sockaddr_in address;
    MakeAddress(ip, port, address);
    if (::connect(Fd(socket), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      return Fail(errno);
    }
    return 0;
  }

  int WSGetSockName(TStackSocketHandle socket, int& family, std::string& ip, int& port) override {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return Fail(errno);
    }
    ReadAddress(address, family, ip, port);
    return 0;
  }

  int WSGetPeerName(TStackSocketHandle socket, int& family, std::string& ip, int& port) override {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getpeername(Fd(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return Fail(errno);
    }
    ReadAddress(address, family, ip, port);
    return 0;
  }

  // A signal interrupting the call is not a failure of the connection; the call is repeated.
  int WSRecv(TStackSocketHandle socket, void* buffer, int length, int flags) override {
    for (;;) {
      const ssize_t n = ::recv(Fd(socket), buffer, static_cast<size_t>(length), flags);
      if (n >= 0) return static_cast<int>(n);
      if (errno != EINTR) return Fail(errno);
    }
  }

  // MSG_NOSIGNAL: a peer that has gone away must surface as error 10058, not kill the
  // process with SIGPIPE.
  int WSSend(TStackSocketHandle socket, const void* buffer, int length, int flags) override {
    for (;;) {
      const ssize_t n =
          ::send(Fd(socket), buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
      if (n >= 0) return static_cast<int>(n);
      if (errno != EINTR) return Fail(errno);
    }
  }

  int WSSetSockOpt(TStackSocketHandle socket, int level, int optName, const void* value,
                   int length) override {
    if (::setsockopt(Fd(socket), level, optName, value, static_cast<socklen_t>(length)) != 0) {
      return Fail(errno);
    }
    return 0;
  }

  int WSShutdown(TStackSocketHandle socket, int how) override {
    const int mode = how == ShutdownBoth ? SHUT_RDWR : how == ShutdownSend ? SHUT_WR : SHUT_RD;
    if (::shutdown(Fd(socket), mode) != 0) return Fail(errno);
    return 0;
  }

  int WSCloseSocket(TStackSocketHandle socket) override {
    if (::close(Fd(socket)) != 0) return Fail(errno);
    return 0;
  }

  int WSGetLastError() override { return tLastError; }

  std::string WSGetHostByName(const std::string& name) override {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(found, &::freeaddrinfo);
    if (result != 0) {
      tLastError = ResolverToWinsock(result);
      return "";
    }
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
      if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
        int family = 0;
        int port = 0;
        std::string ip;
        ReadAddress(*reinterpret_cast<const sockaddr_in*>(entry->ai_addr), family, ip, port);
        return ip;
      }
    }
    tLastError = wsaNO_DATA;
    return "";
  }

 protected:
  // poll() instead of select(): a descriptor above FD_SETSIZE must not overrun an fd_set.
  int WSSelectRead(TSocketList& list, int ms) override {
    std::vector<pollfd> fds(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
      fds[i].fd = Fd(list[i]);
      fds[i].events = POLLIN;
    }
    const int timeout = ms == -2 ? -1 : ms < 0 ? 0 : ms;
    const int result = ::poll(fds.data(), fds.size(), timeout);
    if (result < 0) return Fail(errno);
    TSocketList ready;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      // A closed or failed socket counts as readable: the receive reports what happened.
      if (fds[i].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) ready.push_back(list[i]);
    }
    list.swap(ready);
    return static_cast<int>(list.size());
  }
};

}  // namespace

std::unique_ptr<TStack> CreatePlatformStack() {
  return std::make_unique<TStackPosix>();
}

}  // namespace qp::net

#endif  // _WIN32
