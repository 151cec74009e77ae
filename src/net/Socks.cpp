#include "net/Socks.h"

#include <cstdint>

#include "net/NetExceptions.h"
#include "net/TCPConnection.h"

namespace qp::net {

namespace {

constexpr uint8_t kConnectCommand = 1;
constexpr uint8_t kSocks4Granted = 90;
constexpr uint8_t kMethodNone = 0;
constexpr uint8_t kMethodUsernamePassword = 2;
constexpr uint8_t kNoAcceptableMethod = 255;
constexpr uint8_t kAddressIPv4 = 1;
constexpr uint8_t kAddressName = 3;
constexpr uint8_t kAddressIPv6 = 4;

void AppendPort(std::string& request, int port) {
  request += static_cast<char>((port >> 8) & 0xFF);
  request += static_cast<char>(port & 0xFF);
}

std::string Excerpt(const std::string& text) {
  return text.size() <= 40 ? text : text.substr(0, 40) + "...";
}

[[noreturn]] void RaiseTooLong(const std::string& what, std::size_t length, std::size_t limit) {
  throw ESocksError(Format("%s is too long for the SOCKS request: %zu bytes, at most %zu.",
                           what.c_str(), length, limit));
}

void Send(TTCPConnection& connection, const std::string& bytes) {
  connection.WriteBytes(bytes.data(), static_cast<int>(bytes.size()), false);
}

// Reads count reply bytes; a version 5 proxy that cannot deliver them did not respond.
std::string ReadSocks5Reply(TTCPConnection& connection, int count) {
  try {
    return connection.ReadString(count);
  } catch (const ENetException&) {
    throw ESocksServerRespondError();
  }
}

}  // namespace

void TSocksInfo::Assign(const TSocksInfo& source) {
  Version = source.Version;
  Host = source.Host;
  Port = source.Port;
  Authentication = source.Authentication;
  Username = source.Username;
  Password = source.Password;
}

const char* TSocksInfo::VersionName(TSocksVersion version) {
  switch (version) {
    case svSocks4:
      return "SOCKS 4";
    case svSocks4A:
      return "SOCKS 4A";
    case svSocks5:
      return "SOCKS 5";
    case svNoSocks:
      break;
  }
  return "";
}

void TSocksInfo::CheckLimits(const std::string& host) const {
  const std::string hostName = "The host name \"" + Excerpt(host) + "\"";
  switch (Version) {
    case svSocks4:
      if (Username.size() > kMaxSocks4UserId)
        RaiseTooLong("The SOCKS 4 user id", Username.size(), kMaxSocks4UserId);
      break;
    case svSocks4A:
      if (Username.size() > kMaxSocks4AUserIdAndHost)
        RaiseTooLong("The SOCKS 4A user id", Username.size(), kMaxSocks4AUserIdAndHost);
      if (Username.size() + host.size() > kMaxSocks4AUserIdAndHost) {
        RaiseTooLong(hostName + " with the SOCKS 4A user id", Username.size() + host.size(),
                     kMaxSocks4AUserIdAndHost);
      }
      break;
    case svSocks5:
      if (Authentication == saUsernamePassword) {
        if (Username.size() > kMaxSocks5Login)
          RaiseTooLong("The SOCKS 5 user name", Username.size(), kMaxSocks5Login);
        if (Password.size() > kMaxSocks5Login)
          RaiseTooLong("The SOCKS 5 password", Password.size(), kMaxSocks5Login);
        if (Username.size() + Password.size() > kMaxSocks5Login) {
          RaiseTooLong("The SOCKS 5 user name with the password", Username.size() + Password.size(),
                       kMaxSocks5Login);
        }
      }
      if (host.size() > kMaxSocks5Host) RaiseTooLong(hostName, host.size(), kMaxSocks5Host);
      break;
    case svNoSocks:
      break;
  }
}

void TSocksInfo::NegotiateSocks(TTCPConnection* connection, const std::string& host,
                                int port) const {
  if (Version == svNoSocks || connection == nullptr) return;
  CheckLimits(host);
  if (Version == svSocks5) {
    NegotiateSocks5(*connection, host, port);
  } else {
    NegotiateSocks4(*connection, host, port);
  }
}

void TSocksInfo::NegotiateSocks4(TTCPConnection& connection, const std::string& host,
                                 int port) const {
  std::string request;
  request += '\x04';
  request += static_cast<char>(kConnectCommand);
  AppendPort(request, port);
  if (Version == svSocks4A) {
    // 0.0.0.1: an address no host has, telling the proxy to resolve the name that follows.
    request += std::string("\0\0\0\x01", 4);
  } else {
    uint8_t address[4];
    TStack::TextToAddress(GStack().ResolveHostAddress(host), address);
    request.append(reinterpret_cast<const char*>(address), 4);
  }
  request += Username;
  request += '\0';
  if (Version == svSocks4A) {
    request += host;
    request += '\0';
  }
  Send(connection, request);

  // Version, status and six bytes of port and address, which a connect reply leaves unused.
  const std::string reply = connection.ReadString(8);
  switch (static_cast<uint8_t>(reply[1])) {
    case kSocks4Granted:
      return;
    case 91:
      throw ESocksRequestFailed();
    case 92:
      throw ESocksRequestServerFailed();
    case 93:
      throw ESocksRequestIdentFailed();
    default:
      throw ESocksUnknownError();
  }
}

void TSocksInfo::NegotiateSocks5(TTCPConnection& connection, const std::string& host,
                                 int port) const {
  const uint8_t method =
      Authentication == saUsernamePassword ? kMethodUsernamePassword : kMethodNone;
  Send(connection, std::string{'\x05', '\x01', static_cast<char>(method)});
  std::string reply = ReadSocks5Reply(connection, 2);
  const auto chosen = static_cast<uint8_t>(reply[1]);
  if (chosen != method || chosen == kNoAcceptableMethod) throw ESocksAuthMethodError();

  if (Authentication == saUsernamePassword) {
    // RFC 1929: version 1 of the sub-negotiation, then the counted user name and password.
    std::string login;
    login += '\x01';
    login += static_cast<char>(Username.size());
    login += Username;
    login += static_cast<char>(Password.size());
    login += Password;
    Send(connection, login);
    reply = ReadSocks5Reply(connection, 2);
    if (reply[1] != 0) throw ESocksAuthError();
  }

  // The host always goes as a name, a dotted address too, so the proxy resolves it.
  std::string request{'\x05', static_cast<char>(kConnectCommand), '\0',
                      static_cast<char>(kAddressName)};
  request += static_cast<char>(host.size());
  request += host;
  AppendPort(request, port);
  Send(connection, request);

  reply = ReadSocks5Reply(connection, 5);
  switch (static_cast<uint8_t>(reply[1])) {
    case 0:
      break;
    case 1:
      throw ESocksServerGeneralError();
    case 2:
      throw ESocksServerPermissionError();
    case 3:
      throw ESocksServerNetUnreachableError();
    case 4:
      throw ESocksServerHostUnreachableError();
    case 5:
      throw ESocksServerConnectionRefusedError();
    case 6:
      throw ESocksServerTTLExpiredError();
    case 7:
      throw ESocksServerCommandError();
    case 8:
      throw ESocksServerAddressError();
    default:
      throw ESocksUnknownError();
  }
  // The bound address and port: the fifth byte read was the first of the address (for a
  // name, its length), so what remains depends on the address type.
  int remaining;
  switch (static_cast<uint8_t>(reply[3])) {
    case kAddressIPv4:
      remaining = 4 - 1 + 2;
      break;
    case kAddressName:
      remaining = static_cast<uint8_t>(reply[4]) + 2;
      break;
    case kAddressIPv6:
      remaining = 16 - 1 + 2;
      break;
    default:
      remaining = 2;
      break;
  }
  ReadSocks5Reply(connection, remaining);
}

}  // namespace qp::net
