#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "net/IOHandlerSocket.h"
#include "net/Socks.h"
#include "net/TCPClient.h"

namespace qp::net {
namespace {

// Components that a client refers to without owning them, freed in the orders a program
// produces by switching a client from one to another. Run under AddressSanitizer, a pointer
// left behind in either direction shows as a use after free when the survivor is destroyed.
struct Objects {
  std::unique_ptr<TTCPClient> Client = std::make_unique<TTCPClient>();
  std::unique_ptr<TIOHandlerSocket> Handler1 = std::make_unique<TIOHandlerSocket>();
  std::unique_ptr<TIOHandlerSocket> Handler2 = std::make_unique<TIOHandlerSocket>();
  std::unique_ptr<TSocksInfo> Socks1 = std::make_unique<TSocksInfo>();
  std::unique_ptr<TSocksInfo> Socks2 = std::make_unique<TSocksInfo>();
  std::unique_ptr<TConnectionIntercept> Intercept1 = std::make_unique<TConnectionIntercept>();
  std::unique_ptr<TConnectionIntercept> Intercept2 = std::make_unique<TConnectionIntercept>();
};

TEST(FreeNotification, SwitchThenFreeLeavesNoDanglingReference) {
  struct Row {
    const char* name;
    std::function<void(Objects&)> steps;
  };
  const Row rows[] = {
      {"I/O layer switched to another, first freed, client last",
       [](Objects& o) {
         o.Client->SetIOHandler(o.Handler1.get());
         o.Client->SetIOHandler(o.Handler2.get());
         o.Handler1.reset();
         EXPECT_EQ(o.Client->IOHandler(), o.Handler2.get());
       }},
      {"I/O layer switched to none, then freed",
       [](Objects& o) {
         o.Client->SetIOHandler(o.Handler1.get());
         o.Client->SetIOHandler(nullptr);
         o.Handler1.reset();
       }},
      {"I/O layer switched to none, client freed first",
       [](Objects& o) {
         o.Client->SetIOHandler(o.Handler1.get());
         o.Client->SetIOHandler(nullptr);
         o.Client.reset();
       }},
      {"I/O layer freed while in use",
       [](Objects& o) {
         o.Client->SetIOHandler(o.Handler1.get());
         o.Handler1.reset();
         EXPECT_EQ(o.Client->IOHandler(), nullptr);
       }},
      {"shared SOCKS settings switched to another, first freed",
       [](Objects& o) {
         o.Client->SetSocksInfo(*o.Socks1, true);
         o.Client->SetSocksInfo(*o.Socks2, true);
         o.Socks1.reset();
         EXPECT_EQ(&o.Client->SocksInfo(), o.Socks2.get());
       }},
      {"shared SOCKS settings switched, client freed before both",
       [](Objects& o) {
         o.Client->SetSocksInfo(*o.Socks1, true);
         o.Client->SetSocksInfo(*o.Socks2, true);
         o.Client.reset();
       }},
      {"intercept switched to another, then to none, both freed",
       [](Objects& o) {
         o.Client->SetIntercept(o.Intercept1.get());
         o.Client->SetIntercept(o.Intercept2.get());
         o.Client->SetIntercept(nullptr);
         o.Intercept1.reset();
         o.Intercept2.reset();
       }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Objects objects;
    r.steps(objects);
    // Whatever the row left is freed here, the client last.
  }
}

// A component that records which components told it they were going away.
class TWatcher : public TBaseComponent {
 public:
  int Notified = 0;

 protected:
  void Notification(TBaseComponent*) override { ++Notified; }
};

TEST(FreeNotification, RemovalIsMutual) {
  auto a = std::make_unique<TWatcher>();
  auto b = std::make_unique<TWatcher>();
  a->FreeNotification(b.get());
  b->RemoveFreeNotification(a.get());
  b.reset();
  EXPECT_EQ(a->Notified, 0);

  auto c = std::make_unique<TWatcher>();
  a->FreeNotification(c.get());
  a.reset();
  EXPECT_EQ(c->Notified, 1);
}

}  // namespace
}  // namespace qp::net
