// libFuzzer entry point: the input as everything a news server says during one session
// (greeting, group, overview, group list, article, group again), played to the client from
// memory. The first byte chooses how the bytes are cut into receives. Only the system's own
// exceptions may escape, and after every command the session is in step or dropped.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/Exception.h"
#include "message/Message.h"
#include "nntp/NNTP.h"
#include "support/MemoryIOHandler.h"

namespace {

void CheckInStep(const qp::nntp::TNNTP& client) {
  if (client.ReplyDataOpen()) std::abort();
}

void PlaySession(qp::nntp::TNNTP& client) {
  client.Connect();
  client.SelectGroup("alt.test");
  const std::string range =
      std::to_string(client.FirstArticle()) + "-" + std::to_string(client.LastArticle());
  try {
    client.FetchOverview(range, [](std::string& line) {
      uint64_t number = 0;
      uint32_t bytes = 0, lines = 0;
      std::string subject, from, messageId, references, rest;
      qp::TDateTime date = 0;
      qp::nntp::TNNTP::ParseOverviewLine(line, number, subject, from, date, messageId, references,
                                         bytes, lines, rest);
    });
  } catch (const qp::Exception&) {
    CheckInStep(client);
  }
  try {
    qp::TStringList groups;
    client.ListGroups(groups);
    for (const std::string& line : groups) {
      std::string name, status;
      uint64_t high = 0, low = 0;
      qp::nntp::TNNTP::ParseGroupLine(line, name, high, low, status);
    }
  } catch (const qp::Exception&) {
    CheckInStep(client);
  }
  try {
    qp::message::TMessage message;
    client.RetrieveArticle(client.FirstArticle(), "", message);
  } catch (const qp::Exception&) {
  }
  CheckInStep(client);
  client.SelectGroup("alt.test");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = 1 + data[0] % 64 * 64;
  qp::test::TMemoryIOHandler io(std::string(reinterpret_cast<const char*>(data) + 1, size - 1),
                                chunk);
  qp::nntp::TNNTP client;
  client.SetIOHandler(&io);
  try {
    PlaySession(client);
  } catch (const qp::Exception&) {
  }
  CheckInStep(client);
  client.SetIOHandler(nullptr);
  return 0;
}
