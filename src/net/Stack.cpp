#include "net/Stack.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "base/SysUtils.h"
#include "net/NetGlobal.h"

namespace qp::net {

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
std::unique_ptr<TStack> gStackOwner;
// Read without the lock by every thread that uses a live stack.
std::atomic<TStack*> gStack{nullptr};

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

std::string TStack::SocketErrorText(int code) {
  return net::SocketErrorText(code);
}

void TStack::RaiseSocketFailure(int code) {
  throw ESocketError(code);
}

bool TStack::CheckSocketResult(int result, std::initializer_list<int> ignore) {
  if (result != SocketError) return false;
  const int error = WSGetLastError();
  for (int code : ignore) {
    if (code == error) return true;
  }
  RaiseSocketFailure(error);
}

int TStack::WaitForReadable(TSocketList& list, int ms) {
  if (list.size() > MaxSocketSet) throw EStackSetSizeExceeded();
  return WSSelectRead(list, ms);
}

uint16_t TStack::HToNs(uint16_t value) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  uint16_t result;
  std::memcpy(&result, bytes, 2);
  return result;
}

uint16_t TStack::NToHs(uint16_t value) {
  uint8_t bytes[2];
  std::memcpy(bytes, &value, 2);
  return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

uint32_t TStack::HToNl(uint32_t value) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  uint32_t result;
  std::memcpy(&result, bytes, 4);
  return result;
}

uint32_t TStack::NToHl(uint32_t value) {
  uint8_t bytes[4];
  std::memcpy(bytes, &value, 4);
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
         bytes[3];
}

std::string TStack::AddressToText(const uint8_t address[4]) {
  return Format("%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
}

void TStack::TextToAddress(const std::string& text, uint8_t address[4]) {
  // A part outside one byte would silently address another host; refuse it.
  if (!ParseDottedQuad(text, TQuadEnd::AtEnd, address))
    throw EConvertError(Format("'%s' is not a valid IPv4 address", text.c_str()));
}

bool TStack::IsIPLiteral(const std::string& text) {
  uint8_t address[4];
  return ParseDottedQuad(text, TQuadEnd::AtEnd, address);
}

std::string TStack::ResolveHostAddress(const std::string& host) {
  if (SameText(host, "LOCALHOST")) return "127.0.0.1";
  if (IsIPLiteral(host)) return host;
  std::string address = WSGetHostByName(host);
  if (address.empty()) RaiseSocketFailure(WSGetLastError());
  return address;
}

void TStack::Acquire() {
  std::lock_guard<std::mutex> lock(gStackLock);
  if (gStackUsers == 0) {
    gStackOwner = CreatePlatformStack();
    gStack.store(gStackOwner.get(), std::memory_order_release);
  }
  ++gStackUsers;
}

void TStack::Release() {
  std::lock_guard<std::mutex> lock(gStackLock);
  if (gStackUsers == 1) {
    gStack.store(nullptr, std::memory_order_release);
    gStackOwner.reset();
  }
  if (gStackUsers > 0) --gStackUsers;
}

TStack& GStack() {
  TStack* stack = gStack.load(std::memory_order_acquire);
  if (stack == nullptr) throw EStackError("No socket stack: no transport component exists.");
  return *stack;
}

}  // namespace qp::net
