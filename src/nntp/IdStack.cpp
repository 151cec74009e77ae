#include "nntp/IdStack.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "base/SysUtils.h"

namespace qp {

namespace {

struct ErrorText {
  int code;
  const char* text;
};

// The Windows Sockets texts; a code outside this table gets an empty text.
constexpr ErrorText kErrorTexts[] = {
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block. "},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
};

std::mutex gStackLock;
int gStackUsers = 0;
std::unique_ptr<TIdStack> gStackOwner;
// Read without the lock by every thread that uses a live stack.
std::atomic<TIdStack*> gStack{nullptr};

}  // namespace

std::string SocketErrorText(int code) {
  const char* text = "";
  for (const ErrorText& e : kErrorTexts) {
    if (e.code == code) {
      text = e.text;
      break;
    }
  }
  return Format("Socket Error # %d\r\n%s", code, text);
}

std::string TIdStack::SocketErrorText(int code) {
  return qp::SocketErrorText(code);
}

void TIdStack::RaiseSocketFailure(int code) {
  throw EIdSocketError(code);
}

bool TIdStack::CheckSocketResult(int result, std::initializer_list<int> ignore) {
  if (result != Id_SOCKET_ERROR) return false;
  const int error = WSGetLastError();
  for (int code : ignore) {
    if (code == error) return true;
  }
  RaiseSocketFailure(error);
}

int TIdStack::WaitForReadable(TIdSocketList& list, int ms) {
  if (list.size() > Id_MaxSocketSet) throw EIdStackSetSizeExceeded();
  return WSSelectRead(list, ms);
}

uint16_t TIdStack::HToNs(uint16_t value) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  uint16_t result;
  std::memcpy(&result, bytes, 2);
  return result;
}

uint16_t TIdStack::NToHs(uint16_t value) {
  uint8_t bytes[2];
  std::memcpy(bytes, &value, 2);
  return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

uint32_t TIdStack::HToNl(uint32_t value) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  uint32_t result;
  std::memcpy(&result, bytes, 4);
  return result;
}

uint32_t TIdStack::NToHl(uint32_t value) {
  uint8_t bytes[4];
  std::memcpy(bytes, &value, 4);
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
         bytes[3];
}

std::string TIdStack::AddressToText(const uint8_t address[4]) {
  return Format("%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
}

void TIdStack::TextToAddress(const std::string& text, uint8_t address[4]) {
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t dot = i < 3 ? text.find('.', start) : std::string::npos;
    if (i < 3 && dot == std::string::npos) {
      throw EConvertError(Format("'%s' is not a valid IPv4 address", text.c_str()));
    }
    const int value = StrToInt(text.substr(start, dot == std::string::npos ? dot : dot - start));
    // A part outside one byte would silently address another host; refuse it.
    if (value < 0 || value > 255) {
      throw EConvertError(Format("'%s' is not a valid IPv4 address", text.c_str()));
    }
    address[i] = static_cast<uint8_t>(value);
    start = dot + 1;
  }
}

bool TIdStack::IsIPLiteral(const std::string& text) {
  std::size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t dot = i < 3 ? text.find('.', start) : std::string::npos;
    if (i < 3 && dot == std::string::npos) return false;
    int64_t value = 0;
    const std::string part =
        text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (!TryStrToInt64(part, value) || value < 0 || value > 255) return false;
    start = dot + 1;
  }
  return true;
}

std::string TIdStack::ResolveHostAddress(const std::string& host) {
  if (SameText(host, "LOCALHOST")) return "127.0.0.1";
  if (IsIPLiteral(host)) return host;
  std::string address = WSGetHostByName(host);
  if (address.empty()) RaiseSocketFailure(WSGetLastError());
  return address;
}

void TIdStack::Acquire() {
  std::lock_guard<std::mutex> lock(gStackLock);
  if (gStackUsers == 0) {
    gStackOwner = CreatePlatformStack();
    gStack.store(gStackOwner.get(), std::memory_order_release);
  }
  ++gStackUsers;
}

void TIdStack::Release() {
  std::lock_guard<std::mutex> lock(gStackLock);
  if (gStackUsers == 1) {
    gStack.store(nullptr, std::memory_order_release);
    gStackOwner.reset();
  }
  if (gStackUsers > 0) --gStackUsers;
}

TIdStack& GStack() {
  TIdStack* stack = gStack.load(std::memory_order_acquire);
  if (stack == nullptr) throw EIdStackError("No socket stack: no transport component exists.");
  return *stack;
}

}  // namespace qp
