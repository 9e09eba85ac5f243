// Reading one program tree (a "DNA" element) from any bytes against a fixed float
// instruction set: Add, Mul (arity 2), the variables x and y, the constant one.

#include <kx/kxevo.hpp>
#include <memory>

#include "fuzz_support.hpp"

namespace {

kx::TKXGPFloatInstructions& Vocabulary() {
  static kx::TKXGPFloatInstructions* Set = [] {
    auto* set = new kx::TKXGPFloatInstructions(nullptr);
    for (const char* name : {"Add", "Mul"}) {
      auto* function = set->Add();
      function->SetName(name);
      function->SetArity(2);
    }
    set->Add()->SetName("x");
    set->Add()->SetName("y");
    auto* one = set->Add();
    one->SetName("one");
    one->SetOperation(kx::gpConstant);
    one->SetValue(1.0);
    return set;
  }();
  return *Set;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  kx::TKXXMLDocument Document;
  if (kx_fuzz::Refused([&] { Document.LoadFromXML(kx_fuzz::Text(Data, Size)); })) return 0;
  // The node starts with a provisional instruction: the set the names are resolved in.
  auto Tree = std::make_unique<kx::TKXGPFloatNode>(Vocabulary().Items(2));
  if (kx_fuzz::Refused([&] { Tree->LoadFromXML(kx::TXMLDnaType(Document.DocumentElement())); })) {
    return 0;
  }
  (void)Tree->ToString();
  (void)Tree->Size();
  (void)Tree->Depth();
  return 0;
}
