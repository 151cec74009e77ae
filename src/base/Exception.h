// The root of every exception the program raises, the general conversion, file and stream
// failures, and the root of the network failures.
#pragma once

#include <exception>
#include <string>

namespace qp {

// A failure that carries a message text for people. Thrown by value, caught by const&.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// A text that does not convert to the value asked for.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A file that cannot be opened or created.
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};
class EFCreateError : public Exception {
 public:
  using Exception::Exception;
};

// A stream read or write that could not move the bytes asked for.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

// The root of the failures of the network, message and HTTP code.
class ENetException : public Exception {
 public:
  using Exception::Exception;
};

// A peer sent more than this program holds for it (header lines, parts, reply lines, ...);
// the message names the limit.
class ELimitExceeded : public ENetException {
 public:
  using ENetException::ENetException;
};

// A failure that the caller normally treats as an ordinary end, not as an error to show.
class ESilentException : public ENetException {
 public:
  using ENetException::ENetException;
};

// The peer closed the connection, or a line source has no more lines: what was asked for
// will never arrive.
class EConnClosedGracefully : public ESilentException {
 public:
  explicit EConnClosedGracefully(std::string message = "Connection Closed Gracefully.")
      : ESilentException(std::move(message)) {}
};

}  // namespace qp
