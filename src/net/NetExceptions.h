// Every exception the transport raises: the connection, the socket stack and SOCKS.
// All derive from ENetException and carry fixed English texts that callers (and the reader's
// error report) rely on, so the texts must not change.
#pragma once

#include <cstdint>
#include <string>

#include "base/Exception.h"
#include "base/SysUtils.h"

namespace qp::net {

// "Socket Error # <code>\r\n<text>"; defined with the socket stack (Stack.cpp).
std::string SocketErrorText(int code);

// A reply whose code is not among the allowed ones; the message is the whole reply line.
class EProtocolReplyError : public ENetException {
 public:
  EProtocolReplyError(int16_t code, std::string message)
      : ENetException(std::move(message)), FErrorReplyCode(code) {}
  int16_t ErrorReplyCode() const { return FErrorReplyCode; }

 private:
  int16_t FErrorReplyCode;
};

// A failing platform socket call, numbered as Windows Sockets numbers its errors.
class ESocketError : public ENetException {
 public:
  explicit ESocketError(int code) : ENetException(SocketErrorText(code)), FSocketErrorCode(code) {}
  int SocketErrorCode() const { return FSocketErrorCode; }

 private:
  int FSocketErrorCode;
};

class EReadTimeout : public ENetException {
 public:
  explicit EReadTimeout(std::string message = "Read Timeout") : ENetException(std::move(message)) {}
};

class EConnectTimeout : public ENetException {
 public:
  explicit EConnectTimeout(std::string message = "Connect timed out.")
      : ENetException(std::move(message)) {}
};

// A timed connect that failed; the message is the connect thread's failure text.
class EConnectException : public ENetException {
 public:
  using ENetException::ENetException;
};

class EAlreadyConnected : public ENetException {
 public:
  explicit EAlreadyConnected(std::string message = "Already connected.")
      : ENetException(std::move(message)) {}
};

class ETCPConnectionError : public ENetException {
 public:
  using ENetException::ENetException;
};

class EObjectTypeNotSupported : public ETCPConnectionError {
 public:
  explicit EObjectTypeNotSupported(std::string message = "Object type not supported.")
      : ETCPConnectionError(std::move(message)) {}
};

class ENotEnoughDataInBuffer : public ETCPConnectionError {
 public:
  explicit ENotEnoughDataInBuffer(std::string message = "Not enough data in buffer.")
      : ETCPConnectionError(std::move(message)) {}
};

class ENoDataToRead : public ETCPConnectionError {
 public:
  explicit ENoDataToRead(std::string message = "No data to read.")
      : ETCPConnectionError(std::move(message)) {}
};

// A line that grew past the connection's limit without its terminator; the connection has
// been dropped because the peer is not speaking a line protocol we can follow.
class ELineTooLong : public ETCPConnectionError {
 public:
  explicit ELineTooLong(int64_t limit)
      : ETCPConnectionError(Format("Line too long: no line end within %lld bytes.",
                                   static_cast<long long>(limit))) {}
};

// TLS: a handshake or a TLS session that failed; the message names the host and the reason.
class ETLSError : public ENetException {
 public:
  using ENetException::ENetException;
};

// The server's certificate did not verify (untrusted, expired, issued for another name).
class ETLSCertificateError : public ETLSError {
 public:
  using ETLSError::ETLSError;
};

// Socket stack and socket object.

class EInvalidSocket : public ENetException {
 public:
  explicit EInvalidSocket(std::string message = "Cannot allocate socket.")
      : ENetException(std::move(message)) {}
};

class ESocketHandleError : public ENetException {
 public:
  using ENetException::ENetException;
};

class ECouldNotBindSocket : public ESocketHandleError {
 public:
  explicit ECouldNotBindSocket(
      std::string message = "Could not bind socket. Address and port are already in use.")
      : ESocketHandleError(std::move(message)) {}
};

class EInvalidPortRange : public ESocketHandleError {
 public:
  EInvalidPortRange(int portMin, int portMax)
      : ESocketHandleError(Format("Invalid Port Range (%d - %d)", portMin, portMax)) {}
};

class ECanNotBindPortInRange : public ESocketHandleError {
 public:
  ECanNotBindPortInRange(int portMin, int portMax)
      : ESocketHandleError(Format("Can not bind in port range (%d - %d)", portMin, portMax)) {}
};

class EStackError : public ENetException {
 public:
  using ENetException::ENetException;
};

class EStackSetSizeExceeded : public EStackError {
 public:
  explicit EStackSetSizeExceeded(std::string message = "Set Size Exceeded.")
      : EStackError(std::move(message)) {}
};

class EStackInitializationFailed : public EStackError {
 public:
  explicit EStackInitializationFailed(std::string message = "Winsock Initialization Error.")
      : EStackError(std::move(message)) {}
};

class EStackCanNotLoadWinsock : public ENetException {
 public:
  explicit EStackCanNotLoadWinsock(const std::string& libraryName)
      : ENetException(Format("%s could not be loaded.", libraryName.c_str())) {}
};

// SOCKS proxy negotiation.

class ESocksError : public ENetException {
 public:
  using ENetException::ENetException;
};

#define QP_SOCKS_ERROR(name, text)                                                 \
  class name : public ESocksError {                                                \
   public:                                                                         \
    explicit name(std::string message = text) : ESocksError(std::move(message)) {} \
  };

QP_SOCKS_ERROR(ESocksRequestFailed, "Request rejected or failed.")
QP_SOCKS_ERROR(ESocksRequestServerFailed, "Request rejected because SOCKS server cannot connect.")
QP_SOCKS_ERROR(ESocksRequestIdentFailed,
               "Request rejected because the client program and identd report different "
               "user-ids.")
QP_SOCKS_ERROR(ESocksUnknownError, "Unknown socks error.")
QP_SOCKS_ERROR(ESocksServerRespondError, "Socks server did not respond.")
QP_SOCKS_ERROR(ESocksAuthMethodError, "Invalid socks authentication method.")
QP_SOCKS_ERROR(ESocksAuthError, "Authentication error to socks server.")
QP_SOCKS_ERROR(ESocksServerGeneralError, "General SOCKS server failure.")
QP_SOCKS_ERROR(ESocksServerPermissionError, "Connection not allowed by ruleset.")
QP_SOCKS_ERROR(ESocksServerNetUnreachableError, "Network unreachable.")
QP_SOCKS_ERROR(ESocksServerHostUnreachableError, "Host unreachable.")
QP_SOCKS_ERROR(ESocksServerConnectionRefusedError, "Connection refused.")
QP_SOCKS_ERROR(ESocksServerTTLExpiredError, "TTL expired.")
QP_SOCKS_ERROR(ESocksServerCommandError, "Command not supported.")
QP_SOCKS_ERROR(ESocksServerAddressError, "Address type not supported.")

#undef QP_SOCKS_ERROR

}  // namespace qp::net
