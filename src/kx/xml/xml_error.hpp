#pragma once

#include "kx/host/exceptions.hpp"

namespace kx {

/// An XML document could not be read, bound or written: a missing or unreadable file, text
/// that is not well-formed, a root element of another tag, a failed save. Values that do not
/// convert raise EConvertError instead.
class EXMLError : public EKXException {
 public:
  /// An error with the text Message.
  using EKXException::EKXException;
};

}  // namespace kx
