#include "http/HTTPHeaderInfo.h"

#include <limits>

#include "base/InternetText.h"
#include "base/SysUtils.h"

namespace qp::http {

namespace {

// The value of a "Content-Length" text: decimal digits with an optional sign, saturated at
// the largest 64-bit value; 0 for anything else.
int64_t ContentLengthValue(const std::string& text) {
  const std::string trimmed = Trim(text);
  std::size_t i = 0;
  const bool negative = !trimmed.empty() && trimmed[0] == '-';
  if (!trimmed.empty() && (trimmed[0] == '-' || trimmed[0] == '+')) ++i;
  if (i == trimmed.size()) return 0;
  int64_t value = 0;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  for (; i < trimmed.size(); ++i) {
    const char c = trimmed[i];
    if (c < '0' || c > '9') return 0;
    const int digit = c - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return negative ? -value : value;
}

void AddField(message::THeaderList& lines, const char* name, const std::string& value) {
  if (!value.empty()) lines.AssignField(name, value);
}

void AddField(message::THeaderList& lines, const char* name, int64_t value) {
  if (value != 0) lines.AssignField(name, IntToStr(value));
}

}  // namespace

TEntityHeaderInfo::TEntityHeaderInfo() {
  FRawHeaders.FoldWidth = 1024;
}

void TEntityHeaderInfo::Clear() {
  ClearEntity();
}

void TEntityHeaderInfo::ParseRawHeaders() {
  ParseEntity();
}

void TEntityHeaderInfo::BuildRawHeaders() {
  FRawHeaders.Clear();
  BuildEntity();
}

void TEntityHeaderInfo::ClearEntity() {
  Connection.clear();
  ContentVersion.clear();
  ContentEncoding.clear();
  ContentLanguage.clear();
  ContentType.clear();
  ContentLength = 0;
  ContentRangeStart = 0;
  ContentRangeEnd = 0;
  Date = 0;
  Expires = 0;
  LastModified = 0;
  FRawHeaders.Clear();
}

void TEntityHeaderInfo::ParseEntity() {
  Connection = FRawHeaders.ValueOf("Connection");
  ContentVersion = FRawHeaders.ValueOf("Content-Version");
  ContentEncoding = FRawHeaders.ValueOf("Content-Encoding");
  ContentLanguage = FRawHeaders.ValueOf("Content-Language");
  ContentType = FRawHeaders.ValueOf("Content-Type");
  ContentLength = ContentLengthValue(FRawHeaders.ValueOf("Content-Length"));
  Date = InternetDateToLocal(FRawHeaders.ValueOf("Date"));
  LastModified = InternetDateToLocal(FRawHeaders.ValueOf("Last-Modified"));
  Expires = InternetDateToLocal(FRawHeaders.ValueOf("Expires"));
}

void TEntityHeaderInfo::BuildEntity() {
  AddField(FRawHeaders, "Connection", Connection);
  AddField(FRawHeaders, "Content-Version", ContentVersion);
  AddField(FRawHeaders, "Content-Encoding", ContentEncoding);
  AddField(FRawHeaders, "Content-Language", ContentLanguage);
  AddField(FRawHeaders, "Content-Type", ContentType);
  AddField(FRawHeaders, "Content-Length", ContentLength);
}

void TEntityHeaderInfo::AssignEntity(const TEntityHeaderInfo& source) {
  CacheControl = source.CacheControl;
  Connection = source.Connection;
  ContentEncoding = source.ContentEncoding;
  ContentLanguage = source.ContentLanguage;
  ContentLength = source.ContentLength;
  ContentRangeEnd = source.ContentRangeEnd;
  ContentRangeStart = source.ContentRangeStart;
  ContentType = source.ContentType;
  ContentVersion = source.ContentVersion;
  Date = source.Date;
  Expires = source.Expires;
  LastModified = source.LastModified;
  FRawHeaders = source.FRawHeaders;
}

void TProxyConnectionInfo::Clear() {
  ProxyServer.clear();
  ProxyUsername.clear();
  ProxyPassword.clear();
  ProxyPort = 0;
}

void TProxyConnectionInfo::Assign(const TProxyConnectionInfo& source) {
  ProxyPassword = source.ProxyPassword;
  ProxyPort = source.ProxyPort;
  ProxyServer = source.ProxyServer;
  ProxyUsername = source.ProxyUsername;
  BasicAuthentication = source.BasicAuthentication;
}

std::string TProxyConnectionInfo::AuthorizationValue() {
  if (!FAuthentication && BasicAuthentication) {
    FAuthentication = std::make_unique<TBasicAuthentication>();
    FAuthentication->Username = ProxyUsername;
    FAuthentication->Password = ProxyPassword;
  }
  return FAuthentication ? FAuthentication->AuthorizationValue() : std::string();
}

TRequestHeaderInfo::TRequestHeaderInfo() {
  // Request lines are sent unfolded: many servers answer a folded line (obsolete line
  // folding, RFC 9112 section 5.2) with 400, and a "Cookie" line easily passes 1024 columns.
  RawHeaders().FoldValues = false;
  Clear();
}

void TRequestHeaderInfo::Clear() {
  Accept = kDefaultAccept;
  AcceptCharSet.clear();
  UserAgent = kDefaultUserAgent;
  BasicAuthentication = false;
  ProxyParams.Clear();
  ClearEntity();
}

void TRequestHeaderInfo::BuildRawHeaders() {
  message::THeaderList& lines = RawHeaders();
  lines.Clear();
  BuildEntity();
  AddField(lines, "Host", Host);
  AddField(lines, "Accept", Accept);
  AddField(lines, "Accept-Charset", AcceptCharSet);
  AddField(lines, "Accept-Encoding", AcceptEncoding);
  AddField(lines, "Accept-Language", AcceptLanguage);
  AddField(lines, "From", From);
  AddField(lines, "Referer", Referer);
  AddField(lines, "User-Agent", UserAgent);
  if (ContentRangeStart != 0 || ContentRangeEnd != 0) {
    std::string range = "bytes=" + IntToStr(ContentRangeStart) + "-";
    if (ContentRangeEnd != 0) range += IntToStr(ContentRangeEnd);
    lines.AssignField("Range", range);
  }
  if (!FAuthentication && BasicAuthentication) {
    FAuthentication = std::make_unique<TBasicAuthentication>();
    FAuthentication->Username = Username;
    FAuthentication->Password = Password;
  }
  if (FAuthentication) AddField(lines, "Authorization", FAuthentication->AuthorizationValue());
  AddField(lines, "Proxy-Authorization", ProxyParams.AuthorizationValue());
}

void TRequestHeaderInfo::Assign(const TRequestHeaderInfo& source) {
  AssignEntity(source);
  Accept = source.Accept;
  AcceptCharSet = source.AcceptCharSet;
  AcceptEncoding = source.AcceptEncoding;
  AcceptLanguage = source.AcceptLanguage;
  From = source.From;
  Password = source.Password;
  Referer = source.Referer;
  UserAgent = source.UserAgent;
  Username = source.Username;
  Host = source.Host;
  BasicAuthentication = source.BasicAuthentication;
  ProxyParams.Assign(source.ProxyParams);
}

TResponseHeaderInfo::TResponseHeaderInfo() {
  Clear();
}

void TResponseHeaderInfo::Clear() {
  Location.clear();
  Server.clear();
  ProxyAuthenticate.Clear();
  WWWAuthenticate.Clear();
  ClearEntity();
}

void TResponseHeaderInfo::ParseRawHeaders() {
  const message::THeaderList& lines = RawHeaders();
  HasContentLength = !lines.ValueOf("Content-Length").empty();
  Location = lines.ValueOf("Location");
  Server = lines.ValueOf("Server");
  ProxyConnection = lines.ValueOf("Proxy-connection");
  if (lines.FindField("Content-Range") >= 0) {
    // "bytes 0-499/1234": the unit, then first-last, then the total, which is not kept.
    std::string range = lines.ValueOf("Content-Range");
    CutToken(range, " ");
    ContentRangeStart = StrToInt64(CutToken(range, "-"));
    ContentRangeEnd = StrToInt64(CutToken(range, "/"));
  }
  WWWAuthenticate.Clear();
  lines.CollectValues("WWW-Authenticate", &WWWAuthenticate);
  ProxyAuthenticate.Clear();
  lines.CollectValues("Proxy-Authenticate", &ProxyAuthenticate);
  ParseEntity();
  if (ContentLength < 0) {
    // A negative length is no length: the body is framed as if the header were absent.
    ContentLength = 0;
    HasContentLength = false;
  }
}

void TResponseHeaderInfo::Assign(const TResponseHeaderInfo& source) {
  AssignEntity(source);
  Location = source.Location;
  Server = source.Server;
  ProxyConnection = source.ProxyConnection;
  ProxyAuthenticate = source.ProxyAuthenticate;
  WWWAuthenticate = source.WWWAuthenticate;
  HasContentLength = source.HasContentLength;
}

}  // namespace qp::http
