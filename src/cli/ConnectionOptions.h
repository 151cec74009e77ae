// The options of quillpost-cli that stand before its command and apply to every connection
// the command makes: a SOCKS proxy and an extra certificate authority for TLS.
//
//   quillpost-cli [--socks socks5://[USER:PASSWORD@]HOST:PORT] [--ca-file PATH] COMMAND ...
#pragma once

#include <string>
#include <vector>

#include "net/Socks.h"
#include "net/TCPClient.h"

namespace qp::cli {

// The usage line of these options, as printed for bad usage.
extern const char* const ConnectionUsage;

// The settings the options give; the defaults connect directly.
struct TConnectionOptions {
  net::TSocksVersion SocksVersion = net::svNoSocks;
  std::string SocksHost;
  int SocksPort = 0;
  std::string SocksUser;
  std::string SocksPassword;
  // A PEM file of certificate authorities trusted besides the system's store, for TLS.
  std::string CAFile;
};

// Reads a proxy URL: "socks4://", "socks4a://" or "socks5://" (letter case ignored), an
// optional USER[:PASSWORD]@ (percent-encoded bytes decoded; a user name without password is
// the SOCKS 4 user id), HOST and an optional :PORT (1080 when absent). Throws Exception with a
// message for the user when the text is none of these.
void ParseSocksURL(const std::string& url, TConnectionOptions& options);

// Takes the leading options off args (so that args then starts with the command) and returns
// what they set. Throws Exception for an unknown option before the command, one without its
// value, a proxy URL ParseSocksURL refuses, or a CA file that cannot be read.
TConnectionOptions TakeConnectionOptions(std::vector<std::string>& args);

// Gives client the proxy of options (a SOCKS 5 proxy with a user name logs in with it) and
// the extra certificate authorities.
void ApplyConnectionOptions(const TConnectionOptions& options, net::TTCPClient& client);

}  // namespace qp::cli
