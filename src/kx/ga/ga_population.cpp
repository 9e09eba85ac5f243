#include "kx/ga/ga_population.hpp"

#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/xml/ga_domain_xml.hpp"

namespace kx {

TKXGAPopulation::TKXGAPopulation(TKXPersistent* Owner)
    : TKXOwnedCollection<TKXGAIndividual, TKXPopulation>(ItemClassOf<TKXGAIndividual>(), Owner) {}

TKXCustomGeneticAlgorithm* TKXGAPopulation::Owner() const noexcept {
  return dynamic_cast<TKXCustomGeneticAlgorithm*>(TKXPopulation::Owner());
}

void TKXGAPopulation::LoadFromXML(const TXMLNode& Node) {
  if (TXMLChromosomes::Supports(Node.Node())) LoadFromXML(TXMLChromosomes(Node.Node()));
}

void TKXGAPopulation::SaveToXML(const TXMLNode& Node) {
  if (TXMLChromosomes::Supports(Node.Node())) SaveToXML(TXMLChromosomes(Node.Node()));
}

void TKXGAPopulation::LoadFromXML(const TXMLChromosomes& Chromosomes) {
  BeginUpdate();
  try {
    Clear();
    for (const TXMLChromosome chromosome : Chromosomes) Add()->LoadFromXML(chromosome);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKXGAPopulation::SaveToXML(const TXMLChromosomes& Chromosomes) {
  for (std::int32_t i = 0; i < Count(); ++i) ItemAt(i)->SaveToXML(Chromosomes.Add());
}

}  // namespace kx
