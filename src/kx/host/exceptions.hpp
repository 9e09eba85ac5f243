#pragma once

#include <stdexcept>
#include <string>

namespace kx {

/// Common base of every error the library raises; carries only a message.
class EKXException : public std::runtime_error {
 public:
  /// An error with the text Message.
  explicit EKXException(const std::string& Message) : std::runtime_error(Message) {}
};

/// A collection or list was used with a bad index, a duplicate key or a missing key.
class EListError : public EKXException {
 public:
  /// An error with the text Message.
  using EKXException::EKXException;
};

/// A value could not be converted: text that is not a number, an unsupported assignment.
class EConvertError : public EKXException {
 public:
  /// An error with the text Message.
  using EKXException::EKXException;
};

}  // namespace kx
