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

#include "nntp/IdStack.h"

namespace qp {

namespace {

// Conditions without a Windows Sockets counterpart keep the platform's number.
int ErrnoToWinsock(int error) {
  switch (error) {
    case EINTR:
      return Id_WSAEINTR;
    case EBADF:
      return Id_WSAEBADF;
    case EACCES:
      return Id_WSAEACCES;
    case EPERM:
      return Id_WSAEACCES;
    case EFAULT:
      return Id_WSAEFAULT;
    case EINVAL:
      return Id_WSAEINVAL;
    case EMFILE:
      return Id_WSAEMFILE;
    case ENFILE:
      return Id_WSAEMFILE;
    case EWOULDBLOCK:
      return Id_WSAEWOULDBLOCK;
    case EINPROGRESS:
      return Id_WSAEINPROGRESS;
    case EALREADY:
      return Id_WSAEALREADY;
    case ENOTSOCK:
      return Id_WSAENOTSOCK;
    case EDESTADDRREQ:
      return Id_WSAEDESTADDRREQ;
    case EMSGSIZE:
      return Id_WSAEMSGSIZE;
    case EPROTOTYPE:
      return Id_WSAEPROTOTYPE;
    case ENOPROTOOPT:
      return Id_WSAENOPROTOOPT;
    case EPROTONOSUPPORT:
      return Id_WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT:
      return Id_WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP:
      return Id_WSAEOPNOTSUPP;
    case EPFNOSUPPORT:
      return Id_WSAEPFNOSUPPORT;
    case EAFNOSUPPORT:
      return Id_WSAEAFNOSUPPORT;
    case EADDRINUSE:
      return Id_WSAEADDRINUSE;
    case EADDRNOTAVAIL:
      return Id_WSAEADDRNOTAVAIL;
    case ENETDOWN:
      return Id_WSAENETDOWN;
    case ENETUNREACH:
      return Id_WSAENETUNREACH;
    case ENETRESET:
      return Id_WSAENETRESET;
    case ECONNABORTED:
      return Id_WSAECONNABORTED;
    case ECONNRESET:
      return Id_WSAECONNRESET;
    case ENOBUFS:
      return Id_WSAENOBUFS;
    case ENOMEM:
      return Id_WSAENOBUFS;
    case EISCONN:
      return Id_WSAEISCONN;
    case ENOTCONN:
      return Id_WSAENOTCONN;
    case EPIPE:
      return Id_WSAESHUTDOWN;
    case ESHUTDOWN:
      return Id_WSAESHUTDOWN;
    case ETOOMANYREFS:
      return Id_WSAETOOMANYREFS;
    case ETIMEDOUT:
      return Id_WSAETIMEDOUT;
    case ECONNREFUSED:
      return Id_WSAECONNREFUSED;
    case ELOOP:
      return Id_WSAELOOP;
    case ENAMETOOLONG:
      return Id_WSAENAMETOOLONG;
    case EHOSTDOWN:
      return Id_WSAEHOSTDOWN;
    case EHOSTUNREACH:
      return Id_WSAEHOSTUNREACH;
    case ENOTEMPTY:
      return Id_WSAENOTEMPTY;
    default:
      return error;
  }
}

int ResolverToWinsock(int result) {
  switch (result) {
    case EAI_NONAME:
      return Id_WSAHOST_NOT_FOUND;
#ifdef EAI_NODATA
    case EAI_NODATA:
      return Id_WSANO_DATA;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
      return Id_WSANO_DATA;
#endif
    case EAI_AGAIN:
      return Id_WSATRY_AGAIN;
    case EAI_MEMORY:
      return Id_WSAENOBUFS;
    case EAI_SYSTEM:
      return ErrnoToWinsock(errno);
    default:
      return Id_WSANO_RECOVERY;
  }
}

// The last socket error of the calling thread, as Windows Sockets keeps it.
thread_local int tLastError = 0;

int Fail(int error) {
  tLastError = ErrnoToWinsock(error);
  return Id_SOCKET_ERROR;
}

bool MakeAddress(const std::string& ip, int port, sockaddr_in& address) {
  std::memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_port = TIdStack::HToNs(static_cast<uint16_t>(port));
  if (ip.empty()) {
    address.sin_addr.s_addr = TIdStack::HToNl(INADDR_ANY);
    return true;
  }
  uint8_t bytes[4];
  TIdStack::TextToAddress(ip, bytes);
  std::memcpy(&address.sin_addr.s_addr, bytes, 4);
  return true;
}

void ReadAddress(const sockaddr_in& address, int& family, std::string& ip, int& port) {
  uint8_t bytes[4];
  std::memcpy(bytes, &address.sin_addr.s_addr, 4);
  family = address.sin_family;
  ip = TIdStack::AddressToText(bytes);
  port = TIdStack::NToHs(address.sin_port);
}

int Fd(TIdStackSocketHandle socket) {
  return static_cast<int>(socket);
}

// POSIX sockets need no start-up; the object only forwards to the platform.
class TIdStackPosix : public TIdStack {
 public:
  TIdStackSocketHandle CreateSocketHandle(int socketType, int protocol) override {
    const int type = socketType == Id_SOCK_STREAM ? SOCK_STREAM : socketType;
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
      Fail(errno);
      throw EIdInvalidSocket();
    }
    return fd;
  }

  int WSBind(TIdStackSocketHandle socket, const std::string& ip, int port) override {
    sockaddr_in address;
    MakeAddress(ip, port, address);
    if (::bind(Fd(socket), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      return Fail(errno);
    }
    return 0;
  }

  int WSConnect(TIdStackSocketHandle socket, const std::string& ip, int port) override {
    sockaddr_in address;
    MakeAddress(ip, port, address);
    if (::connect(Fd(socket), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      return Fail(errno);
    }
    return 0;
  }

  int WSGetSockName(TIdStackSocketHandle socket, int& family, std::string& ip, int& port) override {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return Fail(errno);
    }
    ReadAddress(address, family, ip, port);
    return 0;
  }

  int WSGetPeerName(TIdStackSocketHandle socket, int& family, std::string& ip, int& port) override {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getpeername(Fd(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return Fail(errno);
    }
    ReadAddress(address, family, ip, port);
    return 0;
  }

  // A signal interrupting the call is not a failure of the connection; the call is repeated.
  int WSRecv(TIdStackSocketHandle socket, void* buffer, int length, int flags) override {
    for (;;) {
      const ssize_t n = ::recv(Fd(socket), buffer, static_cast<size_t>(length), flags);
      if (n >= 0) return static_cast<int>(n);
      if (errno != EINTR) return Fail(errno);
    }
  }

  // MSG_NOSIGNAL: a peer that has gone away must surface as error 10058, not kill the
  // process with SIGPIPE.
  int WSSend(TIdStackSocketHandle socket, const void* buffer, int length, int flags) override {
    for (;;) {
      const ssize_t n =
          ::send(Fd(socket), buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
      if (n >= 0) return static_cast<int>(n);
      if (errno != EINTR) return Fail(errno);
    }
  }

  int WSSetSockOpt(TIdStackSocketHandle socket, int level, int optName, const void* value,
                   int length) override {
    if (::setsockopt(Fd(socket), level, optName, value, static_cast<socklen_t>(length)) != 0) {
      return Fail(errno);
    }
    return 0;
  }

  int WSShutdown(TIdStackSocketHandle socket, int how) override {
    const int mode = how == Id_SD_Both ? SHUT_RDWR : how == Id_SD_Send ? SHUT_WR : SHUT_RD;
    if (::shutdown(Fd(socket), mode) != 0) return Fail(errno);
    return 0;
  }

  int WSCloseSocket(TIdStackSocketHandle socket) override {
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
    tLastError = Id_WSANO_DATA;
    return "";
  }

 protected:
  // poll() instead of select(): a descriptor above FD_SETSIZE must not overrun an fd_set.
  int WSSelectRead(TIdSocketList& list, int ms) override {
    std::vector<pollfd> fds(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
      fds[i].fd = Fd(list[i]);
      fds[i].events = POLLIN;
    }
    const int timeout = ms == -2 ? -1 : ms < 0 ? 0 : ms;
    const int result = ::poll(fds.data(), fds.size(), timeout);
    if (result < 0) return Fail(errno);
    TIdSocketList ready;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      // A closed or failed socket counts as readable: the receive reports what happened.
      if (fds[i].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) ready.push_back(list[i]);
    }
    list.swap(ready);
    return static_cast<int>(list.size());
  }
};

}  // namespace

std::unique_ptr<TIdStack> CreatePlatformStack() {
  return std::make_unique<TIdStackPosix>();
}

}  // namespace qp

#endif  // _WIN32
