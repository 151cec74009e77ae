#include "cli/NewsCommand.h"

#include <sys/stat.h>

#include "base/DateTime.h"
#include "base/Exception.h"
#include "base/InternetText.h"
#include "base/SysUtils.h"
#include "cli/Json.h"
#include "message/AttachmentName.h"
#include "message/DisplayText.h"
#include "message/Message.h"
#include "message/MessageParts.h"
#include "nntp/NNTP.h"

namespace qp::cli {

const char* const NewsUsage =
    "usage: quillpost-cli news [--user U --password P] HOST[:PORT] groups\n"
    "       quillpost-cli news [--user U --password P] HOST[:PORT] overview GROUP\n"
    "       quillpost-cli news [--user U --password P] HOST[:PORT] article GROUP NUMBER "
    "[--save DIR]\n";

namespace {

// As long as the window's client waits for a silent server: the limit of a connect.
constexpr int ReadTimeoutMs = 120000;

class EUsage : public Exception {
 public:
  using Exception::Exception;
};

struct Options {
  std::string user, password, host, action, group, saveDir;
  int port = 119;
  uint64_t number = 0;
  bool login = false;
};

// A decimal number of up to 64 bits (article numbers need them all); anything else is a
// usage error, never a wrapped number.
uint64_t ParseNumber(const std::string& text, const char* what) {
  const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
  try {
    if (digits) return TextToUInt64(text);
  } catch (const EConvertError&) {
  }
  throw EUsage(
      Format("%s must be a number from 0 to 18446744073709551615, not '%s'", what, text.c_str()));
}

Options ParseArguments(const std::vector<std::string>& args) {
  Options o;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw EUsage(a + " needs a value");
      return args[++i];
    };
    if (a == "--user") {
      o.user = value();
      o.login = true;
    } else if (a == "--password") {
      o.password = value();
      o.login = true;
    } else if (a == "--save") {
      o.saveDir = value();
    } else if (a.size() > 1 && a[0] == '-') {
      throw EUsage("unknown option " + a);
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() < 2) throw EUsage("missing HOST and action");
  std::string hostPort = positional[0];
  const std::size_t colon = hostPort.rfind(':');
  if (colon != std::string::npos) {
    const uint64_t port = ParseNumber(hostPort.substr(colon + 1), "PORT");
    if (port < 1 || port > 65535) throw EUsage("PORT must be from 1 to 65535");
    o.port = static_cast<int>(port);
    hostPort.resize(colon);
  }
  if (hostPort.empty()) throw EUsage("missing HOST");
  o.host = hostPort;
  o.action = positional[1];
  const std::size_t wanted = o.action == "groups" ? 2 : o.action == "overview" ? 3 : 4;
  if (o.action != "groups" && o.action != "overview" && o.action != "article")
    throw EUsage("unknown action " + o.action);
  if (positional.size() != wanted) throw EUsage("wrong number of arguments for " + o.action);
  if (wanted >= 3) o.group = positional[2];
  if (wanted == 4) o.number = ParseNumber(positional[3], "NUMBER");
  if (!o.saveDir.empty() && o.action != "article") throw EUsage("--save goes with article");
  return o;
}

// The lines as one text, each line but the last followed by LF.
std::string JoinedLines(const TStringList& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) text += '\n';
    text += lines[i];
  }
  return text;
}

std::string JsonLines(const TStringList& lines) {
  std::string r = "[";
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) r += ",";
    r += JsonString(lines[i]);
  }
  return r + "]";
}

void PrintGroups(nntp::TNNTP& news, std::ostream& out) {
  TStringList lines;
  news.ListGroups(lines);
  for (const std::string& line : lines) {
    std::string name, status;
    uint64_t high = 0, low = 0;
    nntp::TNNTP::ParseGroupLine(line, name, high, low, status);
    out << TJsonObject()
               .Str("name", name)
               .Unsigned("high", high)
               .Unsigned("low", low)
               .Str("status", status)
               .Text()
        << '\n';
  }
}

// Appends a header value as sent and as the user reads it, as two JSON fields. A value that
// reads as it was sent (no encoded word, valid UTF-8) is escaped once and its literal copied.
void AppendRawAndText(std::string& buffer, const char* rawField, const char* textField,
                      const std::string& raw) {
  buffer += rawField;
  const std::size_t start = buffer.size();
  AppendJsonString(buffer, raw);
  const std::size_t length = buffer.size() - start;
  buffer += textField;
  if (message::HeaderTextAsSent(raw)) {
    buffer.reserve(buffer.size() + length);  // the copy below then reads unmoved bytes
    buffer.append(buffer.data() + start, length);
  } else {
    thread_local std::string text;
    text.clear();
    message::AppendHeaderText(text, raw);
    AppendJsonString(buffer, text);
  }
}

void PrintOverview(nntp::TNNTP& news, const std::string& group, std::ostream& out) {
  news.SelectGroup(group);
  // Each line is parsed and written as it arrives, into one output buffer flushed in large
  // pieces: a group may hold millions of articles.
  std::string buffer;
  uint64_t number = 0;
  uint32_t bytes = 0, lineCount = 0;
  std::string subject, from, messageId, references, rest;
  TDateTime date = 0;
  news.FetchOverview(std::to_string(news.FirstArticle()) + "-" + std::to_string(news.LastArticle()),
                     [&](std::string& line) {
                       nntp::TNNTP::ParseOverviewLine(line, number, subject, from, date, messageId,
                                                      references, bytes, lineCount, rest);
                       buffer += "{\"number\":";
                       buffer += std::to_string(number);
                       AppendRawAndText(buffer, ",\"subject\":", ",\"subject_text\":", subject);
                       AppendRawAndText(buffer, ",\"from\":", ",\"from_text\":", from);
                       buffer += ",\"date\":\"";
                       buffer += DateTimeToIso(date);
                       buffer += "\",\"message_id\":";
                       AppendJsonString(buffer, messageId);
                       buffer += ",\"references\":";
                       AppendJsonString(buffer, references);
                       buffer += ",\"bytes\":";
                       buffer += std::to_string(bytes);
                       buffer += ",\"lines\":";
                       buffer += std::to_string(lineCount);
                       buffer += "}\n";
                       if (buffer.size() >= 1 << 16) {
                         out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                         buffer.clear();
                       }
                     });
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
}

int64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

void SaveAttachments(const message::TMessage& message, std::string dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    throw Exception("--save: '" + dir + "' is not an existing folder");
  if (dir.back() != '/') dir += '/';
  for (int i = 0; i < message.MessageParts.Count(); ++i) {
    const auto* a = dynamic_cast<const message::TAttachment*>(&message.MessageParts[i]);
    if (a == nullptr) continue;
    std::string leaf = message::AttachmentLeafName(a->FileName);
    if (leaf.empty()) leaf = Format("attachment-%d", i + 1);
    // SaveToFile never overwrites and raises a bare "Error saving attachment."; say which.
    try {
      a->SaveToFile(dir + leaf);
    } catch (const Exception& e) {
      throw Exception("cannot save '" + a->FileName + "' as '" + dir + leaf + "': " + e.Message());
    }
  }
}

void PrintArticle(nntp::TNNTP& news, const Options& o, std::ostream& out, std::ostream& err) {
  news.SelectGroup(o.group);
  message::TMessage message;
  if (!news.RetrieveArticle(o.number, "", message))
    throw Exception("article " + std::to_string(o.number) +
                    " is not on the server: " + news.ReplyText());
  std::string parts = "[";
  for (int i = 0; i < message.MessageParts.Count(); ++i) {
    if (i > 0) parts += ",";
    const message::TMessagePart& part = message.MessageParts[i];
    if (const auto* text = dynamic_cast<const message::TText*>(&part)) {
      const TStringList shown = message::LinesToUtf8(text->Lines, TextCharset(*text, message));
      parts += TJsonObject()
                   .Str("type", "text")
                   .Raw("lines", JsonLines(text->Lines))
                   .Str("text", JoinedLines(shown))
                   .Text();
    } else if (const auto* a = dynamic_cast<const message::TAttachment*>(&part)) {
      parts += TJsonObject()
                   .Str("type", "attachment")
                   .Str("file_name", a->FileName)
                   .Num("size", FileSize(a->StoredPath))
                   .Text();
    }
  }
  parts += "]";
  for (const std::string& failure : message.DecodeFailures)
    err << "quillpost-cli: warning: " << failure << '\n';
  if (!o.saveDir.empty()) SaveAttachments(message, o.saveDir);
  out << TJsonObject()
             .Unsigned("number", news.ArticleNumber())
             .Str("message_id", news.ArticleMessageId())
             .Raw("headers", JsonLines(message.Headers))
             .Raw("body", JsonLines(message.Body))
             .Str("body_text",
                  JoinedLines(message::LinesToUtf8(
                      message.Body, message::MimeParameter(message.ContentType, "charset"))))
             .Raw("parts", parts)
             .Text()
      << '\n';
}

}  // namespace

int RunNewsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o;
  try {
    o = ParseArguments(args);
  } catch (const EUsage& e) {
    err << "quillpost-cli: " << e.Message() << '\n' << NewsUsage;
    return 2;
  }
  nntp::TNNTP news;
  try {
    news.Host = o.host;
    news.Port = o.port;
    // A server that stops answering ends the command instead of holding it forever.
    news.ReadTimeout = ReadTimeoutMs;
    if (o.login) {
      news.Username = o.user;
      news.Password = o.password;
    }
    news.Connect();
    if (news.GreetingResult() > 1)
      throw Exception("the server is not available: " + news.ReplyText());
    if (o.action == "groups")
      PrintGroups(news, out);
    else if (o.action == "overview")
      PrintOverview(news, o.group, out);
    else
      PrintArticle(news, o, out, err);
    news.Disconnect();
  } catch (const std::exception& e) {
    err << "quillpost-cli: " << e.what() << '\n';
    try {
      news.Disconnect();
    } catch (const std::exception&) {
    }
    return 1;
  }
  out.flush();
  return 0;
}

}  // namespace qp::cli
