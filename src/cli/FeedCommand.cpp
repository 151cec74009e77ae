#include "cli/FeedCommand.h"

#include <sys/stat.h>

#include "base/Exception.h"
#include "base/Streams.h"
#include "cli/Json.h"
#include "feed/FeedReader.h"
#include "feed/NewsCollection.h"
#include "feed/StreamBytes.h"
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

// Fetches the document of a site into stream, as the feed update does for each active site.
void FetchDocument(const std::string& url, TMemoryStream& stream) {
  (void)stream;
  throw Exception("cannot fetch '" + url + "': this build reads local files only (--file PATH)");
}

// Reads the file up to its end, so a pipe (/dev/stdin, a process substitution) works too.
void ReadDocumentFile(const std::string& path, TMemoryStream& stream) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    throw Exception("cannot read \"" + path + "\": it is a folder");
  TFileStream file(path, TFileMode::fmOpenRead);
  const feed::TStreamBytes bytes(file);
  stream.WriteString(bytes.View());
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

int RunFeedCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TFeedSource source;
  try {
    source = ParseArguments(args);
  } catch (const EUsage& e) {
    err << "quillpost-cli: " << e.Message() << '\n' << FeedUsage;
    return 2;
  }
  try {
    TMemoryStream stream;
    if (source.IsFile)
      ReadDocumentFile(source.Site, stream);
    else
      FetchDocument(source.Site, stream);
    feed::TXMLDocument xmlDoc;
    TListedSiteNode siteNode;
    feed::TNewsCollection feedItems;
    const feed::TFeedFormat format = feed::ReadFeed(xmlDoc, stream, siteNode, feedItems);
    std::string buffer =
        TJsonObject().Str("site", source.Site).Str("format", FormatName(format)).Text() + '\n';
    for (int i = 0; i < feedItems.Count(); ++i) {
      const feed::TNewsItem& item = feedItems.Items(i);
      buffer += TJsonObject()
                    .Str("title", item.Title)
                    .Str("link", item.Link)
                    .Num("index", item.NodeIndex)
                    .Text();
      buffer += '\n';
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
