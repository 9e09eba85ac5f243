#pragma once

// Umbrella header: every public header of the library.

#include "kx/core/consts.hpp"
#include "kx/core/genetic_component.hpp"
#include "kx/core/genetic_events.hpp"
#include "kx/core/individual.hpp"
#include "kx/core/population.hpp"
#include "kx/host/collection.hpp"
#include "kx/host/component.hpp"
#include "kx/host/dictionary.hpp"
#include "kx/host/encoded_bits.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/number_text.hpp"
#include "kx/host/object.hpp"
#include "kx/host/parallel_for.hpp"
#include "kx/host/priority_queue.hpp"
#include "kx/host/random.hpp"
#include "kx/host/streaming.hpp"
#include "kx/host/string_list.hpp"
#include "kx/host/variant.hpp"
