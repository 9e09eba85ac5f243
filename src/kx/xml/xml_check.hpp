#pragma once

/// @file
/// Checking a document before a component applies it: loaders of whole documents verify every
/// value first, so that a bad document is refused before anything changes, with an error that
/// names the element (its path from the root) and the offending value.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "kx/host/exceptions.hpp"
#include "kx/xml/kx_xml_node.hpp"
#include "kx/xml/xml_document.hpp"
#include "kx/xml/xml_error.hpp"

namespace kx {

/// The element's path from the root: tags joined by '/', with a 1-based position among
/// siblings of the same tag when there are several ("GeneticAlgorithm/Domain/Chromosomes/
/// Chromosome[2]/Genes/Bits").
std::string ElementPath(TKXXMLNode Node);
/// The path of an attribute: the element's path followed by "/@" and the attribute name.
std::string AttributePath(TKXXMLNode Element, const char* Attribute);

/// Raises the exception being handled again, of the same class, with Suffix appended to its
/// message, when it is one of TErrors (tried in order: list derived classes first); any other
/// passes unchanged. Call it from a catch block only.
template <class TError, class... TErrors>
[[noreturn]] void RethrowWithSuffix(const std::string& Suffix) {
  try {
    throw;
  } catch (const TError& E) {
    throw TError(E.what() + Suffix);
  } catch (...) {
    if constexpr (sizeof...(TErrors) > 0) {
      RethrowWithSuffix<TErrors...>(Suffix);
    } else {
      throw;
    }
  }
}

/// Raises the library error being handled again, of the same class, with " at " and Where
/// appended to its message: one of TLibraryErrors (the caller's module errors, derived
/// classes first), a conversion, document or list error. Exceptions of other classes (an
/// application handler's, a failed allocation) pass unchanged. Call it from a catch block.
template <class... TLibraryErrors>
[[noreturn]] void RethrowAt(const std::string& Where) {
  RethrowWithSuffix<TLibraryErrors..., EConvertError, EXMLError, EListError>(" at " + Where);
}

/// Text forms that a simple value element may hold.
enum class TXMLValueKind : std::uint8_t { vkInt32, vkUInt32, vkSingle, vkDouble };

/// One value element to check: where it is and the text form it must hold.
struct TXMLValueCheck {
  /// Path of the element below the checked element, tags separated by '/'.
  const char* Path;
  /// The text form the element must hold.
  TXMLValueKind Kind;
};

/// Converts the text of every listed element that exists and holds a value, as the
/// wrappers' getters would (a missing or blank element reads as 0); a text that does not
/// convert raises EConvertError naming the value and the element's path. Changes nothing.
void CheckValues(TKXXMLNode Element, std::initializer_list<TXMLValueCheck> Checks);

/// A signed 32-bit integer attribute or child element as the wrappers read it (missing or
/// blank: 0); text that does not convert raises EConvertError naming the value and the path.
std::int32_t CheckedInt32Attribute(TKXXMLNode Element, const char* Attribute);
/// The same check for the child element Tag.
std::int32_t CheckedInt32Element(TKXXMLNode Element, const char* Tag);

/// True when the two elements have the same content: the same children, attributes and
/// texts in the same order (their own tags may differ).
bool SameContent(TKXXMLNode A, TKXXMLNode B);

/// The position of the first ItemTag child of List whose content equals Item's
/// (SameContent), or -1 (also for a null Item): how a loader finds which loaded individual a
/// document's fittest individual was.
std::int32_t IndexOfSameContent(TKXXMLNode Item, TKXXMLNode List, const char* ItemTag);

/// Runs Apply, which loads a checked document into an object, so that a failure changes
/// nothing that the object's own document shows. TakeSnapshot first saves the object's
/// document; when Apply fails (an application handler raising, a check Apply makes itself),
/// Restore loads the snapshot back into the object and the error propagates. An object that
/// cannot save itself (TakeSnapshot raises) is loaded without a way back.
template <class TTakeSnapshot, class TApply, class TRestore>
void ApplyWithRollback(TTakeSnapshot&& TakeSnapshot, TApply&& Apply, TRestore&& Restore) {
  std::unique_ptr<TKXXMLDocument> snapshot;
  try {
    snapshot = TakeSnapshot();
  } catch (...) {
    // Deliberately ignored: the load itself is still wanted, only its undo is lost.
    snapshot.reset();
  }
  try {
    Apply();
  } catch (...) {
    if (snapshot) {
      try {
        Restore(*snapshot);
      } catch (...) {
        // The original error is the one worth reporting.
      }
    }
    throw;
  }
}

/// A text shortened for an error message.
std::string Excerpt(std::string_view Text);

}  // namespace kx
