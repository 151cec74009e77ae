// Every exception the transport raises: the connection, the socket stack and SOCKS.
// All derive from EIdException and carry fixed English texts that callers (and the reader's
// error report) rely on, so the texts must not change.
#pragma once

#include <cstdint>
#include <string>

#include "base/Exception.h"
#include "base/SysUtils.h"

namespace qp {

// "Socket Error # <code>\r\n<text>"; defined with the socket stack (IdStack.cpp).
std::string SocketErrorText(int code);

class EIdException : public Exception {
 public:
  using Exception::Exception;
};

// A failure that the caller normally treats as an ordinary end, not as an error to show.
class EIdSilentException : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdConnClosedGracefully : public EIdSilentException {
 public:
  explicit EIdConnClosedGracefully(std::string message = "Connection Closed Gracefully.")
      : EIdSilentException(std::move(message)) {}
};

// A reply whose code is not among the allowed ones; the message is the whole reply line.
class EIdProtocolReplyError : public EIdException {
 public:
  EIdProtocolReplyError(int16_t code, std::string message)
      : EIdException(std::move(message)), FErrorReplyCode(code) {}
  int16_t ErrorReplyCode() const { return FErrorReplyCode; }

 private:
  int16_t FErrorReplyCode;
};

// A failing platform socket call, numbered as Windows Sockets numbers its errors.
class EIdSocketError : public EIdException {
 public:
  explicit EIdSocketError(int code) : EIdException(SocketErrorText(code)), FSocketErrorCode(code) {}
  int SocketErrorCode() const { return FSocketErrorCode; }

 private:
  int FSocketErrorCode;
};

class EIdReadTimeout : public EIdException {
 public:
  explicit EIdReadTimeout(std::string message = "Read Timeout")
      : EIdException(std::move(message)) {}
};

class EIdConnectTimeout : public EIdException {
 public:
  explicit EIdConnectTimeout(std::string message = "Connect timed out.")
      : EIdException(std::move(message)) {}
};

// A timed connect that failed; the message is the connect thread's failure text.
class EIdConnectException : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdAlreadyConnected : public EIdException {
 public:
  explicit EIdAlreadyConnected(std::string message = "Already connected.")
      : EIdException(std::move(message)) {}
};

class EIdTCPConnectionError : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdObjectTypeNotSupported : public EIdTCPConnectionError {
 public:
  explicit EIdObjectTypeNotSupported(std::string message = "Object type not supported.")
      : EIdTCPConnectionError(std::move(message)) {}
};

class EIdNotEnoughDataInBuffer : public EIdTCPConnectionError {
 public:
  explicit EIdNotEnoughDataInBuffer(std::string message = "Not enough data in buffer.")
      : EIdTCPConnectionError(std::move(message)) {}
};

class EIdNoDataToRead : public EIdTCPConnectionError {
 public:
  explicit EIdNoDataToRead(std::string message = "No data to read.")
      : EIdTCPConnectionError(std::move(message)) {}
};

// A line that grew past the connection's limit without its terminator; the connection has
// been dropped because the peer is not speaking a line protocol we can follow.
class EIdLineTooLong : public EIdTCPConnectionError {
 public:
  explicit EIdLineTooLong(int64_t limit)
      : EIdTCPConnectionError(Format("Line too long: no line end within %lld bytes.",
                                     static_cast<long long>(limit))) {}
};

// Socket stack and socket object.

class EIdInvalidSocket : public EIdException {
 public:
  explicit EIdInvalidSocket(std::string message = "Cannot allocate socket.")
      : EIdException(std::move(message)) {}
};

class EIdSocketHandleError : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdCouldNotBindSocket : public EIdSocketHandleError {
 public:
  explicit EIdCouldNotBindSocket(
      std::string message = "Could not bind socket. Address and port are already in use.")
      : EIdSocketHandleError(std::move(message)) {}
};

class EIdInvalidPortRange : public EIdSocketHandleError {
 public:
  EIdInvalidPortRange(int portMin, int portMax)
      : EIdSocketHandleError(Format("Invalid Port Range (%d - %d)", portMin, portMax)) {}
};

class EIdCanNotBindPortInRange : public EIdSocketHandleError {
 public:
  EIdCanNotBindPortInRange(int portMin, int portMax)
      : EIdSocketHandleError(Format("Can not bind in port range (%d - %d)", portMin, portMax)) {}
};

class EIdStackError : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdStackSetSizeExceeded : public EIdStackError {
 public:
  explicit EIdStackSetSizeExceeded(std::string message = "Set Size Exceeded.")
      : EIdStackError(std::move(message)) {}
};

class EIdStackInitializationFailed : public EIdStackError {
 public:
  explicit EIdStackInitializationFailed(std::string message = "Winsock Initialization Error.")
      : EIdStackError(std::move(message)) {}
};

class EIdStackCanNotLoadWinsock : public EIdException {
 public:
  explicit EIdStackCanNotLoadWinsock(const std::string& libraryName)
      : EIdException(Format("%s could not be loaded.", libraryName.c_str())) {}
};

// SOCKS proxy negotiation.

class EIdSocksError : public EIdException {
 public:
  using EIdException::EIdException;
};

#define QP_SOCKS_ERROR(name, text)                                                   \
  class name : public EIdSocksError {                                                \
   public:                                                                           \
    explicit name(std::string message = text) : EIdSocksError(std::move(message)) {} \
  };

QP_SOCKS_ERROR(EIdSocksRequestFailed, "Request rejected or failed.")
QP_SOCKS_ERROR(EIdSocksRequestServerFailed, "Request rejected because SOCKS server cannot connect.")
QP_SOCKS_ERROR(EIdSocksRequestIdentFailed,
               "Request rejected because the client program and identd report different "
               "user-ids.")
QP_SOCKS_ERROR(EIdSocksUnknownError, "Unknown socks error.")
QP_SOCKS_ERROR(EIdSocksServerRespondError, "Socks server did not respond.")
QP_SOCKS_ERROR(EIdSocksAuthMethodError, "Invalid socks authentication method.")
QP_SOCKS_ERROR(EIdSocksAuthError, "Authentication error to socks server.")
QP_SOCKS_ERROR(EIdSocksServerGeneralError, "General SOCKS server failure.")
QP_SOCKS_ERROR(EIdSocksServerPermissionError, "Connection not allowed by ruleset.")
QP_SOCKS_ERROR(EIdSocksServerNetUnreachableError, "Network unreachable.")
QP_SOCKS_ERROR(EIdSocksServerHostUnreachableError, "Host unreachable.")
QP_SOCKS_ERROR(EIdSocksServerConnectionRefusedError, "Connection refused.")
QP_SOCKS_ERROR(EIdSocksServerTTLExpiredError, "TTL expired.")
QP_SOCKS_ERROR(EIdSocksServerCommandError, "Command not supported.")
QP_SOCKS_ERROR(EIdSocksServerAddressError, "Address type not supported.")
// Raised for every proxy version until the negotiation itself is built.
QP_SOCKS_ERROR(EIdSocksNotAvailable, "SOCKS proxy negotiation is not available in this build.")

#undef QP_SOCKS_ERROR

}  // namespace qp
