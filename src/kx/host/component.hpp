#pragma once

#include <cstdint>
#include <string>

#include "kx/host/object.hpp"

namespace kx {

class TKXFiler;

/// State flags of a component.
enum class TComponentStateFlag : std::uint8_t { csDestroying = 1, csDesigning = 2 };

/// A host-framework component: it has an owner (not owning it), a name, state flags, and
/// published properties that component streaming writes and reads (see streaming.hpp).
class TKXComponent : public TKXPersistent {
 public:
  /// A component owned by AOwner (which does not own it in turn), with an empty name.
  explicit TKXComponent(TKXComponent* AOwner = nullptr) noexcept : FOwner(AOwner) {}
  ~TKXComponent() override = default;

  std::string ClassName() const override { return "TKXComponent"; }

  /// The component this one belongs to (not owning it), or nullptr.
  TKXComponent* Owner() const noexcept { return FOwner; }
  ///@{
  /// The name that streams, reports and lookups identify the component by.
  const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  ///@}

  /// True while the component is being destroyed.
  bool IsDestroying() const noexcept { return HasState(TComponentStateFlag::csDestroying); }
  /// True while a design-time host edits the component.
  bool IsDesigning() const noexcept { return HasState(TComponentStateFlag::csDesigning); }
  /// Switches the designing state, which a design-time host sets on the components it edits.
  void SetDesigning(bool Value) noexcept { SetState(TComponentStateFlag::csDesigning, Value); }

  /// Declares the published properties and the extra stream entries of the component to a
  /// filer (a writer or a reader of component streams). The base declares nothing: the
  /// name travels in the stream header.
  virtual void DefineProperties(TKXFiler& Filer);

 protected:
  TKXPersistent* GetOwner() const override { return FOwner; }
  /// Subclass destructors call it first so that notifications raised while tearing down
  /// can tell that the component is going away.
  void BeginDestroy() noexcept { SetState(TComponentStateFlag::csDestroying, true); }

 private:
  bool HasState(TComponentStateFlag Flag) const noexcept {
    return (FState & static_cast<std::uint8_t>(Flag)) != 0;
  }
  void SetState(TComponentStateFlag Flag, bool On) noexcept {
    if (On) {
      FState |= static_cast<std::uint8_t>(Flag);
    } else {
      FState &= static_cast<std::uint8_t>(~static_cast<std::uint8_t>(Flag));
    }
  }

  TKXComponent* FOwner;
  std::string FName;
  std::uint8_t FState = 0;
};

}  // namespace kx
