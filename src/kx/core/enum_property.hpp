#pragma once

#include <functional>
#include <optional>
#include <string>

#include "kx/core/consts.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/streaming.hpp"

namespace kx {

/// The enumeration value a component stream names; a text that is no value name raises
/// EConvertError, so a bad stream line is reported instead of read as a default.
template <class E>
E EnumFromStreamText(const std::string& Text) {
  const std::optional<E> value = EnumFromName<E>(Text);
  if (!value) throw EConvertError("Invalid property value " + Text);
  return *value;
}

/// Declares a published enumeration property, streamed by value name and stored when its
/// value differs from Default.
template <class E>
void EnumProperty(TKXFiler& Filer, const std::string& Name, const std::function<E()>& Get,
                  const std::function<void(E)>& Set, E Default) {
  Filer.Property(
      Name, [Get] { return std::string(EnumName(Get())); },
      [Set](const std::string& Text) { Set(EnumFromStreamText<E>(Text)); }, Get() != Default);
}

}  // namespace kx
