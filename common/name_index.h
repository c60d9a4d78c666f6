// A lookup table from short names to small numbers, for the lookups done once per statement (variable names,
// record shapes). Open addressing in one flat array: a lookup is one hash of a few bytes and usually one
// comparison, with no node to follow. The names are views: their owner keeps them alive and in place.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace kal {

template <class Value>
class NameIndex {
 public:
  // The value stored under the name, or `absent`.
  Value find(std::string_view name, Value absent) const {
    if (entries_.empty()) return absent;
    const std::uint32_t h = hash(name);
    for (std::size_t i = h & mask_;; i = (i + 1) & mask_) {
      const Entry& e = entries_[i];
      if (e.name.data() == nullptr) return absent;
      if (e.hash == h && same(e.name, name)) return e.value;
    }
  }

  // Stores the value under a name that is not there yet; a name already there keeps its first value.
  void insert(std::string_view name, Value value) {
    if ((count_ + 1) * 2 > entries_.size()) grow();
    const std::uint32_t h = hash(name);
    std::size_t i = h & mask_;
    for (; entries_[i].name.data() != nullptr; i = (i + 1) & mask_)
      if (entries_[i].hash == h && same(entries_[i].name, name)) return;
    entries_[i] = Entry{name.data() == nullptr ? std::string_view("", 0) : name, h, value};
    ++count_;
  }

  std::size_t size() const { return count_; }

 private:
  struct Entry {
    std::string_view name;  // data() == nullptr: a free place
    std::uint32_t hash = 0;
    Value value{};
  };

  // FNV-1a: names are a few bytes, where it beats longer-setup hashes.
  static std::uint32_t hash(std::string_view name) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : name) h = (h ^ c) * 16777619u;
    return h;
  }
  static bool same(std::string_view a, std::string_view b) {
    // memcmp must not see the null pointer of an empty view, even for no bytes.
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
  }

  void grow() {
    std::vector<Entry> old;
    old.swap(entries_);
    entries_.resize(old.empty() ? 16 : old.size() * 2);
    mask_ = entries_.size() - 1;
    count_ = 0;
    for (const Entry& e : old)
      if (e.name.data() != nullptr) insert(e.name, e.value);
  }

  std::vector<Entry> entries_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
};

}  // namespace kal
