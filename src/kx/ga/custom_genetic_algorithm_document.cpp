// The genetic algorithm's documents: GeneticAlgorithm (header, reproduction, domain) and
// its GADomain part.

#include <cmath>
#include <cstdint>
#include <istream>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "kx/core/detail/fitness_snapshot.hpp"
#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/xml/ga_domain_xml.hpp"
#include "kx/xml/genetic_algorithm_xml.hpp"
#include "kx/xml/xml_check.hpp"
#include "kx/xml/xml_document.hpp"

namespace kx {

namespace {

// Puts back what rebuilding a gene from its element recomputes instead of reading: the
// width of an enumeration gene (rebuilt as its names need) and the range of a numeric gene
// (rebuilt as the natural range of its width). Elements the document lacks stay rebuilt.
void RestoreGeneDetails(TKXGAGene& Gene, TKXXMLNode Element) {
  if (!TXMLNumericGeneType::Supports(Element)) return;
  if (Gene.GeneType() == gtEnumeration && Element.Child("Size")) {
    Gene.SetSize(CheckedInt32Element(Element, "Size"));
  }
  if (!Element.Child("MinValue") || !Element.Child("MaxValue")) return;
  const TXMLNumericGeneType numeric(Element);
  const double low = numeric.MinValue();
  const double high = numeric.MaxValue();
  // Each range setter may move the other bound: a range at least as wide as the width's
  // natural one is reached by setting the minimum first, a narrower one by setting the
  // maximum first (the other order serves the ranges of enumeration genes).
  auto apply = [&](bool MaxFirst) {
    if (MaxFirst) {
      Gene.SetMaxValue(high);
      Gene.SetMinValue(low);
    } else {
      Gene.SetMinValue(low);
      Gene.SetMaxValue(high);
    }
  };
  const bool maxFirst = high - low < std::ldexp(1.0, Gene.Size());
  apply(maxFirst);
  if (Gene.MinValue() != low || Gene.MaxValue() != high) apply(!maxFirst);
}

void RestoreGenes(TKXGAGenes& Genes, TKXXMLNode GenoType) {
  std::int32_t index = 0;
  for (TKXXMLNode child = GenoType.FirstChild(); child; child = child.NextSibling()) {
    if (child.NodeType() != TXMLNodeType::ntElement) continue;
    if (index >= Genes.Count()) return;
    RestoreGeneDetails(*Genes.ItemAt(index++), child);
  }
}

// Checks the domain as LoadCheckedDocument applies it; raises naming the element.
void CheckDomain(TKXXMLNode Domain) {
  const TKXXMLNode genotype = Domain.Child("GenoType");
  const std::int32_t size = CheckedInt32Attribute(genotype, "Size");
  if (size < 0) {
    throw EGAException("Negative chromosome width " + std::to_string(size) + " at " +
                       AttributePath(genotype, "Size"));
  }
  try {
    CheckInRange(size, 0, MAX_GENE_SIZE, "GeneSize");
  } catch (...) {
    RethrowAt<EGAException>(AttributePath(genotype, "Size"));
  }
  for (TKXXMLNode child = genotype.FirstChild(); child; child = child.NextSibling()) {
    if (child.NodeType() != TXMLNodeType::ntElement) continue;
    if (!TXMLGeneType::Supports(child)) {
      throw EXMLError(std::string("Unexpected element \"") + std::string(child.NodeName()) +
                      "\" at " + ElementPath(child));
    }
    using enum TXMLValueKind;
    CheckValues(child, {{"MinValue", vkDouble}, {"MaxValue", vkDouble}});
    const std::int32_t geneSize = CheckedInt32Element(child, "Size");
    if (geneSize < 0) {
      throw EGAException("Negative gene size " + std::to_string(geneSize) + " at " +
                         ElementPath(child.Child("Size")));
    }
  }
  // The genes as they will load, in a genotype of their own, so that every gene setter's
  // check runs before the component changes.
  TKXGAGenes staged;
  if (!genotype) return;
  try {
    staged.LoadFromXML(TXMLGenoType(genotype));
    RestoreGenes(staged, genotype);
  } catch (...) {
    RethrowAt<EGAException>(ElementPath(genotype));
  }
  // Every chromosome takes the first one's width; the texts bound what loading allocates.
  std::optional<std::size_t> width;
  const TKXXMLNode chromosomes = Domain.Child("Chromosomes");
  for (TKXXMLNode chromosome = chromosomes.Child("Chromosome"); chromosome;
       chromosome = chromosome.NextSibling("Chromosome")) {
    const TKXXMLNode bits = chromosome.Child("Genes").Child("Bits");
    const std::string_view text = ElementText(bits);
    const std::string where = ElementPath(bits ? bits : chromosome);
    if (text.find_first_not_of("01") != std::string_view::npos) {
      throw EConvertError("\"" + Excerpt(text) + "\" is not a bit text at " + where);
    }
    if (!width) {
      width = text.size();
      if (*width > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) ||
          *width < static_cast<std::size_t>(staged.GetSize())) {
        throw EGAException("A chromosome of " + std::to_string(text.size()) +
                           " bits cannot hold its genes' " + std::to_string(staged.GetSize()) +
                           " bits at " + where);
      }
    } else if (text.size() != *width) {
      throw EGAException("A chromosome of " + std::to_string(text.size()) +
                         " bits where the first chromosome has " + std::to_string(*width) + " at " +
                         where);
    }
  }
}

}  // namespace

void TKXCustomGeneticAlgorithm::SaveToStream(std::ostream& Stream) {
  // The genotype element has no form for a gene of no known kind: leaving out one that holds
  // bits would move every later gene's field in the loaded component, so such a genotype is
  // refused before anything is written.
  for (std::int32_t i = 0; i < Genes()->Count(); ++i) {
    const TKXGAGene* gene = Genes()->ItemAt(i);
    if (gene->GeneType() == gtUnknown && gene->Size() > 0) {
      throw EGAException("Gene " + std::to_string(i) + " (\"" + gene->Name() +
                         "\") has no known kind, so a document cannot hold its " +
                         std::to_string(gene->Size()) + " bits");
    }
  }
  // GeneSize resizes the current population only, so a swap of the generations can bring
  // back chromosomes of another width; a document reads every chromosome at GeneSize.
  TKXGAPopulation* population = Population();
  for (std::int32_t i = 0; i < population->Count(); ++i) {
    const std::int32_t width = population->ItemAt(i)->Bits()->Size();
    if (width != FGeneSize) {
      throw EGAException("Chromosome " + std::to_string(i) + " has " + std::to_string(width) +
                         " bits where GeneSize is " + std::to_string(FGeneSize) +
                         ", so a document cannot hold it");
    }
  }
  TXMLDocumentBinding<TXMLGeneticAlgorithm> doc = NewGeneticAlgorithm();
  SaveToXML(doc.Root());
  doc.Document().SaveToStream(Stream);
}

void TKXCustomGeneticAlgorithm::LoadFromStream(std::istream& Stream) {
  TKXXMLDocument doc;
  doc.LoadFromStream(Stream);
  LoadCheckedDocument(doc);
}

void TKXCustomGeneticAlgorithm::LoadFromFile(const std::string& FileName) {
  TXMLDocumentBinding<TXMLGeneticAlgorithm> doc = LoadGeneticAlgorithm(FileName);
  LoadCheckedDocument(doc.Document());
}

void TKXCustomGeneticAlgorithm::LoadCheckedDocument(TKXXMLDocument& Doc) {
  const TXMLGeneticAlgorithm root = GetGeneticAlgorithm(Doc);
  CheckGeneticDocumentValues(root.Node());
  CheckDomain(root.Node().Child("Domain"));
  auto apply = [this](const TXMLGeneticAlgorithm& Root) {
    const TKXXMLNode domain = Root.Node().Child("Domain");
    const std::int32_t fittest = IndexOfSameContent(domain.Child("FittestIndividual"),
                                                    domain.Child("Chromosomes"), "Chromosome");
    LoadFromXML(Root);
    RestoreGenes(*Genes(), domain.Child("GenoType"));
    RestoreSavedStatistics(Root, fittest);
  };
  detail::TFitnessSnapshot fitnesses;
  ApplyWithRollback(
      [&] {
        fitnesses.Take(*Population());
        TXMLDocumentBinding<TXMLGeneticAlgorithm> snapshot = NewGeneticAlgorithm();
        SaveToXML(snapshot.Root());
        return snapshot.ReleaseDocument();
      },
      [&] {
        apply(root);
        // A chromosome can hold a field no gene can name (an enumeration index past its
        // names): such a document loads but could never be saved again, so it is refused.
        TXMLDocumentBinding<TXMLGeneticAlgorithm> probe = NewGeneticAlgorithm();
        SaveToXML(probe.Root());
      },
      [&](TKXXMLDocument& Snapshot) {
        RestoreWithoutHandlers([&] {
          apply(GetGeneticAlgorithm(Snapshot));
          fitnesses.PutBack(*Population());
        });
      });
}

void TKXCustomGeneticAlgorithm::SaveToXML(const TXMLGeneticAlgorithm& Doc) {
  TKXCustomGeneticComponent::SaveToXML(Doc);
  const TXMLGAReproductionType reproduction = Doc.Reproduction();
  reproduction.SetCrossoverMethod(EnumName(FCrossoverMethod));
  SaveReproductionToXML(reproduction);
  SaveToXML(Doc.Domain());
  SaveRunStateToXML(Doc);
}

void TKXCustomGeneticAlgorithm::LoadFromXML(const TXMLGeneticAlgorithm& Doc) {
  TKXCustomGeneticComponent::LoadFromXML(Doc);
  const TXMLGAReproductionType reproduction = Doc.Reproduction();
  // Value names are matched without regard to letter case; anything else keeps the method.
  if (const std::optional<TGACrossoverMethod> method =
          EnumFromNameIgnoreCase<TGACrossoverMethod>(reproduction.CrossoverMethod())) {
    FCrossoverMethod = *method;
  }
  LoadReproductionFromXML(reproduction);
  LoadFromXML(Doc.Domain());
  LoadRunStateFromXML(Doc);
}

void TKXCustomGeneticAlgorithm::SaveToXML(const TXMLGADomainType& Domain) {
  Genes()->SaveToXML(Domain.GenoType());
  // A fittest individual left in the previous generation (by a swap, or a generation that
  // failed while breeding) is not written: a loaded component holds the population alone.
  TKXGAIndividual* fittest = FittestIndividual();
  if (fittest != nullptr && fittest->Collection() == Population())
    fittest->SaveToXML(Domain.FittestIndividual());
  Population()->SaveToXML(Domain.Chromosomes());
}

void TKXCustomGeneticAlgorithm::LoadFromXML(const TXMLGADomainType& Domain) {
  // A component that was never initialized is initialized over the individuals it already
  // has, keeping InitialPopulation and the Generation the header set.
  InitializeForDocument();
  // The chromosomes are replaced below: emptied first, they need not follow the width
  // changes the genotype makes while it loads.
  Population()->Clear();
  Genes()->LoadFromXML(Domain.GenoType());
  const TXMLChromosomes chromosomes = Domain.Chromosomes();
  if (chromosomes.Count() > 0) {
    SetGeneSize(static_cast<std::int32_t>(chromosomes.Items(0).Genes().Bits().size()));
  }
  Population()->LoadFromXML(chromosomes);
  SetPreviousGeneration(Population());
}

}  // namespace kx
