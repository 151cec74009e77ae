#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

#include "net/NetExceptions.h"
#include "net/TCPClient.h"
#include "support/LoopbackServer.h"

namespace qp::net {
namespace {

using test::LoopbackServer;
using test::PeerSession;

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

const std::string kGreeting = "200 news ready\r\n";

// A scripted proxy: sends its whole script at once (the proxy's replies followed by what the
// server says once connected), then records what the client sends until it closes; when
// asked, it closes instead once the client has sent closeAfter bytes.
LoopbackServer::Handler Proxy(std::string script, bool close = false, std::size_t closeAfter = 0) {
  return [script = std::move(script), close, closeAfter](PeerSession& s) {
    s.Send(script);
    if (!close) return;
    s.ReadBytes(closeAfter);
    s.Close();
  };
}

struct SocksCase {
  const char* name;
  TSocksVersion version;
  TSocksAuthentication authentication;
  std::string user, password, host;
  int port;
  std::string script;             // what the proxy sends
  std::string request;            // the exact bytes the client must send
  const std::type_info* failure;  // nullptr: the greeting after the negotiation reads cleanly
  std::string message;
  bool proxyCloses = false;
};

void RunCase(const SocksCase& c) {
  SCOPED_TRACE(c.name);
  LoopbackServer proxy(Proxy(c.script, c.proxyCloses, c.request.size()));
  TTCPClient client;
  client.Host = c.host;
  client.Port = c.port;
  TSocksInfo& socks = client.SocksInfo();
  socks.Version = c.version;
  socks.Host = "127.0.0.1";
  socks.Port = proxy.Port();
  socks.Authentication = c.authentication;
  socks.Username = c.user;
  socks.Password = c.password;
  try {
    client.Connect();
    EXPECT_EQ(c.failure, nullptr) << "negotiation succeeded";
    EXPECT_EQ(client.ReadLn(), "200 news ready");
  } catch (const Exception& e) {
    ASSERT_NE(c.failure, nullptr) << "unexpected " << e.Message();
    EXPECT_EQ(typeid(e), *c.failure) << e.Message();
    EXPECT_EQ(e.Message(), c.message);
    EXPECT_FALSE(client.Connected());
  }
  client.Disconnect();
  proxy.Join();
  EXPECT_EQ(proxy.Received(), c.request);
}

const std::string kGranted4 = Bytes({0, 90, 0, 0, 0, 0, 0, 0});
const std::string kChooseNone = Bytes({5, 0});
const std::string kConnectNews = Bytes({5, 1, 0, 3, 4, 'n', 'e', 'w', 's', 0, 119});
const std::string kSucceededIPv4 = Bytes({5, 0, 0, 1, 10, 0, 0, 1, 0x04, 0x38});

std::string Socks5Reply(int code) {
  return Bytes({5, code, 0, 1, 0, 0, 0, 0, 0, 0});
}

TEST(Socks, Version4And4ARequestsAndReplies) {
  const std::string request4 = Bytes({4, 1, 0, 119, 127, 0, 0, 1, 0});
  const SocksCase cases[] = {
      {"9-byte request without user id", svSocks4, saNoAuthentication, "", "", "127.0.0.1", 119,
       kGranted4 + kGreeting, request4, nullptr, ""},
      {"user id before the closing 0", svSocks4, saNoAuthentication, "joe", "", "127.0.0.1", 119,
       kGranted4 + kGreeting, Bytes({4, 1, 0, 119, 127, 0, 0, 1, 'j', 'o', 'e', 0}), nullptr, ""},
      {"4A leaves the name to the proxy", svSocks4A, saNoAuthentication, "", "", "news", 119,
       kGranted4 + kGreeting, Bytes({4, 1, 0, 119, 0, 0, 0, 1, 0, 'n', 'e', 'w', 's', 0}), nullptr,
       ""},
      {"reply 91", svSocks4, saNoAuthentication, "", "", "127.0.0.1", 119,
       Bytes({0, 91, 0, 0, 0, 0, 0, 0}), request4, &typeid(ESocksRequestFailed),
       "Request rejected or failed."},
      {"reply 92", svSocks4, saNoAuthentication, "", "", "127.0.0.1", 119,
       Bytes({0, 92, 0, 0, 0, 0, 0, 0}), request4, &typeid(ESocksRequestServerFailed),
       "Request rejected because SOCKS server cannot connect."},
      {"reply 93", svSocks4, saNoAuthentication, "", "", "127.0.0.1", 119,
       Bytes({0, 93, 0, 0, 0, 0, 0, 0}), request4, &typeid(ESocksRequestIdentFailed),
       "Request rejected because the client program and identd report different user-ids."},
      {"other reply", svSocks4, saNoAuthentication, "", "", "127.0.0.1", 119,
       Bytes({0, 0, 0, 0, 0, 0, 0, 0}), request4, &typeid(ESocksUnknownError),
       "Unknown socks error."},
      {"short reply, then close", svSocks4, saNoAuthentication, "", "", "127.0.0.1", 119,
       Bytes({0, 90, 0}), request4, &typeid(EConnClosedGracefully), "Connection Closed Gracefully.",
       true},
  };
  for (const SocksCase& c : cases) RunCase(c);
}

TEST(Socks, Version5RequestsAndReplies) {
  const std::string greetNone = Bytes({5, 1, 0});
  const std::string greetLogin = Bytes({5, 1, 2});
  const std::string login = Bytes({1, 3, 'j', 'o', 'e', 6, 's', 'e', 'c', 'r', 'e', 't'});
  const SocksCase cases[] = {
      {"no login", svSocks5, saNoAuthentication, "", "", "news", 119,
       kChooseNone + kSucceededIPv4 + kGreeting, greetNone + kConnectNews, nullptr, ""},
      {"dotted address goes as a name", svSocks5, saNoAuthentication, "", "", "10.0.0.2", 563,
       kChooseNone + kSucceededIPv4 + kGreeting,
       greetNone + Bytes({5, 1, 0, 3, 8, '1', '0', '.', '0', '.', '0', '.', '2', 2, 51}), nullptr,
       ""},
      {"method refused", svSocks5, saNoAuthentication, "", "", "news", 119, Bytes({5, 255}),
       greetNone, &typeid(ESocksAuthMethodError), "Invalid socks authentication method."},
      {"another method than offered", svSocks5, saNoAuthentication, "", "", "news", 119,
       Bytes({5, 2}), greetNone, &typeid(ESocksAuthMethodError),
       "Invalid socks authentication method."},
      {"login accepted", svSocks5, saUsernamePassword, "joe", "secret", "news", 119,
       Bytes({5, 2, 1, 0}) + kSucceededIPv4 + kGreeting, greetLogin + login + kConnectNews, nullptr,
       ""},
      {"login refused", svSocks5, saUsernamePassword, "joe", "secret", "news", 119,
       Bytes({5, 2, 1, 1}), greetLogin + login, &typeid(ESocksAuthError),
       "Authentication error to socks server."},
      {"bound name of 9 bytes", svSocks5, saNoAuthentication, "", "", "news", 119,
       kChooseNone + Bytes({5, 0, 0, 3, 9}) + "proxy.lan" + Bytes({0, 80}) + kGreeting,
       greetNone + kConnectNews, nullptr, ""},
      {"bound IPv6 address", svSocks5, saNoAuthentication, "", "", "news", 119,
       kChooseNone + Bytes({5, 0, 0, 4}) + std::string(16, '\x01') + Bytes({0, 80}) + kGreeting,
       greetNone + kConnectNews, nullptr, ""},
      {"unknown address type", svSocks5, saNoAuthentication, "", "", "news", 119,
       kChooseNone + Bytes({5, 0, 0, 9, 0, 0, 80}) + kGreeting, greetNone + kConnectNews, nullptr,
       ""},
      {"closes after the greeting", svSocks5, saNoAuthentication, "", "", "news", 119, kChooseNone,
       greetNone + kConnectNews, &typeid(ESocksServerRespondError), "Socks server did not respond.",
       true},
      {"no greeting reply", svSocks5, saNoAuthentication, "", "", "news", 119, "", greetNone,
       &typeid(ESocksServerRespondError), "Socks server did not respond.", true},
      {"bound address cut short", svSocks5, saNoAuthentication, "", "", "news", 119,
       kChooseNone + Bytes({5, 0, 0, 3, 9, 'p'}), greetNone + kConnectNews,
       &typeid(ESocksServerRespondError), "Socks server did not respond.", true},
  };
  for (const SocksCase& c : cases) RunCase(c);
}

TEST(Socks, Version5ReplyCodes) {
  struct Row {
    int code;
    const std::type_info* failure;
    const char* message;
  };
  const Row rows[] = {
      {1, &typeid(ESocksServerGeneralError), "General SOCKS server failure."},
      {2, &typeid(ESocksServerPermissionError), "Connection not allowed by ruleset."},
      {3, &typeid(ESocksServerNetUnreachableError), "Network unreachable."},
      {4, &typeid(ESocksServerHostUnreachableError), "Host unreachable."},
      {5, &typeid(ESocksServerConnectionRefusedError), "Connection refused."},
      {6, &typeid(ESocksServerTTLExpiredError), "TTL expired."},
      {7, &typeid(ESocksServerCommandError), "Command not supported."},
      {8, &typeid(ESocksServerAddressError), "Address type not supported."},
      {9, &typeid(ESocksUnknownError), "Unknown socks error."},
  };
  for (const Row& r : rows) {
    const std::string name = "reply " + std::to_string(r.code);
    RunCase({name.c_str(), svSocks5, saNoAuthentication, "", "", "news", 119,
             kChooseNone + Socks5Reply(r.code), Bytes({5, 1, 0}) + kConnectNews, r.failure,
             r.message});
  }
}

// Each limit as a pair: the longest value that fits goes out whole, one byte more is refused
// before anything reaches the proxy.
TEST(Socks, LengthLimitsPassAndFail) {
  const std::string name251(251, 'h');
  const std::string name252(252, 'h');
  const std::string user200(200, 'u');
  const std::string pass55(55, 'p');
  const std::string pass56(56, 'p');
  const std::string id255(255, 'i');
  const std::string id256(256, 'i');
  const std::string id250(250, 'i');
  auto connect5 = [](const std::string& host) {
    return Bytes({5, 1, 0, 3, static_cast<int>(host.size())}) + host + Bytes({0, 119});
  };
  auto login = [](const std::string& u, const std::string& p) {
    return Bytes({1, static_cast<int>(u.size())}) + u + Bytes({static_cast<int>(p.size())}) + p;
  };
  const SocksCase cases[] = {
      {"SOCKS 5 host name of 251 bytes", svSocks5, saNoAuthentication, "", "", name251, 119,
       kChooseNone + kSucceededIPv4 + kGreeting, Bytes({5, 1, 0}) + connect5(name251), nullptr, ""},
      {"SOCKS 5 host name of 252 bytes", svSocks5, saNoAuthentication, "", "", name252, 119,
       kChooseNone, "", &typeid(ESocksError),
       "The host name \"hhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhh...\" is too long for the SOCKS "
       "request: 252 bytes, at most 251."},
      {"SOCKS 5 login of 255 bytes", svSocks5, saUsernamePassword, user200, pass55, "news", 119,
       Bytes({5, 2, 1, 0}) + kSucceededIPv4 + kGreeting,
       Bytes({5, 1, 2}) + login(user200, pass55) + kConnectNews, nullptr, ""},
      {"SOCKS 5 login of 256 bytes", svSocks5, saUsernamePassword, user200, pass56, "news", 119,
       Bytes({5, 2}), "", &typeid(ESocksError),
       "The SOCKS 5 user name with the password is too long for the SOCKS request: 256 bytes, "
       "at most 255."},
      {"SOCKS 5 user name of 256 bytes", svSocks5, saUsernamePassword, id256, "", "news", 119,
       Bytes({5, 2}), "", &typeid(ESocksError),
       "The SOCKS 5 user name is too long for the SOCKS request: 256 bytes, at most 255."},
      {"SOCKS 5 password of 256 bytes", svSocks5, saUsernamePassword, "", id256, "news", 119,
       Bytes({5, 2}), "", &typeid(ESocksError),
       "The SOCKS 5 password is too long for the SOCKS request: 256 bytes, at most 255."},
      {"SOCKS 4 user id of 255 bytes", svSocks4, saNoAuthentication, id255, "", "127.0.0.1", 119,
       kGranted4 + kGreeting, Bytes({4, 1, 0, 119, 127, 0, 0, 1}) + id255 + Bytes({0}), nullptr,
       ""},
      {"SOCKS 4 user id of 256 bytes", svSocks4, saNoAuthentication, id256, "", "127.0.0.1", 119,
       kGranted4, "", &typeid(ESocksError),
       "The SOCKS 4 user id is too long for the SOCKS request: 256 bytes, at most 255."},
      {"SOCKS 4A user id and name of 254 bytes", svSocks4A, saNoAuthentication, id250, "", "news",
       119, kGranted4 + kGreeting,
       Bytes({4, 1, 0, 119, 0, 0, 0, 1}) + id250 + Bytes({0}) + "news" + Bytes({0}), nullptr, ""},
      {"SOCKS 4A user id and name of 255 bytes", svSocks4A, saNoAuthentication, id250, "", "news1",
       119, kGranted4, "", &typeid(ESocksError),
       "The host name \"news1\" with the SOCKS 4A user id is too long for the SOCKS request: 255 "
       "bytes, at most 254."},
  };
  for (const SocksCase& c : cases) RunCase(c);
}

TEST(Socks, WithoutSocksNothingReachesTheProxy) {
  LoopbackServer proxy(Proxy(kChooseNone));
  LoopbackServer server(Proxy(kGreeting));
  TTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.SocksInfo().Host = "127.0.0.1";
  client.SocksInfo().Port = proxy.Port();
  client.Connect();
  EXPECT_EQ(client.ReadLn(), "200 news ready");
  client.Disconnect();
  server.Join();
  EXPECT_EQ(server.Received(), "");
  EXPECT_EQ(proxy.Accepted(), 0);
}

TEST(Socks, StatusNamesTheServerAndTheProxy) {
  LoopbackServer proxy(Proxy(kChooseNone + kSucceededIPv4 + kGreeting));
  TTCPClient client;
  client.Host = "news.example";
  client.Port = 119;
  client.SocksInfo().Version = svSocks5;
  client.SocksInfo().Host = "localhost";
  client.SocksInfo().Port = proxy.Port();
  std::vector<std::string> statuses;
  client.OnStatus = [&](TComponent&, TStatus, const std::string& text) {
    statuses.push_back(text);
  };
  client.Connect();
  const std::string proxyAt = "127.0.0.1:" + std::to_string(proxy.Port());
  EXPECT_EQ(statuses, (std::vector<std::string>{
                          "Resolving hostname localhost.",
                          "Connecting to news.example:119 through SOCKS 5 proxy " + proxyAt + ".",
                          "Connected."}));
  EXPECT_EQ(client.ReadLn(), "200 news ready");
}

}  // namespace
}  // namespace qp::net
