#include "kx/gp/gp_population.hpp"

#include "kx/host/variant.hpp"

namespace kx {

template <class T>
TKXGPPopulation<T>::TKXGPPopulation(TKXItemClass ItemClass, TKXPersistent* Owner)
    : TKXPopulation(ItemClass, Owner) {}

template <class T>
IKXGeneticProgramEngine<T>* TKXGPPopulation<T>::Engine() const noexcept {
  return dynamic_cast<IKXGeneticProgramEngine<T>*>(TKXCollection::Owner());
}

template class TKXGPPopulation<TGAFloat>;
template class TKXGPPopulation<TKXVariant>;

}  // namespace kx
