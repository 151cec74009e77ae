#include "ReceptionSupport.h"

#include "nntp/IdException.h"
#include "support/LoopbackServer.h"

namespace qp::test {

MemoryMessageClient::MemoryMessageClient(std::string data) : FData(std::move(data)) {
  OnWorkBegin = [this](TIdComponent&, TWorkMode, int) { ++WorkBegins; };
  OnWorkEnd = [this](TIdComponent&, TWorkMode) { ++WorkEnds; };
}

std::string MemoryMessageClient::ReadLn(const std::string&, int) {
  const std::size_t lf = FData.find('\n', FPos);
  // A final fragment without its line end is never returned, as on a real connection.
  if (lf == std::string::npos) {
    FPos = FData.size();
    throw EIdConnClosedGracefully();
  }
  std::string line = FData.substr(FPos, lf - FPos);
  FPos = lf + 1;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  ++FLinesRead;
  return line;
}

bool ReceiveArticle(TIdMessageClient& client, TIdMessage& message) {
  message.Clear();
  const bool hasBody = client.ReadMessageHeader(message, "");
  if (hasBody) client.ReadMessageBody(message, ".");
  return hasBody;
}

const char* SourceName(Source source) {
  switch (source) {
    case Source::Memory:
      return "Memory";
    case Source::LoopbackWhole:
      return "LoopbackWhole";
    default:
      return "LoopbackBytewise";
  }
}

bool ReceiveFrom(Source source, const std::string& article, TIdMessage& message) {
  if (source == Source::Memory) {
    MemoryMessageClient client(article);
    return ReceiveArticle(client, message);
  }
  const bool bytewise = source == Source::LoopbackBytewise;
  LoopbackServer server([&](PeerSession& session) {
    if (bytewise) {
      for (const char c : article) session.Send(std::string_view(&c, 1));
    } else {
      session.Send(article);
    }
    session.WaitClosed();
  });
  TIdMessageClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  struct Disconnector {
    TIdMessageClient& Client;
    ~Disconnector() { Client.Disconnect(); }
  } disconnect{client};
  return ReceiveArticle(client, message);
}

}  // namespace qp::test
