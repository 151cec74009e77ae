#include "cli/FetchCommand.h"

#include "base/Exception.h"
#include "base/Streams.h"
#include "feed/FeedFetch.h"
#include "http/HTTP.h"

namespace qp::cli {

const char* const FetchUsage = "usage: quillpost-cli fetch URL [--headers]\n";

namespace {

void WriteResponseHead(http::THTTP& client, std::ostream& err) {
  if (client.StatusLine().empty()) return;
  err << client.StatusLine() << '\n';
  for (const std::string& line : client.Response().RawHeaders()) err << line << '\n';
}

}  // namespace

int RunFetchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const TConnectionOptions& connection) {
  std::string url;
  bool headers = false;
  for (const std::string& arg : args) {
    if (arg == "--headers") {
      headers = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      err << "quillpost-cli: unknown option " << arg << '\n' << FetchUsage;
      return 2;
    } else if (url.empty() && !arg.empty()) {
      url = arg;
    } else {
      err << "quillpost-cli: fetch takes one URL\n" << FetchUsage;
      return 2;
    }
  }
  if (url.empty()) {
    err << "quillpost-cli: missing URL\n" << FetchUsage;
    return 2;
  }
  // The reader's feed client: reads wait without a time limit, as in the window, a login
  // request is answered with the credentials written in the URL, and a document that moved is
  // fetched from its new place.
  http::THTTP client;
  feed::PrepareFeedClient(client);
  ApplyConnectionOptions(connection, client);
  client.OnRedirect = [&err](http::THTTP&, std::string& dest, int&, bool&, http::THTTPMethod&) {
    err << "quillpost-cli: Moved to " << dest << '\n';
  };
  TMemoryStream body;
  try {
    client.Get(url, body);
    client.Disconnect();
  } catch (const std::exception& e) {
    if (headers) WriteResponseHead(client, err);
    err << "quillpost-cli: " << e.what() << '\n';
    return 1;
  }
  if (headers) WriteResponseHead(client, err);
  const std::string& bytes = body.DataString();
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  return out ? 0 : 1;
}

}  // namespace qp::cli
