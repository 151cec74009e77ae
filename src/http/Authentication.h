// HTTP authentication schemes (RFC 7235): the scheme base, the Basic scheme (RFC 7617) and
// the process-wide registry that maps a challenge's scheme name to its class.
#pragma once

#include <memory>
#include <string>

#include "message/HeaderList.h"

namespace qp::http {

// What a scheme asks the client to do next.
enum class TAuthStep {
  AskTheProgram = 0,  // ask the program (OnAuthorization) for a user name and password
  DoRequest = 1,      // send the request again with AuthorizationValue
  Fail = 2,           // give up
};

// One authentication exchange with one server. Owned by the request record that uses it
// (TRequestHeaderInfo or TProxyConnectionInfo); used on the client's thread.
class TAuthentication {
 public:
  TAuthentication() = default;
  virtual ~TAuthentication() = default;
  TAuthentication(const TAuthentication&) = delete;
  TAuthentication& operator=(const TAuthentication&) = delete;

  std::string Username;
  std::string Password;
  std::string Realm;
  int CurrentStep = 0;
  // The values of the server's challenge headers ("WWW-Authenticate" or
  // "Proxy-Authenticate"), one per line.
  message::THeaderList ChallengeLines;

  // How many times the scheme answered DoRequest.
  int StepCount() const { return FStepCount; }
  // The scheme's next step; a DoRequest answer is counted in StepCount.
  TAuthStep NextStep();
  void ResetSteps();
  // The value of the "Authorization" or "Proxy-Authorization" header.
  virtual std::string AuthorizationValue() = 0;

 protected:
  virtual TAuthStep DoNext() = 0;

 private:
  int FStepCount = 0;
};

// The Basic scheme: user name and password in base64, sent as they are.
class TBasicAuthentication : public TAuthentication {
 public:
  // "Basic " followed by the base64 encoding of Username ":" Password.
  std::string AuthorizationValue() override;

 protected:
  // Takes Realm from the first "Basic" challenge line. The first answer is DoRequest when
  // user name and password are both known and nothing was sent yet; otherwise the program
  // is asked once, and every later answer is DoRequest.
  TAuthStep DoNext() override;
};

// A scheme class: makes a new, empty object of the scheme.
using TAuthenticationClass = std::unique_ptr<TAuthentication> (*)();

template <typename Scheme>
std::unique_ptr<TAuthentication> MakeAuthentication() {
  return std::make_unique<Scheme>();
}

// The registry of schemes, shared by the whole process; it starts with ("Basic",
// TBasicAuthentication). Registering a known name (letter case ignored) replaces its class.
void RegisterAuthScheme(const std::string& name, TAuthenticationClass authClass);
// The class registered under name (letter case ignored); nullptr when there is none.
TAuthenticationClass FindAuthScheme(const std::string& name);

// The base64 encoding (RFC 4648 section 4) of bytes, with "=" padding and no line breaks.
std::string EncodeBase64(const std::string& bytes);

}  // namespace qp::http
