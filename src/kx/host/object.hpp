#pragma once

#include <string>

namespace kx {

/// Root of the library's class tree: every object knows the name of its run-time class,
/// which display names, document tags and error messages use.
class TKXObject {
 public:
  TKXObject() = default;
  TKXObject(const TKXObject&) = delete;
  TKXObject& operator=(const TKXObject&) = delete;
  virtual ~TKXObject() = default;

  /// The class name, for example "TKXGAIndividual"; every concrete class overrides it.
  virtual std::string ClassName() const { return "TKXObject"; }
};

/// An object whose state can be copied from another object of a compatible class.
class TKXPersistent : public TKXObject {
 public:
  std::string ClassName() const override { return "TKXPersistent"; }

  /// Copies Source into this object. The base asks Source to AssignTo this object, and
  /// that fails with EConvertError naming both classes; classes that know how to copy a
  /// source override Assign and hand other sources to the inherited one.
  virtual void Assign(TKXPersistent* Source);

 protected:
  /// Copies this object into Dest; the base raises EConvertError. Classes that can write
  /// themselves into another class (a string list into another list) override it.
  virtual void AssignTo(TKXPersistent* Dest);

  /// The object that owns this one for the host framework, or nullptr.
  virtual TKXPersistent* GetOwner() const { return nullptr; }

  /// Raises the unsupported-assignment error "Cannot assign a <Source> to a <Dest>".
  [[noreturn]] static void AssignError(const TKXPersistent* Source, const TKXPersistent* Dest);

  friend class TKXCollection;
};

}  // namespace kx
