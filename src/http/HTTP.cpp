#include "http/HTTP.h"

#include "base/InternetText.h"
#include "base/SysUtils.h"
#include "net/IOHandlerTLS.h"
#include "net/NetExceptions.h"

namespace qp::http {

namespace {

constexpr int kRedirectDrainTimeout = 2000;

bool IsTLSHandler(const net::TIOHandler* handler) {
  return dynamic_cast<const net::TIOHandlerTLS*>(handler) != nullptr;
}

// "protocol://host:port" of a URL, letter case ignored; the port a URL leaves out is the
// protocol's default.
std::string OriginOf(std::string protocol, const std::string& host, std::string port) {
  if (protocol.empty()) protocol = "http";
  protocol = LowerCase(protocol);
  if (port.empty()) port = protocol == "https" ? "443" : "80";
  return protocol + "://" + LowerCase(host) + ":" + port;
}

// Keeps the request's credentials out of a redirect to another origin: the user name and
// password (from a URL or from OnAuthorization), the Basic switch and the authentication
// object are put aside for the redirected requests; all but the object come back when they
// end.
class TCredentialsAside {
 public:
  TCredentialsAside(TRequestHeaderInfo& request, bool active) : FRequest(request), FActive(active) {
    if (!FActive) return;
    FUsername = std::move(request.Username);
    FPassword = std::move(request.Password);
    request.Username.clear();
    request.Password.clear();
    FBasicAuthentication = request.BasicAuthentication;
    request.BasicAuthentication = false;
    request.SetActiveAuthentication(nullptr);
  }
  ~TCredentialsAside() {
    if (!FActive) return;
    FRequest.Username = std::move(FUsername);
    FRequest.Password = std::move(FPassword);
    FRequest.BasicAuthentication = FBasicAuthentication;
  }
  TCredentialsAside(const TCredentialsAside&) = delete;
  TCredentialsAside& operator=(const TCredentialsAside&) = delete;

 private:
  TRequestHeaderInfo& FRequest;
  bool FActive;
  bool FBasicAuthentication = false;
  std::string FUsername;
  std::string FPassword;
};

}  // namespace

const char* MethodName(THTTPMethod method) {
  switch (method) {
    case THTTPMethod::Head:
      return "HEAD";
    case THTTPMethod::Get:
      return "GET";
    case THTTPMethod::Post:
      return "POST";
    case THTTPMethod::Options:
      return "OPTIONS";
    case THTTPMethod::Trace:
      return "TRACE";
    case THTTPMethod::Put:
      return "PUT";
  }
  return "GET";
}

THTTP::THTTP() {
  Port = 80;
}

THTTP::~THTTP() {
  if (FCookieManager != nullptr && !FOwnedCookieManager) {
    FCookieManager->RemoveFreeNotification(this);
    RemoveFreeNotification(FCookieManager);
  }
}

void THTTP::SetCookieManager(TCookieManager* manager) {
  if (manager == FCookieManager) return;
  if (FCookieManager != nullptr && !FOwnedCookieManager) {
    FCookieManager->RemoveFreeNotification(this);
    RemoveFreeNotification(FCookieManager);
  }
  FOwnedCookieManager.reset();
  FCookieManager = manager;
  if (manager != nullptr) FreeNotification(manager);
}

void THTTP::Notification(TBaseComponent* component) {
  net::TTCPClient::Notification(component);
  if (component == FCookieManager && !FOwnedCookieManager) FCookieManager = nullptr;
}

void THTTP::Get(const std::string& url, TStream& stream) {
  PerformRequest(THTTPMethod::Get, url, TRequestSource{}, &stream);
}

void THTTP::PerformRequest(THTTPMethod method, const std::string& url, const TRequestSource& source,
                           TStream* responseStream) {
  ++FRedirectCount;
  FRequestURL = url;
  const int64_t startPosition = responseStream != nullptr ? responseStream->Position() : 0;
  FResponseComplete = false;
  FCloseAfterResponse = false;
  bool onTheWire = false;
  try {
    const std::string target = PrepareRequest(method, url);
    onTheWire = true;
    // A kept connection is silent between requests: anything readable on it is the server's
    // close (of an idle connection) or bytes that belong to no request, so it is replaced.
    if (Connected() && (!InputBuffer().Empty() || IOHandler()->WaitReadable(0))) Disconnect();
    const bool reused = Connected();
    if (!reused) Connect();
    ExchangeRequest(method, target, source, reused);
    HandleResponse(method, url, source, responseStream, startPosition);
  } catch (...) {
    // A response not read to its end leaves the connection at an unknown place in the
    // stream: it cannot carry the next request.
    if (onTheWire && !FResponseComplete) FCloseAfterResponse = true;
    FinishRequest();
    throw;
  }
  FinishRequest();
}

std::string THTTP::RequestOrigin() const {
  return LowerCase(FRequestURI.Host) + ":" + FRequestURI.Port;
}

std::string THTTP::PrepareRequest(THTTPMethod method, const std::string& url) {
  const TURIParts parts = TURI::SplitURI(url);
  if (!parts.Username.empty()) {
    Request.Username = parts.Username;
    Request.Password = parts.Password;
  }
  FRequestURI.Username = Request.Username;
  FRequestURI.Password = Request.Password;
  FRequestURI.Path = ResolveRequestPath(parts.Path);
  FRequestURI.Document = parts.Document;
  std::string target = FRequestURI.Path + FRequestURI.Document;
  if (method == THTTPMethod::Options && parts.Document == "*") target = "*";

  const std::string host = parts.Host.empty() && !Host.empty() ? Host : parts.Host;
  std::string portText = parts.Port;
  int64_t port = 0;
  if (!TryStrToInt64(portText, port) && parts.Protocol.empty()) portText = IntToStr(Port);
  if (!TryStrToInt64(portText, port)) {
    port = -1;
  } else if (port < 1 || port > 65535) {
    // A socket would quietly cut it to 16 bits and reach some other port.
    throw ENetException("Invalid port number '" + portText + "'");
  }

  if (SelectHostAndPort(parts.Protocol, host, static_cast<int>(port))) {
    target = (parts.Protocol.empty() ? FRequestURI.Protocol : parts.Protocol) + "://" +
             (parts.Host.empty() ? FRequestURI.Host : parts.Host) + target;
  }
  if ((method == THTTPMethod::Options || method == THTTPMethod::Trace ||
       method == THTTPMethod::Put) &&
      ProtocolVersion != THTTPProtocolVersion::pv1_1) {
    throw ENetException("This request method is supported in HTTP 1.1");
  }
  // Credentials answer the server that asked for them; they do not travel to another one.
  if (Request.ActiveAuthentication() != nullptr && FAuthenticationOrigin != RequestOrigin()) {
    Request.SetActiveAuthentication(nullptr);
  }
  return target;
}

void THTTP::SelectIOHandler(const std::string& protocol) {
  // A URL without a protocol goes over the connection of the previous request.
  if (protocol.empty()) return;
  const bool tls = SameText(protocol, "HTTPS");
  if (IOHandler() != nullptr && !OwnsIOHandler()) {
    // An I/O layer the program set stays; "https" needs it to be a TLS layer.
    if (tls && !IsTLSHandler(IOHandler())) throw EInterceptPropInvalid();
    return;
  }
  // The connection made for the other protocol cannot carry this request.
  if (UseTLS != tls && Connected()) Disconnect();
  UseTLS = tls;
}

int THTTP::DefaultPort(const std::string& protocol) const {
  return SameText(protocol, "HTTPS") ? 443 : 80;
}

std::string THTTP::CurrentURL() const {
  if (FRequestURL.find("://") != std::string::npos) return FRequestURL;
  // A URL without "://" is all path on the previous request's server.
  const std::string protocol = FRequestURI.Protocol.empty() ? "http" : FRequestURI.Protocol;
  const bool defaultPort = FRequestURI.Port == IntToStr(DefaultPort(protocol));
  return protocol + "://" + FRequestURI.Host + (defaultPort ? "" : ":" + FRequestURI.Port) +
         (!FRequestURL.empty() && FRequestURL[0] == '/' ? "" : "/") + FRequestURL;
}

bool THTTP::SelectHostAndPort(const std::string& protocol, const std::string& host, int port) {
  const TProxyConnectionInfo& proxy = Request.ProxyParams;
  auto leaveOtherServer = [this](const std::string& newHost, int newPort) {
    if (!(SameText(Host, newHost) && Port == newPort) && Connected()) Disconnect();
  };
  SelectIOHandler(protocol);
  if (proxy.ProxyServer.empty()) {
    const int effectivePort = port == -1 ? DefaultPort(protocol) : port;
    if (!host.empty()) {
      leaveOtherServer(host, effectivePort);
      Host = host;
      FRequestURI.Host = host;
      if (!protocol.empty()) FRequestURI.Protocol = protocol;
    } else {
      FRequestURI.Host = Host;
    }
    Port = effectivePort;
    FRequestURI.Port = IntToStr(Port);
    return false;
  }
  leaveOtherServer(proxy.ProxyServer, proxy.ProxyPort);
  Host = proxy.ProxyServer;
  Port = proxy.ProxyPort;
  if (!host.empty()) FRequestURI.Host = host;
  if (!protocol.empty()) FRequestURI.Protocol = protocol;
  if (port != -1) FRequestURI.Port = IntToStr(port);
  if (SameText(protocol, "HTTPS")) return false;
  FRequestURI.Port = "80";
  return true;
}

std::string THTTP::RemoveDotSegments(std::string path) {
  // Every pass deletes at least two characters, so the loop ends.
  for (;;) {
    std::size_t at = path.find("./");
    while (at != std::string::npos && at > 0 && path[at - 1] != '.') {
      path.erase(at, 2);
      at = path.find("./");
    }
    if (at == std::string::npos) break;
    if (at == 0) {
      path.erase(0, 2);
      continue;
    }
    // path[at - 1 .. at + 1] is "../": remove it with the segment before it, from the "/"
    // that begins that segment up to the dots; the "/" after the dots stays.
    const std::size_t dots = at - 1;
    const std::size_t slash = dots >= 2 ? path.rfind('/', dots - 2) : std::string::npos;
    if (slash != std::string::npos) {
      path.erase(slash, at + 1 - slash);
    } else {
      // Nothing to go up to: the "../" (and the "/" before it) is dropped.
      const std::size_t from = dots > 0 && path[dots - 1] == '/' ? dots - 1 : dots;
      path.erase(from, at + 1 - from);
    }
  }
  return path;
}

std::string THTTP::ResolveRequestPath(const std::string& path) {
  std::string resolved = path;
  if (resolved.empty()) {
    resolved = FRequestURI.Path;
  } else if (resolved[0] != '/') {
    resolved = FRequestURI.Path + resolved;
  }
  FRequestURI.Path = RemoveDotSegments(resolved);
  return FRequestURI.Path;
}

void THTTP::SendRequest(THTTPMethod method, const std::string& target,
                        const TRequestSource& source) {
  const bool hasBody = method == THTTPMethod::Post || method == THTTPMethod::Put;
  if (!hasBody) {
    Request.ContentLength = 0;
  } else if (source.Lines != nullptr) {
    Request.ContentLength = static_cast<int64_t>(source.Lines->Text().size());
  } else if (source.Stream != nullptr) {
    Request.ContentLength = source.Stream->Size();
  } else {
    throw net::EObjectTypeNotSupported();
  }
  Request.Host = FRequestURI.Host;
  Request.BuildRawHeaders();
  if (Request.ActiveAuthentication() != nullptr) FAuthenticationOrigin = RequestOrigin();
  if (FCookieManager != nullptr) {
    // Secure cookies go only over TLS.
    const std::string cookies =
        FCookieManager->CookieHeaderFor(FRequestURI, IsTLSHandler(IOHandler()));
    if (!cookies.empty()) Request.RawHeaders().AssignField("Cookie", cookies);
  }

  BeginWriteBuffer();
  WriteLn(std::string(MethodName(method)) + " " + target + " HTTP/" +
          (ProtocolVersion == THTTPProtocolVersion::pv1_0 ? "1.0" : "1.1"));
  for (const std::string& line : Request.RawHeaders()) {
    if (!line.empty()) WriteLn(line);
  }
  WriteLn();
  FlushWriteBuffer();
  if (hasBody) {
    if (source.Lines != nullptr) {
      WriteLines(*source.Lines);
    } else {
      WriteFromStream(*source.Stream);
    }
  }
}

namespace {

// The failures of a connection that the server closed before it read the request: its end, a
// reset, or a send to a socket already shut.
bool ClosedUnderTheRequest(const std::exception& failure) {
  if (dynamic_cast<const EConnClosedGracefully*>(&failure) != nullptr) return true;
  const auto* socketError = dynamic_cast<const net::ESocketError*>(&failure);
  if (socketError == nullptr) return false;
  const int code = socketError->SocketErrorCode();
  return code == 10053 || code == 10054 || code == 10058;
}

}  // namespace

void THTTP::ExchangeRequest(THTTPMethod method, const std::string& target,
                            const TRequestSource& source, bool reused) {
  FStatusLine.clear();
  try {
    SendRequest(method, target, source);
    ReadResponseHead();
    return;
  } catch (const std::exception& e) {
    // A server may close an idle kept connection just as a request goes out on it (its
    // keep-alive time-out). When not one byte of a response came, the request was never
    // answered, and one without a body is sent again on a new connection (RFC 9112 section
    // 9.3.1); a request with a body might have been acted on, so its failure stands.
    const bool hasBody = method == THTTPMethod::Post || method == THTTPMethod::Put;
    const bool unanswered = FStatusLine.empty() && InputBuffer().Empty();
    if (!reused || hasBody || !unanswered || !ClosedUnderTheRequest(e)) throw;
  }
  Disconnect();
  Connect();
  SendRequest(method, target, source);
  ReadResponseHead();
}

void THTTP::ReadResponseHead() {
  std::size_t budget = kMaxHeaderBytes;
  do {
    FStatusLine = ReadBoundedLine(budget, "Response header");
    FStatusText = FStatusLine;
    FResponseVersion = FStatusLine.size() > 5 ? FStatusLine.substr(5, 3) : std::string();
    ReadResponseHeaders(budget);
    DecideKeepAlive();
    CutToken(FStatusText, " ");
    std::string codeText = FStatusText;
    FStatusCode = StrToInt(CutToken(codeText, " "));
    // Interim responses (RFC 9110 section 15.2) precede the final one; 101 would switch
    // protocols, which this client never asks for.
  } while (FStatusCode >= 100 && FStatusCode < 200 && FStatusCode != 101);
}

void THTTP::DecideKeepAlive() {
  const std::string connection = Trim(FResponse.Connection);
  const std::string proxyConnection = Trim(FResponse.ProxyConnection);
  if (SameText(connection, "close") || SameText(proxyConnection, "close")) {
    FCloseAfterResponse = Connected();
    return;
  }
  const bool keepAlive =
      SameText(connection, "keep-alive") || SameText(proxyConnection, "keep-alive");
  if (ProtocolVersion == THTTPProtocolVersion::pv1_1) {
    FCloseAfterResponse = !(keepAlive || FResponseVersion == "1.1");
  } else {
    // An HTTP 1.0 exchange stays open only when the server says it keeps it.
    FCloseAfterResponse = !keepAlive;
  }
}

void THTTP::HandleResponse(THTTPMethod method, const std::string& url, const TRequestSource& source,
                           TStream* stream, int64_t startPosition) {
  const int statusClass = FStatusCode / 100;
  if ((statusClass == 3 && FStatusCode != 304) || !FResponse.Location.empty()) {
    if (Connected()) {
      const int savedTimeout = ReadTimeout;
      ReadTimeout = kRedirectDrainTimeout;
      try {
        ReadResponseBody(stream);
        FResponseComplete = true;
      } catch (const Exception&) {
        // The redirect's own page does not matter; a connection left inside it is closed.
        FCloseAfterResponse = true;
      }
      ReadTimeout = savedTimeout;
    }
    FResponseComplete = true;
    // A relative Location ("/x", "x", "?page=2") is taken against the URL of this request
    // (RFC 3986 section 5.2).
    std::string dest = TURI::ResolveReference(CurrentURL(), DecodeUrlText(FResponse.Location));
    THTTPMethod nextMethod = method;
    if (HandleRedirects && FRedirectCount >= RedirectMaximum) {
      // A chain that does not end fails, rather than passing the redirect's own page off as
      // the document.
      throw net::EProtocolReplyError(
          static_cast<int16_t>(FStatusCode),
          Format("%s: stopped after %d redirects", FStatusText.c_str(), FRedirectCount - 1));
    }
    if (HandleRedirects) {
      if (stream != nullptr) stream->SetPosition(startPosition);
      if (ConfirmRedirect(dest, nextMethod, FRedirectCount)) {
        if (FCloseAfterResponse) Disconnect();
        const TURIParts next = TURI::SplitURI(dest);
        const bool sameOrigin =
            next.Host.empty() ||
            OriginOf(next.Protocol, next.Host, next.Port) ==
                OriginOf(FRequestURI.Protocol, FRequestURI.Host, FRequestURI.Port);
        const TCredentialsAside aside(Request, !sameOrigin);
        PerformRequest(nextMethod, dest, source, stream);
      }
      return;
    }
    if (!ConfirmRedirect(dest, nextMethod, FRedirectCount)) {
      throw net::EProtocolReplyError(static_cast<int16_t>(FStatusCode), FStatusText);
    }
    FResponse.Location = dest;
    return;
  }

  if (FStatusCode != 204 && Connected()) ReadResponseBody(stream);
  FResponseComplete = true;
  // A server that said "close", or has closed, is believed.
  if (!Connected()) FCloseAfterResponse = true;
  if (statusClass == 2) return;
  if (FCloseAfterResponse) Disconnect();
  if (FStatusCode == 401 || FStatusCode == 407) {
    const bool retry = FStatusCode == 401 ? RetryAuthorization() : RetryProxyAuthorization();
    if (retry) {
      if (stream != nullptr) stream->SetPosition(startPosition);
      PerformRequest(method, url, source, stream);
    }
    return;
  }
  throw net::EProtocolReplyError(static_cast<int16_t>(FStatusCode), FStatusText);
}

void THTTP::FinishRequest() {
  if (FCloseAfterResponse) Disconnect();
  if (!Connected() && Request.ActiveAuthentication() != nullptr) {
    Request.SetActiveAuthentication(nullptr);
  }
  FRedirectCount = 0;
}

bool THTTP::ConfirmRedirect(std::string& dest, THTTPMethod& method, int count) {
  bool handled = HandleRedirects;
  if (OnRedirect) {
    int numRedirect = count;
    OnRedirect(*this, dest, numRedirect, handled, method);
  }
  return handled;
}

std::string THTTP::DecodeUrlText(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%' && i + 2 < text.size()) {
      const int high = HexDigitValue(text[i + 1]);
      const int low = HexDigitValue(text[i + 2]);
      if (high >= 0 && low >= 0 && high * 16 + low != 0) {
        result += static_cast<char>(high * 16 + low);
      }
      i += 2;
    } else {
      result += c == '+' ? ' ' : c;
    }
  }
  return result;
}

}  // namespace qp::http
