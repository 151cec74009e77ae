// The receiving half of THTTP: the response head within its limits, the body by length, by
// chunks or up to the close within the body limit, cookies, and the authorization retries.
#include "base/InternetText.h"
#include "base/SysUtils.h"
#include "http/HTTP.h"

namespace qp::http {

namespace {

std::string SizeText(int64_t bytes) {
  constexpr int64_t kKiB = 1024;
  constexpr int64_t kMiB = 1024 * kKiB;
  const auto whole = [bytes](int64_t unit) { return static_cast<long long>(bytes / unit); };
  if (bytes > 0 && bytes % kMiB == 0) return Format("%lld MiB", whole(kMiB));
  if (bytes > 0 && bytes % kKiB == 0) return Format("%lld KiB", whole(kKiB));
  return Format("%lld bytes", static_cast<long long>(bytes));
}

// The caller's stream as the body sees it: at most limit bytes from the position it had
// when the body began. A write that would pass the limit writes what fits and throws, so the
// bytes received stay in the stream; growing the stream past the limit (as a counted body
// does before it is read) throws before anything is read.
class TBodyStream : public TStream {
 public:
  TBodyStream(TStream& target, int64_t limit)
      : FTarget(target), FStart(target.Position()), FLimit(limit) {}

  int64_t Read(void* buffer, int64_t count) override { return FTarget.Read(buffer, count); }
  int64_t Write(const void* buffer, int64_t count) override {
    const int64_t room = FStart + FLimit - FTarget.Position();
    if (count > room) {
      if (room > 0) FTarget.WriteBuffer(buffer, room);
      Refuse();
    }
    return FTarget.Write(buffer, count);
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return FTarget.Seek(offset, origin); }
  int64_t Size() override { return FTarget.Size(); }
  void SetSize(int64_t size) override {
    if (size - FStart > FLimit) Refuse();
    FTarget.SetSize(size);
  }

 private:
  [[noreturn]] void Refuse() const {
    throw EHTTPLimitExceeded("Response body exceeds " + SizeText(FLimit));
  }

  TStream& FTarget;
  int64_t FStart;
  int64_t FLimit;
};

std::string Excerpt(const std::string& line) {
  return line.size() <= 40 ? line : line.substr(0, 40) + "...";
}

}  // namespace

std::string THTTP::ReadBoundedLine(std::size_t& budget, const char* what) {
  net::TBuffer& buffer = InputBuffer();
  std::size_t searchFrom = 0;
  for (;;) {
    const std::size_t lf = buffer.Find("\n", searchFrom);
    if (lf != std::string::npos) {
      if (lf + 1 > budget) break;
      budget -= lf + 1;
      return ReadLn();
    }
    if (buffer.Size() >= budget) break;
    searchFrom = buffer.Size();
    CheckPeerClosed(true, true);
    FillInputBuffer(true, -1, true);
  }
  throw EHTTPLimitExceeded(Format("%s exceeds %s", what, SizeText(kMaxHeaderBytes).c_str()));
}

void THTTP::ReadResponseHeaders(std::size_t& headBudget) {
  message::THeaderList& lines = FResponse.RawHeaders();
  lines.Clear();
  try {
    for (;;) {
      std::string line = ReadBoundedLine(headBudget, "Response header");
      if (line.empty()) break;
      if (lines.Count() >= kMaxHeaderLines) {
        throw EHTTPLimitExceeded(Format("Response header exceeds %d lines", kMaxHeaderLines));
      }
      lines.Add(std::move(line));
    }
  } catch (const EConnClosedGracefully&) {
    Disconnect();
  }
  FResponse.ParseRawHeaders();
  StoreCookies();
}

void THTTP::StoreCookies() {
  if (FCookieManager == nullptr && AllowCookies) {
    FOwnedCookieManager = std::make_unique<TCookieManager>();
    FCookieManager = FOwnedCookieManager.get();
  }
  if (FCookieManager == nullptr) return;
  Request.ContentType.clear();
  TStringList cookies;
  TStringList cookies2;
  FResponse.RawHeaders().CollectValues("Set-cookie", &cookies);
  FResponse.RawHeaders().CollectValues("Set-cookie2", &cookies2);
  for (const std::string& cookie : cookies)
    FCookieManager->StoreSetCookie(cookie, FRequestURI.Host);
  for (const std::string& cookie : cookies2) {
    FCookieManager->StoreSetCookie2(cookie, FRequestURI.Host);
  }
}

void THTTP::ReadResponseBody(TStream* stream) {
  if (stream == nullptr) {
    // The body stays unread on the connection, which therefore cannot carry another request.
    FCloseAfterResponse = true;
    return;
  }
  TBodyStream body(*stream, MaxResponseBodySize);
  // Transfer-coding names ignore letter case, and "chunked" overrides a Content-Length
  // (RFC 9112 section 6.3); a response that has both is not trusted with another request.
  if (Pos("CHUNKED", UpperCase(FResponse.RawHeaders().ValueOf("Transfer-Encoding"))) > 0) {
    if (FResponse.HasContentLength) FCloseAfterResponse = true;
    ReadChunkedBody(body);
  } else if (FResponse.ContentLength > 0) {
    // A declared length beyond the limit is refused before anything is read: the stream
    // grows only as bytes arrive, so the limit would otherwise be met only at its end.
    if (FResponse.ContentLength > MaxResponseBodySize)
      throw EHTTPLimitExceeded("Response body exceeds " + SizeText(MaxResponseBodySize));
    ReadIntoStream(body, FResponse.ContentLength, false);
  } else if (!FResponse.HasContentLength) {
    ReadIntoStream(body, -1, true);
  }
}

void THTTP::ReadChunkedBody(TStream& body) {
  ReportStatus(StatusFreeText, "Chunk Started");
  auto readChunkSize = [this] {
    std::size_t budget = kMaxHeaderBytes;
    return ParseChunkSize(ReadBoundedLine(budget, "Chunk size line"));
  };
  for (int64_t size = readChunkSize(); size > 0; size = readChunkSize()) {
    ReadIntoStream(body, size, false);
    std::size_t budget = kMaxHeaderBytes;
    ReadBoundedLine(budget, "Chunk data line end");
  }
  // The trailer section: header lines up to an empty line (RFC 9112 section 7.1.2), which
  // are not kept. A server that closes instead of ending it has still sent the whole body.
  std::size_t budget = kMaxHeaderBytes;
  try {
    for (int lines = 0; !ReadBoundedLine(budget, "Response trailer").empty(); ++lines) {
      if (lines >= kMaxHeaderLines) {
        throw EHTTPLimitExceeded(Format("Response trailer exceeds %d lines", kMaxHeaderLines));
      }
    }
  } catch (const EConnClosedGracefully&) {
  }
}

int64_t THTTP::ParseChunkSize(const std::string& line) {
  std::size_t end = line.find_first_of(" \t;");
  if (end == std::string::npos) end = line.size();
  if (end == 0) throw EHTTPProtocolError("Invalid chunk size line '" + Excerpt(line) + "'");
  int64_t size = 0;
  for (std::size_t i = 0; i < end; ++i) {
    const int digit = HexDigitValue(line[i]);
    if (digit < 0) throw EHTTPProtocolError("Invalid chunk size line '" + Excerpt(line) + "'");
    size = size * 16 + digit;
    if (size > kMaxChunkSize) {
      throw EHTTPLimitExceeded("Chunk size exceeds 31 bits: '" + Excerpt(line) + "'");
    }
  }
  return size;
}

bool THTTP::RetryAuthorization() {
  return RetryAuthorizationFor(false);
}

bool THTTP::RetryProxyAuthorization() {
  return RetryAuthorizationFor(true);
}

bool THTTP::RetryAuthorizationFor(bool proxy) {
  TProxyConnectionInfo& proxyParams = Request.ProxyParams;
  const message::THeaderList& challenges =
      proxy ? FResponse.ProxyAuthenticate : FResponse.WWWAuthenticate;
  const TAuthorizationEvent& onAuthorization = proxy ? OnProxyAuthorization : OnAuthorization;
  const int retriesMaximum = proxy ? ProxyAuthMaxRetries : AuthenticationRetriesMaximum;
  auto current = [&] {
    return proxy ? proxyParams.ProxyAuthentication() : Request.ActiveAuthentication();
  };

  if (current() == nullptr) {
    TAuthenticationClass authClass = nullptr;
    for (const std::string& challenge : challenges) {
      std::string scheme = challenge;
      authClass = FindAuthScheme(CutToken(scheme, " "));
      if (authClass != nullptr) break;
    }
    if (authClass == nullptr) return false;
    const TSelectAuthorizationEvent& onSelect =
        proxy ? OnSelectProxyAuthorization : OnSelectAuthorization;
    if (onSelect) onSelect(*this, authClass, challenges);
    if (authClass == nullptr) return false;
    if (proxy) {
      proxyParams.SetProxyAuthentication(authClass());
    } else {
      Request.SetActiveAuthentication(authClass());
      FAuthenticationOrigin = RequestOrigin();
    }
  }
  TAuthentication& authentication = *current();
  if (authentication.StepCount() >= retriesMaximum || !onAuthorization) return false;
  authentication.Username = proxy ? proxyParams.ProxyUsername : Request.Username;
  authentication.Password = proxy ? proxyParams.ProxyPassword : Request.Password;
  authentication.ChallengeLines = challenges;
  // A scheme asks the program once per round; the bound only guards against one that keeps
  // asking.
  for (int asked = 0; asked <= retriesMaximum; ++asked) {
    switch (authentication.NextStep()) {
      case TAuthStep::DoRequest:
        if (!proxy) Request.Connection = "Keep-Alive";
        return true;
      case TAuthStep::Fail:
        Request.Connection = "Close";
        return false;
      case TAuthStep::AskTheProgram: {
        std::string user = authentication.Username;
        std::string password = authentication.Password;
        bool handled = false;
        onAuthorization(*this, user, password, handled);
        if (!handled) return false;
        authentication.Username = user;
        authentication.Password = password;
        if (!proxy) {
          Request.Username = user;
          Request.Password = password;
        }
        break;
      }
    }
  }
  return false;
}

}  // namespace qp::http
