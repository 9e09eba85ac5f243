#pragma once

// What every fuzz target shares: an input is a document (or a text) that a loader must
// either take or refuse with one of the library's errors. Any other exception, a crash, a
// sanitizer report, a leak or a hang is a finding.

#include <cstddef>
#include <cstdint>
#include <kx/host/exceptions.hpp>
#include <sstream>
#include <string>

namespace kx_fuzz {

inline std::string Text(const std::uint8_t* Data, std::size_t Size) {
  return std::string(reinterpret_cast<const char*>(Data), Size);
}

// Runs Load; the library's own errors are answers, not findings.
template <class F>
bool Refused(F&& Load) {
  try {
    Load();
    return false;
  } catch (const kx::EKXException&) {
    return true;
  }
}

// Loads the document into a fresh Component and, when it is taken, saves and describes it:
// a document the loader takes must leave a component that works (or that refuses, with one
// of the library's errors, to save what it cannot write, e.g. an enumeration gene holding an
// index no name belongs to).
template <class TComponent>
void LoadComponent(const std::uint8_t* Data, std::size_t Size) {
  TComponent Component;
  std::istringstream In(Text(Data, Size));
  if (Refused([&] { Component.LoadFromStream(In); })) return;
  std::ostringstream Out;
  Refused([&] { Component.SaveToStream(Out); });
  (void)Component.ToString();
}

}  // namespace kx_fuzz
