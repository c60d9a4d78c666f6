// A variable store: named text slots 1..capacity. The interpreter keeps two, one for ordinary variables (&)
// and one for write-once constants (@).
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

#include "common/name_index.h"

namespace kal {

class VariableStore {
 public:
  enum class WriteRule { Replace, Once };

  VariableStore(char sigil, WriteRule rule, std::size_t capacity)
      : sigil_(sigil), rule_(rule), capacity_(capacity) {}

  // The slot of the name, giving it the lowest free slot with an empty value when it has none. 0 when the
  // name is new and every slot is taken.
  std::size_t declare(std::string_view name);
  // The slot of the name, or 0.
  std::size_t index(std::string_view name) const;

  const std::string& value(std::size_t slot) const { return slots_[slot - 1].value; }
  // The name in a slot (1 to size()), for showing a store whole.
  const std::string& name(std::size_t slot) const { return slots_[slot - 1].name; }
  // Replaces the value; a write-once store keeps a value that is not empty. The text may be a view into any
  // value, this one included.
  void write(std::size_t slot, std::string_view text);

  char sigil() const { return sigil_; }
  std::size_t size() const { return slots_.size(); }
  std::size_t capacity() const { return capacity_; }

 private:
  struct Slot {
    std::string name;
    std::string value;
  };
  char sigil_;
  WriteRule rule_;
  std::size_t capacity_;
  // Slots never move once made, so the index can key on views of their names and handlers can hold views of
  // values while other slots are added.
  std::deque<Slot> slots_;
  // Names are never declared twice, so the slot a linear scan would find is the only one: an index gives the
  // same answer at constant cost.
  NameIndex<std::size_t> by_name_;
};

}  // namespace kal
