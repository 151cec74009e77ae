#include "cli/ConnectionOptions.h"

#include <fstream>

#include "base/Exception.h"
#include "base/SysUtils.h"

namespace qp::cli {

const char* const ConnectionUsage =
    "options before the command: [--socks socks5://[USER:PASSWORD@]HOST:PORT]"
    " (also socks4:// and socks4a://) [--ca-file PATH]\n";

namespace {

constexpr int kDefaultSocksPort = 1080;

std::string PercentDecoded(const std::string& text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexDigitValue(text[i + 1]);
      const int low = HexDigitValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        result += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    result += text[i];
  }
  return result;
}

}  // namespace

void ParseSocksURL(const std::string& url, TConnectionOptions& options) {
  const std::size_t schemeEnd = url.find("://");
  const std::string scheme = LowerCase(url.substr(0, schemeEnd));
  if (schemeEnd == std::string::npos ||
      (scheme != "socks4" && scheme != "socks4a" && scheme != "socks5")) {
    throw Exception(
        "--socks takes socks4://, socks4a:// or socks5:// followed by HOST:PORT, not '" + url +
        "'");
  }
  std::string rest = url.substr(schemeEnd + 3);
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  std::string user, password;
  const std::size_t at = rest.rfind('@');
  if (at != std::string::npos) {
    const std::string userInfo = rest.substr(0, at);
    const std::size_t colon = userInfo.find(':');
    user = PercentDecoded(userInfo.substr(0, colon));
    if (colon != std::string::npos) password = PercentDecoded(userInfo.substr(colon + 1));
    rest.erase(0, at + 1);
  }
  int port = kDefaultSocksPort;
  const std::size_t colon = rest.rfind(':');
  if (colon != std::string::npos) {
    const std::string portText = rest.substr(colon + 1);
    int64_t value = 0;
    if (!TryStrToInt64(portText, value) || value < 1 || value > 65535 ||
        portText.find_first_not_of("0123456789") != std::string::npos) {
      throw Exception("--socks: the proxy port must be from 1 to 65535, not '" + portText + "'");
    }
    port = static_cast<int>(value);
    rest.resize(colon);
  }
  if (rest.empty() || rest.find('/') != std::string::npos)
    throw Exception("--socks: '" + url + "' names no proxy host");
  options.SocksVersion = scheme == "socks5"    ? net::svSocks5
                         : scheme == "socks4a" ? net::svSocks4A
                                               : net::svSocks4;
  options.SocksHost = rest;
  options.SocksPort = port;
  options.SocksUser = user;
  options.SocksPassword = password;
}

TConnectionOptions TakeConnectionOptions(std::vector<std::string>& args) {
  TConnectionOptions options;
  std::size_t used = 0;
  while (used < args.size() && args[used].size() > 1 && args[used][0] == '-') {
    const std::string& option = args[used];
    if (option != "--socks" && option != "--ca-file")
      throw Exception("unknown option " + option + " before the command");
    if (used + 1 >= args.size()) throw Exception(option + " needs a value");
    const std::string& value = args[used + 1];
    if (option == "--socks") {
      ParseSocksURL(value, options);
    } else {
      std::ifstream file(value);
      if (!file) throw Exception("--ca-file: cannot read '" + value + "'");
      options.CAFile = value;
    }
    used += 2;
  }
  args.erase(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(used));
  return options;
}

void ApplyConnectionOptions(const TConnectionOptions& options, net::TTCPClient& client) {
  net::TSocksInfo& socks = client.SocksInfo();
  socks.Version = options.SocksVersion;
  socks.Host = options.SocksHost;
  socks.Port = options.SocksPort;
  socks.Username = options.SocksUser;
  socks.Password = options.SocksPassword;
  socks.Authentication = options.SocksVersion == net::svSocks5 && !options.SocksUser.empty()
                             ? net::saUsernamePassword
                             : net::saNoAuthentication;
  client.CAFile = options.CAFile;
}

}  // namespace qp::cli
