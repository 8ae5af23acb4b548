#include "search/name_key_sort.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tlv {

namespace {

// Key codes 1 to 9 compare among themselves by their bytes but with every other key by their
// word, which is not one order over all keys; ranking needs one, so those sorts compare pairs.
constexpr unsigned char kLastKeyCode = 9;

bool HasKeyCode(const std::vector<CollectionEntry>& entries) {
  return std::any_of(entries.begin(), entries.end(), [](const CollectionEntry& e) {
    const auto first = static_cast<unsigned char>(e.key[0]);
    return first >= 1 && first <= kLastKeyCode;
  });
}

uint32_t KeyBits(const char (&key)[4]) {
  uint32_t bits = 0;
  std::memcpy(&bits, key, sizeof bits);
  return bits;
}

int CompareKeyBits(uint32_t a, uint32_t b) {
  char ka[4], kb[4];
  std::memcpy(ka, &a, sizeof ka);
  std::memcpy(kb, &b, sizeof kb);
  return CompareNameKeys(ka, kb);
}

}  // namespace

void StableSortByNameKey(std::vector<CollectionEntry>& entries) {
  if (entries.size() < 2) return;
  if (HasKeyCode(entries)) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const CollectionEntry& a, const CollectionEntry& b) {
                       return CompareNameKeys(a.key, b.key) < 0;
                     });
    return;
  }
  // The distinct keys by their bytes, then ranked by the collection order: keys the order holds
  // equal share a rank.
  std::vector<uint32_t> distinct;
  distinct.reserve(entries.size());
  for (const CollectionEntry& e : entries) distinct.push_back(KeyBits(e.key));
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  std::vector<uint32_t> byOrder(distinct.size());
  for (size_t i = 0; i < byOrder.size(); ++i) byOrder[i] = static_cast<uint32_t>(i);
  std::sort(byOrder.begin(), byOrder.end(), [&distinct](uint32_t a, uint32_t b) {
    return CompareKeyBits(distinct[a], distinct[b]) < 0;
  });
  std::vector<uint32_t> rank(distinct.size());
  uint32_t current = 0;
  for (size_t j = 0; j < byOrder.size(); ++j) {
    if (j > 0 && CompareKeyBits(distinct[byOrder[j - 1]], distinct[byOrder[j]]) < 0) ++current;
    rank[byOrder[j]] = current;
  }
  // A counting sort by rank keeps equal keys in their present order.
  std::vector<uint32_t> entryRank(entries.size());
  std::vector<size_t> start(static_cast<size_t>(current) + 2, 0);
  for (size_t i = 0; i < entries.size(); ++i) {
    const auto at = std::lower_bound(distinct.begin(), distinct.end(), KeyBits(entries[i].key));
    entryRank[i] = rank[static_cast<size_t>(at - distinct.begin())];
    ++start[entryRank[i] + 1];
  }
  for (size_t r = 1; r < start.size(); ++r) start[r] += start[r - 1];
  std::vector<CollectionEntry> sorted(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) sorted[start[entryRank[i]]++] = entries[i];
  entries.swap(sorted);
}

}  // namespace tlv
