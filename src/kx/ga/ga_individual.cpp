#include "kx/ga/ga_individual.hpp"

#include <typeinfo>

#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/ga/ga_population.hpp"
#include "kx/xml/ga_domain_xml.hpp"

namespace kx {

TKXGAIndividual::~TKXGAIndividual() = default;

std::unique_ptr<TKXGABits> TKXGAIndividual::CreateDNA() {
  return std::make_unique<TKXGABits>(this);
}

TKXGABits* TKXGAIndividual::Bits() const {
  if (!FBits) FBits = const_cast<TKXGAIndividual*>(this)->CreateDNA();
  return FBits.get();
}

void TKXGAIndividual::SetBits(const TKXEncodedBits& Value) {
  Bits()->Assign(Value);
  Modified();
}

void TKXGAIndividual::Assign(TKXPersistent* Source) {
  // Breeding copies a parent into a child of the same class for every child: the test of
  // the exact class is a comparison, so the class-tree search of the cast is left to other
  // sources.
  TKXGAIndividual* source = nullptr;
  if (Source != nullptr && typeid(*Source) == typeid(*this)) {
    source = static_cast<TKXGAIndividual*>(Source);
  } else {
    source = dynamic_cast<TKXGAIndividual*>(Source);
  }
  if (source != nullptr) Bits()->Assign(*source->Bits());
  TKXIndividual::Assign(Source);
}

std::string TKXGAIndividual::ToString() const { return ClassName() + " " + Bits()->ToString(); }

TKXGAPopulation* TKXGAIndividual::Collection() const noexcept {
  return dynamic_cast<TKXGAPopulation*>(TKXCollectionItem::Collection());
}

void TKXGAIndividual::LoadFromXML(const TXMLNode& Node) {
  if (TXMLChromosome::Supports(Node.Node())) LoadFromXML(TXMLChromosome(Node.Node()));
}

void TKXGAIndividual::SaveToXML(const TXMLNode& Node) {
  if (TXMLChromosome::Supports(Node.Node())) SaveToXML(TXMLChromosome(Node.Node()));
}

void TKXGAIndividual::LoadFromXML(const TXMLChromosome& Chromosome) {
  SetName(Chromosome.Name());
  TKXGABits* bits = Bits();
  bits->SetAsBitString(0, bits->Size(), Chromosome.Genes().Bits());
  Modified();
}

void TKXGAIndividual::SaveToXML(const TXMLChromosome& Chromosome) {
  Chromosome.SetName(DisplayName());
  Chromosome.SetFitness(static_cast<float>(Fitness()));
  const TXMLGenes genes = Chromosome.Genes();
  genes.SetBits(Bits()->ToBitString());
  TKXGAPopulation* population = Collection();
  TKXCustomGeneticAlgorithm* owner = population != nullptr ? population->Owner() : nullptr;
  if (owner != nullptr) owner->Genes()->SaveToXML(genes, this);
}

}  // namespace kx
