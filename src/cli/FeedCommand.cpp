#include "cli/FeedCommand.h"

#include <sys/stat.h>

#include <memory>

#include "base/Exception.h"
#include "base/Streams.h"
#include "cli/Json.h"
#include "feed/FeedFetch.h"
#include "feed/FeedReader.h"
#include "feed/NewsCollection.h"
#include "feed/XMLDocument.h"
#include "http/HTTP.h"
#include "net/ErrorLine.h"

namespace qp::cli {

const char* const FeedUsage =
    "usage: quillpost-cli feed --file PATH\n"
    "       quillpost-cli feed URL\n";

namespace {

class EUsage : public Exception {
 public:
  using Exception::Exception;
};

// Where the document comes from: a local file, or the URL of a site.
struct TFeedSource {
  std::string Site;
  bool IsFile = false;
};

TFeedSource ParseArguments(const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0] == "--file") return {args[1], true};
  if (args.size() == 1 && !args[0].empty() && args[0][0] != '-') return {args[0], false};
  if (!args.empty() && args[0] == "--file") throw EUsage("--file needs exactly one PATH");
  if (!args.empty() && args[0].size() > 1 && args[0][0] == '-')
    throw EUsage("unknown option " + args[0]);
  throw EUsage("feed takes one URL or --file PATH");
}

// The document of a site, fetched with the reader's HTTP settings as the feed update fetches
// it, over the connection the options give; each move is written to err as the window logs it.
// Throws what the fetch throws.
std::unique_ptr<TStream> FetchDocument(const std::string& url, const TConnectionOptions& connection,
                                       std::ostream& err) {
  http::THTTP client;
  feed::PrepareFeedClient(client);
  ApplyConnectionOptions(connection, client);
  client.OnRedirect = [&err](http::THTTP&, std::string& dest, int&, bool&, http::THTTPMethod&) {
    err << "Moved to " << dest << '\n';
  };
  auto body = std::make_unique<TMemoryStream>();
  feed::FetchFeedDocument(client, url, *body);
  return body;
}

// The lines the log of the window shows for a failed fetch (a line break in the message starts
// a further line there), each ended by LF.
std::string LogLines(const std::exception& failure) {
  const std::string text = net::ReportErrorText(failure.what());
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i] == '\r' ? '\n' : text[i];
  }
  return lines + '\n';
}

// The file, read up to its end by the reader, so a pipe (/dev/stdin, a process substitution)
// works too.
std::unique_ptr<TStream> OpenDocumentFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    throw Exception("cannot read \"" + path + "\": it is a folder");
  return std::make_unique<TFileStream>(path, TFileMode::fmOpenRead);
}

// The site node of a tree that holds nothing else: an item's absolute index is its position
// under the site node.
class TListedSiteNode : public feed::IFeedSiteNode {
 public:
  int32_t AddItemNode(const std::string&) override { return FCount++; }

 private:
  int32_t FCount = 0;
};

const char* FormatName(feed::TFeedFormat format) {
  switch (format) {
    case feed::TFeedFormat::ffXML:
      return "xml";
    case feed::TFeedFormat::ffAtom:
      return "atom";
    case feed::TFeedFormat::ffText:
      break;
  }
  return "text";
}

}  // namespace

int RunFeedCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const TConnectionOptions& connection) {
  TFeedSource source;
  try {
    source = ParseArguments(args);
  } catch (const EUsage& e) {
    err << "quillpost-cli: " << e.Message() << '\n' << FeedUsage;
    return 2;
  }
  std::unique_ptr<TStream> document;
  if (!source.IsFile) {
    try {
      document = FetchDocument(source.Site, connection, err);
    } catch (const std::exception& e) {
      err << LogLines(e);
      return 1;
    }
  }
  try {
    if (source.IsFile) document = OpenDocumentFile(source.Site);
    feed::TXMLDocument xmlDoc;
    TListedSiteNode siteNode;
    feed::TNewsCollection feedItems;
    const feed::TFeedFormat format = feed::ReadFeed(
        xmlDoc, *document, source.IsFile ? std::string() : source.Site, siteNode, feedItems);
    // One output buffer, written in large pieces: a feed may hold many thousands of items.
    std::string buffer =
        TJsonObject().Str("site", source.Site).Str("format", FormatName(format)).Text() + '\n';
    for (int i = 0; i < feedItems.Count(); ++i) {
      const feed::TNewsItem& item = feedItems.Items(i);
      buffer += "{\"title\":";
      AppendJsonString(buffer, item.Title);
      buffer += ",\"link\":";
      AppendJsonString(buffer, item.Link);
      buffer += ",\"index\":";
      buffer += std::to_string(item.NodeIndex);
      buffer += "}\n";
      if (buffer.size() >= 1 << 16) {
        out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        buffer.clear();
      }
    }
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  } catch (const std::exception& e) {
    err << "quillpost-cli: " << e.what() << '\n';
    return 1;
  }
  out.flush();
  return 0;
}

}  // namespace qp::cli
