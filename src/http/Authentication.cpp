#include "http/Authentication.h"

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "base/InternetText.h"
#include "base/SysUtils.h"

namespace qp::http {

namespace {

struct TSchemeEntry {
  std::string Name;
  TAuthenticationClass Class;
};

struct TSchemeRegistry {
  std::mutex Lock;
  std::vector<TSchemeEntry> Schemes{{"Basic", &MakeAuthentication<TBasicAuthentication>}};
};

TSchemeRegistry& Registry() {
  static TSchemeRegistry registry;
  return registry;
}

}  // namespace

TAuthStep TAuthentication::NextStep() {
  const TAuthStep step = DoNext();
  if (step == TAuthStep::DoRequest) ++FStepCount;
  return step;
}

void TAuthentication::ResetSteps() {
  FStepCount = 0;
  CurrentStep = 0;
}

std::string TBasicAuthentication::AuthorizationValue() {
  return "Basic " + EncodeBase64(Username + ":" + Password);
}

TAuthStep TBasicAuthentication::DoNext() {
  for (const std::string& line : ChallengeLines) {
    if (!StartsText("Basic", line)) continue;
    // Basic realm="news", charset="UTF-8": the parameters after the scheme name.
    std::string params = line;
    CutToken(params, " ");
    while (!params.empty()) {
      std::string value = CutToken(params, ", ");
      const std::string name = CutToken(value, "=");
      if (SameText(Trim(name), "realm")) {
        Realm = value.size() >= 2 ? value.substr(1, value.size() - 2) : std::string();
      }
    }
    break;
  }
  if (CurrentStep == 0) {
    if (!Username.empty() && !Password.empty() && StepCount() == 0) return TAuthStep::DoRequest;
    CurrentStep = 1;
    return TAuthStep::AskTheProgram;
  }
  return TAuthStep::DoRequest;
}

void RegisterAuthScheme(const std::string& name, TAuthenticationClass authClass) {
  TSchemeRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  for (TSchemeEntry& entry : registry.Schemes) {
    if (SameText(entry.Name, name)) {
      entry.Class = authClass;
      return;
    }
  }
  registry.Schemes.push_back({name, authClass});
}

TAuthenticationClass FindAuthScheme(const std::string& name) {
  TSchemeRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  for (const TSchemeEntry& entry : registry.Schemes) {
    if (SameText(entry.Name, name)) return entry.Class;
  }
  return nullptr;
}

std::string EncodeBase64(const std::string& bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string result;
  result.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  auto at = [&bytes](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = (at(i) << 16) | (at(i + 1) << 8) | at(i + 2);
    result += kAlphabet[(group >> 18) & 0x3F];
    result += kAlphabet[(group >> 12) & 0x3F];
    result += kAlphabet[(group >> 6) & 0x3F];
    result += kAlphabet[group & 0x3F];
  }
  const std::size_t left = bytes.size() - i;
  if (left > 0) {
    const uint32_t group = (at(i) << 16) | (left == 2 ? at(i + 1) << 8 : 0);
    result += kAlphabet[(group >> 18) & 0x3F];
    result += kAlphabet[(group >> 12) & 0x3F];
    result += left == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=';
    result += '=';
  }
  return result;
}

}  // namespace qp::http
