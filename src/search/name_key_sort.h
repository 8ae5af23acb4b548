// The collection's sort by name key, without a collating comparison per pair of entries: a
// search that collects 100,000 objects holds few distinct keys, so the keys are ranked once and
// the entries placed by rank.
#pragma once

#include <vector>

#include "search/collection.h"

namespace tlv {

// Orders entries as std::stable_sort with CompareNameKeys does: by key, equal keys in their
// present order.
void StableSortByNameKey(std::vector<CollectionEntry>& entries);

}  // namespace tlv
