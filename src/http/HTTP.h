// The HTTP/1.1 client of the feed update (RFC 9110, RFC 9112): one request per call over
// the line-oriented TCP connection ("https" over TLS, RFC 9110 section 4.2.2), the response
// body written into a stream the caller owns, counted, chunked or up to the server's close.
// Redirects and authorization retries are decided here; a followed redirect to another
// origin carries none of the credentials; cookies are kept by a TCookieManager.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/Exception.h"
#include "base/Streams.h"
#include "base/StringList.h"
#include "http/Authentication.h"
#include "http/CookieManager.h"
#include "http/HTTPHeaderInfo.h"
#include "http/URI.h"
#include "net/TCPClient.h"

namespace qp::http {

// The protocol asks for an I/O layer the connection does not have (an "https" URL needs a
// TLS layer).
class EInterceptPropInvalid : public ENetException {
 public:
  explicit EInterceptPropInvalid(std::string message = "IOHandler value is not valid")
      : ENetException(std::move(message)) {}
};

// A response that breaks the framing rules of HTTP/1.1 (a chunk size that is no number).
class EHTTPProtocolError : public ENetException {
 public:
  using ENetException::ENetException;
};

// A response larger than the client accepts: its header block, one chunk or its body.
class EHTTPLimitExceeded : public ENetException {
 public:
  using ENetException::ENetException;
};

enum class THTTPProtocolVersion { pv1_0, pv1_1 };

enum class THTTPMethod { Head, Get, Post, Options, Trace, Put };

// The request word of a method ("GET").
const char* MethodName(THTTPMethod method);

class THTTP;

using THTTPRedirectEvent = std::function<void(THTTP& Sender, std::string& dest, int& NumRedirect,
                                              bool& Handled, THTTPMethod& VMethod)>;
using TSelectAuthorizationEvent =
    std::function<void(THTTP& Sender, TAuthenticationClass& AuthenticationClass,
                       const message::THeaderList& AuthInfo)>;
using TAuthorizationEvent = std::function<void(THTTP& Sender, std::string& VUserName,
                                               std::string& VPassword, bool& Handled)>;

// The body of a POST or PUT: a string list (sent line by line) or a stream (sent whole).
struct TRequestSource {
  const TStringList* Lines = nullptr;
  TStream* Stream = nullptr;
};

// The client. The main window owns one (netHTTP) for the whole run; the command-line
// companion makes one per fetch. Every call blocks the calling (UI) thread; the anti-freeze
// keeps the window alive meanwhile. One request at a time.
//
// The connection outlives a request: it is kept for the next request to the same host and
// port unless the response said "close", the server closed it, or the response could not
// be read to its end; a request to another host or port disconnects first.
class THTTP : public net::TTCPClient {
 public:
  THTTP();
  ~THTTP() override;

  bool AllowCookies = true;
  bool HandleRedirects = false;
  THTTPProtocolVersion ProtocolVersion = THTTPProtocolVersion::pv1_1;
  int RedirectMaximum = 15;
  int AuthenticationRetriesMaximum = 3;
  int ProxyAuthMaxRetries = 3;
  // The largest response body read into a stream; a larger one fails with
  // EHTTPLimitExceeded. Feed documents are far smaller; the limit keeps a server that sends
  // without end from filling memory.
  int64_t MaxResponseBodySize = kDefaultMaxResponseBodySize;
  // What every request carries (Accept, User-Agent, credentials, proxy settings).
  TRequestHeaderInfo Request;

  THTTPRedirectEvent OnRedirect;
  TSelectAuthorizationEvent OnSelectAuthorization;
  TSelectAuthorizationEvent OnSelectProxyAuthorization;
  TAuthorizationEvent OnAuthorization;
  TAuthorizationEvent OnProxyAuthorization;

  static constexpr int64_t kDefaultMaxResponseBodySize = int64_t{64} * 1024 * 1024;
  // Limits of a response head: header lines per head, and bytes of the status lines and
  // header lines together (line ends included, interim 1xx responses counted in).
  static constexpr int kMaxHeaderLines = 100;
  static constexpr std::size_t kMaxHeaderBytes = 64 * 1024;
  // The largest chunk size: a chunk must fit a signed 32-bit count.
  static constexpr int64_t kMaxChunkSize = 0x7FFFFFFF;

  // The cookie store: nullptr until the first response (with AllowCookies) or until the
  // program assigns one. Assigning one from outside frees a store the client had made
  // itself; the assigned store may be destroyed first, which clears the reference.
  TCookieManager* CookieManager() const { return FCookieManager; }
  void SetCookieManager(TCookieManager* manager);
  bool OwnsCookieManager() const { return FOwnedCookieManager != nullptr; }

  // The last response: its status line, code, text after the version ("404 Not Found"),
  // version ("1.1") and header fields.
  const std::string& StatusLine() const { return FStatusLine; }
  int StatusCode() const { return FStatusCode; }
  const std::string& StatusText() const { return FStatusText; }
  const std::string& ResponseVersion() const { return FResponseVersion; }
  TResponseHeaderInfo& Response() { return FResponse; }
  // The record of the current request: host, port, path and document, user name.
  const TURI& RequestURI() const { return FRequestURI; }
  bool CloseAfterResponse() const { return FCloseAfterResponse; }
  // 1 during a request, n during the nth request of a chain of redirects or retries; 0
  // between requests.
  int RedirectCount() const { return FRedirectCount; }

  // GETs url and writes the body of the final response into stream at its position.
  // Without a retry handler a 401 or 407 ends normally with the error page in the stream.
  // Throws EProtocolReplyError (code and status text) for a redirect that is not followed
  // (with HandleRedirects, one past RedirectMaximum) and for any other status outside 2xx;
  // EConvertError for a status line without a code; EInterceptPropInvalid for an "https" URL
  // over an I/O layer set by the program that is not TLS; the TLS layer's ETLSError and
  // ETLSCertificateError; EHTTPLimitExceeded and EHTTPProtocolError
  // for a response beyond the limits or the framing rules; and the connection's exceptions
  // (ESocketError, EConnClosedGracefully, EReadTimeout, ...). Bytes already written stay in
  // the stream.
  void Get(const std::string& url, TStream& stream);
  // The general request. source is the body of a POST or PUT (EObjectTypeNotSupported
  // without one); responseStream may be null, in which case no body is read and the
  // connection is closed after the response. Throws as Get, and ENetException for OPTIONS,
  // TRACE or PUT over HTTP 1.0.
  void PerformRequest(THTTPMethod method, const std::string& url, const TRequestSource& source,
                      TStream* responseStream);

  // Replaces "+" by a blank and "%" with two hex digits by that byte; a "%" with two
  // characters that are not hex digits, or that give 0, is dropped with them.
  static std::string DecodeUrlText(const std::string& text);
  // Removes "./" segments and each "../" with the segment before it; a "../" without a
  // segment before it is dropped. "/feeds/./news/../rss/" gives "/feeds/rss/".
  static std::string RemoveDotSegments(std::string path);
  // The size on a chunk-size line (RFC 9112 section 7.1): hex digits, ended by the line, a
  // blank or a ";" before chunk extensions. Throws EHTTPProtocolError when there are no hex
  // digits, EHTTPLimitExceeded when the size does not fit in 31 bits.
  static int64_t ParseChunkSize(const std::string& line);

 protected:
  void Notification(TBaseComponent* component) override;

  // Makes the connection speak TLS for "https" (letter case ignored) and plain TCP for any
  // other protocol, disconnecting a connection of the other kind; an empty protocol keeps
  // the kind. An I/O layer set by the program stays, and raises EInterceptPropInvalid for
  // "https" unless it is a TLS layer. Nothing is sent before this check.
  virtual void SelectIOHandler(const std::string& protocol);
  // The port of a URL that names none: 443 for "https", 80 otherwise.
  virtual int DefaultPort(const std::string& protocol) const;

  // Points the connection at the server (or proxy) of the request and fills RequestURI's
  // host, protocol and port; disconnects first from another server. Returns whether the
  // request line needs the absolute URL (a request through a proxy).
  bool SelectHostAndPort(const std::string& protocol, const std::string& host, int port);
  // A path relative to the previous request's directory made absolute, dot segments
  // removed; also stored as RequestURI's path.
  std::string ResolveRequestPath(const std::string& path);
  // The header lines of a response up to the empty line, parsed into Response; cookies go
  // to the cookie manager (made here on the first response when AllowCookies is set).
  void ReadResponseHeaders(std::size_t& headBudget);
  // Reads the body as the response frames it into stream (nothing without a stream).
  void ReadResponseBody(TStream* stream);
  // Whether to follow a redirect to dest; OnRedirect may change dest and method.
  bool ConfirmRedirect(std::string& dest, THTTPMethod& method, int count);
  // After a 401 or 407: whether to send the request again (with new credentials).
  bool RetryAuthorization();
  bool RetryProxyAuthorization();

 private:
  std::string PrepareRequest(THTTPMethod method, const std::string& url);
  void SendRequest(THTTPMethod method, const std::string& target, const TRequestSource& source);
  void ReadResponseHead();
  // SendRequest and ReadResponseHead; a kept connection (reused) that the server closed as
  // the request went out is replaced once, for a request without a body.
  void ExchangeRequest(THTTPMethod method, const std::string& target, const TRequestSource& source,
                       bool reused);
  void DecideKeepAlive();
  void HandleResponse(THTTPMethod method, const std::string& url, const TRequestSource& source,
                      TStream* stream, int64_t startPosition);
  void FinishRequest();
  void ReadChunkedBody(TStream& body);
  // One line of at most budget bytes (line end included), which it uses up.
  std::string ReadBoundedLine(std::size_t& budget, const char* what);
  void StoreCookies();
  bool RetryAuthorizationFor(bool proxy);
  // host:port of the request, the place an authentication object belongs to.
  std::string RequestOrigin() const;
  // The current request's URL in absolute form, the base of a relative Location.
  std::string CurrentURL() const;

  TResponseHeaderInfo FResponse;
  TURI FRequestURI;
  // The URL the current request was given.
  std::string FRequestURL;
  std::string FStatusLine;
  std::string FStatusText;
  std::string FResponseVersion;
  int FStatusCode = 0;
  bool FCloseAfterResponse = false;
  // The response was read to its end, so the connection can carry another request.
  bool FResponseComplete = false;
  int FRedirectCount = 0;
  TCookieManager* FCookieManager = nullptr;
  std::unique_ptr<TCookieManager> FOwnedCookieManager;
  // Where the request record's authentication object was made.
  std::string FAuthenticationOrigin;
};

}  // namespace qp::http
