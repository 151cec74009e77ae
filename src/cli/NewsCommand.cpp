#include "cli/NewsCommand.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

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
#include "nntp/ServerAddress.h"

namespace qp::cli {

const char* const NewsUsage =
    "usage: quillpost-cli news [--user U --password P|-] SERVER groups\n"
    "       quillpost-cli news [--user U --password P|-] SERVER overview GROUP\n"
    "       quillpost-cli news [--user U --password P|-] SERVER article GROUP NUMBER "
    "[--save DIR]\n"
    "       SERVER is HOST[:PORT], or nntps://HOST[:PORT] for TLS (port 563)\n"
    "       (--password - reads the password from standard input; without --password it is\n"
    "       taken from QUILLPOST_PASSWORD)\n";

namespace {

// As long as the window's client waits for a silent server: the limit of a connect.
constexpr int ReadTimeoutMs = 120000;

class EUsage : public Exception {
 public:
  using Exception::Exception;
};

// The environment variable that may hold the password, so that it need not appear on a
// command line, where every local user can read it.
const char* const PasswordVariable = "QUILLPOST_PASSWORD";

struct Options {
  std::string user, password, host, action, group, saveDir;
  int port = nntp::kNNTPPort;
  uint64_t number = 0;
  bool login = false;
  bool passwordGiven = false;
  bool passwordFromInput = false;
  bool tls = false;
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
      o.passwordGiven = true;
      o.passwordFromInput = o.password == "-";
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
  o.tls = nntp::TakeTLSScheme(hostPort);
  if (o.tls) o.port = nntp::kNNTPSPort;
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

// Fills in the password that is not on the command line: the first line of in for
// "--password -", else QUILLPOST_PASSWORD when set.
void ReadPassword(Options& o, std::istream& in) {
  if (o.passwordFromInput) {
    std::string line;
    if (!std::getline(in, line)) throw EUsage("--password -: no password on standard input");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    o.password = line;
  } else if (!o.passwordGiven) {
    if (const char* password = std::getenv(PasswordVariable)) {
      o.password = password;
      o.login = true;
    }
  }
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

// "name.ext" -> "name-<n>.ext"; a leading "." starts no extension (".rc" -> ".rc-1").
std::string NumberedName(const std::string& name, int n) {
  const std::size_t dot = name.rfind('.');
  const std::string suffix = "-" + std::to_string(n);
  if (dot == std::string::npos || dot == 0) return name + suffix;
  return name.substr(0, dot) + suffix + name.substr(dot);
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Tries of "-1", "-2", ... for one name; past them the save fails rather than search on.
constexpr int MaxNumberedNames = 10000;

}  // namespace

std::string ChooseSaveName(const std::string& fileName, int partIndex,
                           const std::set<std::string>& used, const std::string& dir,
                           std::size_t nameMax) {
  std::string name = message::AttachmentLeafName(fileName);
  // A NUL byte would end the name early at the system call: another file would be written.
  if (name.empty() || name.find('\0') != std::string::npos || name.size() > nameMax)
    name = Format("attachment-%d", partIndex + 1);
  if (used.count(name) == 0) return name;
  for (int n = 1; n <= MaxNumberedNames; ++n) {
    const std::string numbered = NumberedName(name, n);
    if (numbered.size() > nameMax) break;
    if (used.count(numbered) == 0 && !PathExists(dir + numbered)) return numbered;
  }
  return "";
}

namespace {

// What became of one attachment with --save: the path it was saved as, or why it was not.
struct TSaveResult {
  std::string savedAs;
  std::string error;
};

// Saves every attachment of message into dir (an existing folder, with a trailing "/"),
// each under the name ChooseSaveName gives, never over an existing file. A failure is noted
// for its attachment (and on err) and the others are saved all the same. The results are
// indexed like message.MessageParts.
std::vector<TSaveResult> SaveAttachments(const message::TMessage& message, const std::string& dir,
                                         std::ostream& err) {
  std::vector<TSaveResult> results(static_cast<std::size_t>(message.MessageParts.Count()));
  long nameMax = ::pathconf(dir.c_str(), _PC_NAME_MAX);
  if (nameMax <= 0) nameMax = NAME_MAX;
  std::set<std::string> used;
  for (int i = 0; i < message.MessageParts.Count(); ++i) {
    const auto* a = dynamic_cast<const message::TAttachment*>(&message.MessageParts[i]);
    if (a == nullptr) continue;
    TSaveResult& result = results[static_cast<std::size_t>(i)];
    const std::string name =
        ChooseSaveName(a->FileName, i, used, dir, static_cast<std::size_t>(nameMax));
    if (name.empty()) {
      result.error = "no free name for '" + a->FileName + "' in '" + dir + "'";
    } else {
      used.insert(name);
      // SaveToFile never overwrites and raises a bare "Error saving attachment."; say which.
      try {
        a->SaveToFile(dir + name);
        result.savedAs = dir + name;
      } catch (const Exception& e) {
        result.error = "cannot save '" + a->FileName + "' as '" + dir + name + "': " + e.Message();
      }
    }
    if (!result.error.empty()) err << "quillpost-cli: " << result.error << '\n';
  }
  return results;
}

std::string IncludeTrailingSlash(std::string dir) {
  if (dir.back() != '/') dir += '/';
  return dir;
}

// Prints the article as one JSON object; with --save the attachments are saved first and
// each tells where it went or why it did not. Returns false when any save failed.
bool PrintArticle(nntp::TNNTP& news, const Options& o, std::ostream& out, std::ostream& err) {
  news.SelectGroup(o.group);
  message::TMessage message;
  if (!news.RetrieveArticle(o.number, "", message))
    throw Exception("article " + std::to_string(o.number) +
                    " is not on the server: " + news.ReplyText());
  for (const std::string& failure : message.DecodeFailures)
    err << "quillpost-cli: warning: " << failure << '\n';
  std::vector<TSaveResult> saved;
  if (!o.saveDir.empty()) saved = SaveAttachments(message, IncludeTrailingSlash(o.saveDir), err);
  bool allSaved = true;
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
      TJsonObject object;
      object.Str("type", "attachment")
          .Str("file_name", a->FileName)
          .Num("size", FileSize(a->StoredPath));
      if (!saved.empty()) {
        const TSaveResult& result = saved[static_cast<std::size_t>(i)];
        if (result.error.empty()) {
          object.Str("saved_as", result.savedAs);
        } else {
          object.Str("error", result.error);
          allSaved = false;
        }
      }
      parts += object.Text();
    }
  }
  parts += "]";
  // The reply names the article's Message-ID; a server that leaves it out still sent the
  // header field.
  std::string messageId = news.ArticleMessageId();
  if (messageId.empty()) messageId = message.Headers.ValueOf("Message-ID");
  out << TJsonObject()
             .Unsigned("number", news.ArticleNumber())
             .Str("message_id", messageId)
             .Raw("headers", JsonLines(message.Headers))
             .Raw("body", JsonLines(message.Body))
             .Str("body_text",
                  JoinedLines(message::LinesToUtf8(
                      message.Body, message::MimeParameter(message.ContentType, "charset"))))
             .Raw("parts", parts)
             .Text()
      << '\n';
  return allSaved;
}

}  // namespace

int RunNewsCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err, const TConnectionOptions& connection) {
  Options o;
  try {
    o = ParseArguments(args);
    ReadPassword(o, in);
  } catch (const EUsage& e) {
    err << "quillpost-cli: " << e.Message() << '\n' << NewsUsage;
    return 2;
  }
  if (!o.saveDir.empty()) {
    struct stat st {};
    if (::stat(o.saveDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      err << "quillpost-cli: --save: '" << o.saveDir << "' is not an existing folder\n";
      return 1;
    }
  }
  bool allSaved = true;
  nntp::TNNTP news;
  try {
    news.Host = o.host;
    news.Port = o.port;
    news.UseTLS = o.tls || o.port == nntp::kNNTPSPort;
    ApplyConnectionOptions(connection, news);
    // A server that stops answering ends the command instead of holding it forever.
    news.ReadTimeout = ReadTimeoutMs;
    if (o.login) {
      news.Username = o.user;
      news.Password = o.password;
    }
    // A user name logs in at once, as the window does for a row that authenticates: a server
    // may list some groups to logged-in readers only, without ever asking for the login.
    news.LoginOnConnect = !o.user.empty();
    news.Connect();
    if (news.GreetingResult() > 1)
      throw Exception("the server is not available: " + news.ReplyText());
    if (o.action == "groups")
      PrintGroups(news, out);
    else if (o.action == "overview")
      PrintOverview(news, o.group, out);
    else
      allSaved = PrintArticle(news, o, out, err);
    news.Disconnect();
  } catch (const nntp::ENNTPLoginRequired&) {
    err << "quillpost-cli: the server requires a login: give --user, and the password with "
           "--password - or in "
        << PasswordVariable << '\n';
    news.Disconnect();
    return 1;
  } catch (const std::exception& e) {
    err << "quillpost-cli: " << e.what() << '\n';
    try {
      news.Disconnect();
    } catch (const std::exception&) {
    }
    return 1;
  }
  out.flush();
  return allSaved ? 0 : 1;
}

}  // namespace qp::cli
