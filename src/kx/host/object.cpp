#include "kx/host/object.hpp"

#include "kx/host/exceptions.hpp"

namespace kx {

void TKXPersistent::Assign(TKXPersistent* Source) {
  if (Source == nullptr) AssignError(nullptr, this);
  Source->AssignTo(this);
}

void TKXPersistent::AssignTo(TKXPersistent* Dest) { AssignError(this, Dest); }

void TKXPersistent::AssignError(const TKXPersistent* Source, const TKXPersistent* Dest) {
  const std::string source = Source ? Source->ClassName() : std::string("nil");
  const std::string dest = Dest ? Dest->ClassName() : std::string("nil");
  throw EConvertError("Cannot assign a " + source + " to a " + dest);
}

}  // namespace kx
