// Program individuals and populations in domain documents: an individual is its name, its
// fitness and its tree as nested DNA; a population is a list of individual elements.

#include "kx/gp/gp_individual.hpp"
#include "kx/gp/gp_population.hpp"
#include "kx/host/variant.hpp"
#include "kx/xml/gp_domain_xml.hpp"

namespace kx {

template <class T>
void TKXGPIndividual<T>::LoadFromXML(const TXMLNode& Node) {
  if (TXMLIndividualType::Supports(Node.Node())) LoadFromXML(TXMLIndividualType(Node.Node()));
}

template <class T>
void TKXGPIndividual<T>::SaveToXML(const TXMLNode& Node) {
  if (TXMLIndividualType::Supports(Node.Node())) SaveToXML(TXMLIndividualType(Node.Node()));
}

template <class T>
void TKXGPIndividual<T>::LoadFromXML(const TXMLIndividualType& Element) {
  SetName(Element.Name());
  if (!FDNA) FDNA = CreateDNA();
  try {
    const TXMLDnaType dna = Element.DNA();
    if (FDNA->Instruction() == nullptr && dna.HasInstruction()) {
      // The root needs an instruction of the engine's set to resolve the names below it;
      // any one serves, as the root then resolves its own name like every node (an unnamed
      // instruction by its display name too). An empty set knows no name at all.
      if (TKXGPPopulation<T>* population = Collection()) {
        if (IKXGeneticProgramEngine<T>* engine = population->Engine()) {
          TKXGPInstructions<T>* set = engine->GetInstructions();
          FDNA->SetInstruction(set->Count() > 0 ? set->Items(0)
                                                : set->ItemByName(dna.Instruction()));
        }
      }
    }
    FDNA->LoadFromXML(dna);
  } catch (...) {
    FlattenDNA();
    throw;
  }
  FlattenDNA();
}

template <class T>
void TKXGPIndividual<T>::SaveToXML(const TXMLIndividualType& Element) {
  Element.SetName(Name());
  Element.SetFitness(static_cast<float>(Fitness()));
  const TXMLDnaType dna = Element.DNA();
  if (FDNA) FDNA->SaveToXML(dna);
}

template <class T>
void TKXGPPopulation<T>::LoadFromXML(const TXMLNode& Node) {
  if (TXMLGPPopulation::Supports(Node.Node())) LoadFromXML(TXMLGPPopulation(Node.Node()));
}

template <class T>
void TKXGPPopulation<T>::SaveToXML(const TXMLNode& Node) {
  if (TXMLGPPopulation::Supports(Node.Node())) SaveToXML(TXMLGPPopulation(Node.Node()));
}

template <class T>
void TKXGPPopulation<T>::LoadFromXML(const TXMLGPPopulation& Element) {
  BeginUpdate();
  try {
    Clear();
    for (const TXMLIndividualType individual : Element.Individual()) {
      Add()->LoadFromXML(individual);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

template <class T>
void TKXGPPopulation<T>::SaveToXML(const TXMLGPPopulation& Element) {
  for (int i = 0; i < Count(); ++i) ItemAt(i)->SaveToXML(Element.Add());
}

template void TKXGPIndividual<TGAFloat>::LoadFromXML(const TXMLNode&);
template void TKXGPIndividual<TGAFloat>::SaveToXML(const TXMLNode&);
template void TKXGPIndividual<TGAFloat>::LoadFromXML(const TXMLIndividualType&);
template void TKXGPIndividual<TGAFloat>::SaveToXML(const TXMLIndividualType&);
template void TKXGPPopulation<TGAFloat>::LoadFromXML(const TXMLNode&);
template void TKXGPPopulation<TGAFloat>::SaveToXML(const TXMLNode&);
template void TKXGPPopulation<TGAFloat>::LoadFromXML(const TXMLGPPopulation&);
template void TKXGPPopulation<TGAFloat>::SaveToXML(const TXMLGPPopulation&);

template void TKXGPIndividual<TKXVariant>::LoadFromXML(const TXMLNode&);
template void TKXGPIndividual<TKXVariant>::SaveToXML(const TXMLNode&);
template void TKXGPIndividual<TKXVariant>::LoadFromXML(const TXMLIndividualType&);
template void TKXGPIndividual<TKXVariant>::SaveToXML(const TXMLIndividualType&);
template void TKXGPPopulation<TKXVariant>::LoadFromXML(const TXMLNode&);
template void TKXGPPopulation<TKXVariant>::SaveToXML(const TXMLNode&);
template void TKXGPPopulation<TKXVariant>::LoadFromXML(const TXMLGPPopulation&);
template void TKXGPPopulation<TKXVariant>::SaveToXML(const TXMLGPPopulation&);

}  // namespace kx
