#include <gtest/gtest.h>

#include "nntp/NNTP.h"
#include "support/NewsServer.h"
#include "support/ProxyProcess.h"

namespace qp::nntp {
namespace {

using test::LoopbackServer;

const char* const kList = "215 list follows\r\nalt.test 12 3 y\r\ncomp.lang.c++ 900 1 m\r\n.\r\n";

// The client through a real SOCKS 5 server (microsocks) to a loopback news server, with and
// without a login at the proxy.
TEST(SocksProxy, ListsGroupsThroughMicrosocks) {
  struct Row {
    const char* name;
    std::string user, password;
  };
  const Row rows[] = {{"no login", "", ""}, {"user name and password", "reader", "s3cret"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    test::MicrosocksProcess proxy(r.user, r.password);
    if (!proxy.Running()) GTEST_SKIP() << "no SOCKS 5 server: " << proxy.Problem();
    LoopbackServer server(test::NewsServer({{"List", kList}}));
    TNNTP client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.ReadTimeout = 10000;
    net::TSocksInfo& socks = client.SocksInfo();
    socks.Version = net::svSocks5;
    socks.Host = "127.0.0.1";
    socks.Port = proxy.Port();
    if (!r.user.empty()) {
      socks.Authentication = net::saUsernamePassword;
      socks.Username = r.user;
      socks.Password = r.password;
    }
    client.Connect();
    TStringList groups;
    client.ListGroups(groups);
    EXPECT_EQ(groups.Lines(),
              (std::vector<std::string>{"alt.test 12 3 y", "comp.lang.c++ 900 1 m"}));
    client.Disconnect();
    server.Join();
    EXPECT_NE(server.Received().find("mode reader\r\nList\r\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace qp::nntp
