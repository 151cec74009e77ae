#include "feed/FeedFetch.h"

#include <cstdint>

#include "net/NetExceptions.h"

namespace qp::feed {

void PrepareFeedClient(http::THTTP& client) {
  client.ReadTimeout = 0;
  client.HandleRedirects = true;
  client.RedirectMaximum = 15;
  client.OnAuthorization = AnswerWithURLCredentials;
}

void AnswerWithURLCredentials(http::THTTP& Sender, std::string& VUserName, std::string& VPassword,
                              bool& Handled) {
  // The request record holds the URL's user name and password: FetchFeedDocument clears what an
  // earlier site left there. An authentication that already made a request has had them sent.
  const http::TURI& uri = Sender.RequestURI();
  const http::TAuthentication* authentication = Sender.Request.ActiveAuthentication();
  const bool alreadySent = authentication != nullptr && authentication->StepCount() > 0;
  Handled = !uri.Username.empty() && !alreadySent;
  if (!Handled) return;
  VUserName = uri.Username;
  VPassword = uri.Password;
}

void FetchFeedDocument(http::THTTP& client, const std::string& url, TStream& stream) {
  stream.SetSize(0);
  stream.SetPosition(0);
  client.Request.Username.clear();
  client.Request.Password.clear();
  client.Request.SetActiveAuthentication(nullptr);
  client.Get(url, stream);
  // Without a retry the client ends a 401 or 407 normally, with the server's error page in the
  // stream; that page is no feed, and the login failed.
  const int status = client.StatusCode();
  if (status == 401 || status == 407)
    throw net::EProtocolReplyError(static_cast<int16_t>(status), client.StatusText());
  client.Disconnect();
}

}  // namespace qp::feed
