#include "nntp/NNTP.h"

#include <algorithm>

#include "base/InternetText.h"
#include "base/SysUtils.h"

namespace qp::nntp {

namespace {

bool IsAuthenticationDemand(int16_t code) {
  return code == 480 || code == 450;
}

}  // namespace

TNNTP::TNNTP() {
  Port = 119;
}

void TNNTP::Connect(int timeout) {
  FCurrentCommand.clear();
  FLoggedIn = false;
  TMessageClient::Connect(timeout);
  try {
    switch (GetResponse({})) {
      case 200:
        FGreetingResult = 0;
        break;
      case 201:
        FGreetingResult = 1;
        break;
      case 502:
        throw ENNTPConnectionRefused();
      default:
        // 400 (service not available) and every greeting we do not know: give the server up.
        FGreetingResult = 3;
        break;
    }
    if (Mode == mtReader) {
      FModeResult = SendCmd("mode reader", std::vector<int16_t>{}) == 200 ? 4 : 5;
    } else if (Mode == mtStream) {
      FModeResult = SendCmd("mode stream", std::vector<int16_t>{}) == 203 ? 0 : 1;
    }
    // After the mode command: a server may change what it offers once the reader mode is on,
    // and a logged-in client must not switch modes any more (RFC 4643 section 2.2). A server
    // that gave up in its greeting is not asked.
    if (LoginOnConnect && FGreetingResult <= 1 && !FLoggedIn && !Username.empty()) {
      FCurrentCommand = "AuthInfo User " + Username;
      Login(480);
    }
  } catch (...) {
    Disconnect();
    throw;
  }
}

void TNNTP::Disconnect() {
  try {
    if (Connected()) WriteLn("Quit");
  } catch (const ENetException&) {
    // The peer may already be gone; closing our side below is all that is left to do.
  }
  TMessageClient::Disconnect();
}

int16_t TNNTP::SendCmd(const std::string& command, const std::vector<int16_t>& allowed) {
  // The AUTHINFO lines below are not recorded: the password must never reach a log.
  FCurrentCommand = command;
  try {
    const int16_t code = TMessageClient::SendCmd(command, std::vector<int16_t>{});
    if (!IsAuthenticationDemand(code)) return CheckReply(code, allowed);
    Login(code);
    return TMessageClient::SendCmd(command, allowed);
  } catch (const net::EProtocolReplyError&) {
    // A whole reply was read: the session is in step.
    throw;
  } catch (...) {
    DropOutOfStep();
    throw;
  }
}

void TNNTP::Login(int16_t demandCode) {
  // An empty "AuthInfo User " would only be refused, and tells the user nothing.
  if (Username.empty()) throw ENNTPLoginRequired(demandCode);
  TMessageClient::SendCmd("AuthInfo User " + Username, std::vector<int16_t>{381});
  TMessageClient::SendCmd("AuthInfo Pass " + Password, std::vector<int16_t>{281});
  FLoggedIn = true;
}

void TNNTP::SelectGroup(const std::string& group) {
  SendCmd("Group " + group, std::vector<int16_t>{211});
  std::string rest = ReplyText().size() > 4 ? ReplyText().substr(4) : std::string();
  const uint64_t count = TextToUInt64(CutToken(rest, " "));
  const uint64_t first = TextToUInt64(CutToken(rest, " "));
  const uint64_t last = TextToUInt64(CutToken(rest, " "));
  FArticleCount = count;
  FFirstArticle = first;
  FLastArticle = last;
}

void TNNTP::ListGroups(TStringList& list) {
  SendCmd("List", std::vector<int16_t>{215});
  ReadReplyData([&] { Capture(list, ".", true); }, true);
}

void TNNTP::FetchOverview(const std::string& range, TStringList& list) {
  SendCmd("xover " + range, std::vector<int16_t>{224});
  ReadReplyData([&] { Capture(list, ".", true); }, true);
}

void TNNTP::FetchOverview(const std::string& range, const TLineSink& onLine) {
  SendCmd("xover " + range, std::vector<int16_t>{224});
  ReadReplyData([&] { Capture(onLine, ".", true); }, true);
}

bool TNNTP::RetrieveArticle(uint64_t number, const std::string& messageId,
                            message::TMessage& message) {
  std::string command = "Article";
  if (number >= 1) {
    command += " " + std::to_string(number);
  } else if (!messageId.empty()) {
    command += " <" + messageId + ">";
  }
  const int16_t code = SendCmd(command, std::vector<int16_t>{});
  if (code == 421 || code == 422 || code == 423 || code == 430) return false;
  if (code < 220 || code > 223) throw EResponseError(ReplyText());
  if (messageId.empty()) {
    std::string rest = ReplyText();
    CutToken(rest, " ");
    FArticleNumber = TextToUInt64Def(CutToken(rest, " "));
    // "220 n <message-id>", often followed by words about the reply (RFC 3977 section 6.2.1).
    std::string messageId = CutToken(rest, " ");
    const bool bracketed =
        messageId.size() > 2 && messageId.front() == '<' && messageId.back() == '>';
    FArticleMessageId = bracketed ? messageId : std::string();
  }
  message.Clear();
  // 220 carries header and body, 221 the header only, 222 the body only, 223 neither (no
  // data block follows it).
  if (code == 223) return true;
  ReadReplyData(
      [&] {
        bool readBody = code == 222;
        if (code == 220 || code == 221) readBody = ReadMessageHeader(message, "") && code == 220;
        if (readBody) ReadMessageBody(message, ".");
      },
      false);
  return true;
}

void TNNTP::ParseOverviewLine(const std::string& line, uint64_t& number, std::string& subject,
                              std::string& from, TDateTime& date, std::string& messageId,
                              std::string& references, uint32_t& byteCount, uint32_t& lineCount,
                              std::string& rest) {
  // Some servers mark an empty field with a backspace between two TABs.
  std::string unmarked;
  std::string_view remaining(line);
  if (line.find("\t\b\t") != std::string::npos) {
    unmarked = StringReplaceAll(line, "\t\b\t", "\t");
    remaining = unmarked;
  }
  // Cutting at TAB the way CutToken does, on a view: this runs once per article header.
  const auto cut = [&remaining]() {
    const std::size_t tab = remaining.find('\t');
    const std::string_view token = remaining.substr(0, tab);
    remaining = tab == std::string_view::npos ? std::string_view() : remaining.substr(tab + 1);
    return token;
  };
  number = TextToUInt64Def(cut());
  subject = cut();
  from = cut();
  date = InternetDateToLocal(cut());
  messageId = cut();
  references = cut();
  byteCount = TextToCardinal(cut());
  lineCount = TextToCardinal(cut());
  rest = remaining;
}

void TNNTP::ParseGroupLine(std::string line, std::string& name, uint64_t& high, uint64_t& low,
                           std::string& status) {
  name = CutToken(line, " ");
  high = TextToUInt64Def(CutToken(line, " "));
  low = TextToUInt64Def(CutToken(line, " "));
  status = line;
}

}  // namespace qp::nntp
