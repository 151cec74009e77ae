#include "cli/FeedCommand.h"

#include <sys/stat.h>

#include <memory>

#include "base/Exception.h"
#include "base/Streams.h"
#include "cli/Json.h"
#include "feed/FeedReader.h"
#include "feed/NewsCollection.h"
#include "feed/XMLDocument.h"

namespace qp::cli {

const char* const FeedUsage = "usage: quillpost-cli feed --file PATH\n";

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
  throw EUsage("feed takes --file PATH");
}

// Fetches the document of a site with the reader's HTTP settings, as the feed update does for
// each active site, and returns the response body. Until the HTTP client is part of the build it
// only says so; its connection is to take the proxy of the connection options.
std::unique_ptr<TStream> FetchDocument(const std::string& url,
                                       const TConnectionOptions& connection) {
  (void)connection;
  throw Exception("cannot fetch '" + url + "': this build reads local files only (--file PATH)");
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
  return format == feed::TFeedFormat::ffXML ? "xml" : "text";
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
  try {
    const std::unique_ptr<TStream> document =
        source.IsFile ? OpenDocumentFile(source.Site) : FetchDocument(source.Site, connection);
    feed::TXMLDocument xmlDoc;
    TListedSiteNode siteNode;
    feed::TNewsCollection feedItems;
    const feed::TFeedFormat format = feed::ReadFeed(xmlDoc, *document, siteNode, feedItems);
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
