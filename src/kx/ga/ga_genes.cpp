#include "kx/ga/ga_genes.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/xml/ga_domain_xml.hpp"

namespace kx {

TKXGAGenes::TKXGAGenes(TKXPersistent* Owner, TKXGeneClass GeneClass)
    : TKXOwnedCollection<TKXGAGene>(GeneClass, Owner),
      FAlgorithm(dynamic_cast<TKXCustomGeneticAlgorithm*>(Owner)) {}

namespace {

// Offset + Size of a gene, saturated: the size setters keep a genotype within
// MAX_GENE_SIZE, but genes moved in from elsewhere (AddItem, SetCollection) are not checked,
// and a saturated offset fails every chromosome access's range check instead of wrapping.
std::int32_t EndOf(const TKXGAGene& Gene) noexcept {
  const std::int64_t end = std::int64_t{Gene.Offset()} + Gene.Size();
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(end, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void TKXGAGenes::UpdateOffsets(std::int32_t Start) noexcept {
  const std::int32_t count = Count();
  if (count == 0) return;
  if (Start == 0) Start = 1;
  ItemAt(0)->SetOffset(0);
  for (std::int32_t i = Start; i < count; ++i) ItemAt(i)->SetOffset(EndOf(*ItemAt(i - 1)));
}

std::int32_t TKXGAGenes::GetSize() const noexcept {
  if (Count() == 0) return 0;
  return EndOf(*ItemAt(Count() - 1));
}

void TKXGAGenes::SizeChange(std::int32_t Index) {
  UpdateOffsets(Index + 1);
  if (FAlgorithm != nullptr) FAlgorithm->GenesSizeChange();
}

void TKXGAGenes::Notify(TKXCollectionItem* Item, TCollectionNotification Action) {
  TKXOwnedCollection<TKXGAGene>::Notify(Item, Action);
  UpdateOffsets(0);
  if (FAlgorithm != nullptr) FAlgorithm->GeneNotify(static_cast<TKXGAGene*>(Item), Action);
}

void TKXGAGenes::Update(TKXCollectionItem* Item) {
  if (Item == nullptr) UpdateOffsets(0);
  if (FAlgorithm != nullptr) FAlgorithm->GeneUpdate(static_cast<TKXGAGene*>(Item));
}

// --- Documents --------------------------------------------------------------------------------

namespace {

// Name and size of Gene into Element; the numeric kinds add range and signedness below.
void WriteGene(const TKXGAGene& Gene, const TXMLGeneType& Element) {
  Element.SetName(Gene.DisplayName());
  Element.SetSize(Gene.Size());
}

void WriteNumericGene(const TKXGAGene& Gene, const TXMLNumericGeneType& Element) {
  WriteGene(Gene, Element);
  Element.SetMinValue(Gene.MinValue());
  Element.SetMaxValue(Gene.MaxValue());
  Element.SetPreserveSignBit(Gene.PreserveSignBit());
}

// Rebuilds Gene (new, of unknown kind) from Node, a gene element. The kind comes last on purpose:
// setting it recomputes the range from the size and signedness, and every enumeration name
// added afterwards re-derives the width.
void ReadGene(TKXGAGene& Gene, TKXXMLNode Node) {
  const TXMLGeneType element(Node);
  Gene.SetName(element.Name());
  Gene.SetSize(element.Size());
  if (TXMLNumericGeneType::Supports(Node)) {
    const TXMLNumericGeneType numeric(Node);
    Gene.SetMinValue(numeric.MinValue());
    Gene.SetMaxValue(numeric.MaxValue());
    Gene.SetPreserveSignBit(numeric.PreserveSignBit());
  }
  if (TXMLBooleanGeneType::Supports(Node)) {
    Gene.SetGeneType(gtBoolean);
  } else if (TXMLFloatGeneType::Supports(Node)) {
    Gene.SetGeneType(gtFloat);
  } else if (TXMLIntegerGeneType::Supports(Node)) {
    Gene.SetGeneType(gtInteger);
  } else {
    Gene.SetGeneType(gtEnumeration);
    TKXStringList* names = Gene.Enumerations();
    for (TKXXMLNode item = Node.Child("Enumeration"); item;
         item = item.NextSibling("Enumeration")) {
      names->Add(TXMLStringItem::Read(item));
    }
  }
}

}  // namespace

void TKXGAGenes::LoadFromXML(const TXMLGenoType& GenoType) {
  if (FAlgorithm != nullptr) FAlgorithm->SetGeneSize(GenoType.Size());
  BeginUpdate();
  try {
    Clear();
    for (TKXXMLNode child = GenoType.Node().FirstChild(); child; child = child.NextSibling()) {
      if (child.NodeType() != TXMLNodeType::ntElement) continue;
      // Cast before adding, so that a stray element adds no empty gene.
      if (!TXMLGeneType::Supports(child)) XMLCastError(child, TXMLGeneType::TypeName);
      ReadGene(*Add(), child);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKXGAGenes::SaveToXML(const TXMLGenoType& GenoType) {
  for (std::int32_t i = 0; i < Count(); ++i) {
    TKXGAGene& gene = *ItemAt(i);
    switch (gene.GeneType()) {
      case gtBoolean:
        WriteGene(gene, GenoType.BooleanGene().Add());
        break;
      case gtInteger:
        WriteNumericGene(gene, GenoType.IntegerGene().Add());
        break;
      case gtFloat:
        WriteNumericGene(gene, GenoType.FloatGene().Add());
        break;
      case gtEnumeration: {
        const TXMLEnumerationGeneType element = GenoType.EnumerationGene().Add();
        WriteNumericGene(gene, element);
        const TXMLStringList items = element.Enumeration();
        const TKXStringList* names = gene.Enumerations();
        for (int n = 0; n < names->Count(); ++n) items.Add(names->Strings(n));
        break;
      }
      case gtUnknown:
        break;
    }
  }
  std::int32_t size = GetSize();
  if (size == 0 && FAlgorithm != nullptr && FAlgorithm->GeneSize() != 0) {
    size = FAlgorithm->GeneSize();
  }
  GenoType.SetSize(size);
}

void TKXGAGenes::SaveToXML(const TXMLGenes& Genes, TKXGAIndividual* Individual) {
  TKXEncodedBits& bits = *Individual->Bits();
  for (std::int32_t i = 0; i < Count(); ++i) {
    const TKXGAGene& gene = *ItemAt(i);
    switch (gene.GeneType()) {
      case gtBoolean:
        Genes.BooleanGeneValue().Add(gene.GeneAsBoolean(bits));
        break;
      case gtInteger:
        Genes.IntegerGeneValue().Add(gene.GeneAsInteger(bits));
        break;
      case gtFloat:
        Genes.FloatGeneValue().Add(gene.GeneAsFloat(bits));
        break;
      case gtEnumeration:
        Genes.EnumerationGeneValue().Add(gene.GeneAsEnumeration(bits));
        break;
      case gtUnknown:
        break;
    }
  }
}

}  // namespace kx
