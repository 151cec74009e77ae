// The root of every exception the program raises, and the general conversion failure.
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

}  // namespace qp
