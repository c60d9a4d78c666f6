#include "interp/variable_store.h"

namespace kal {

std::size_t VariableStore::declare(std::string_view name) {
  if (std::size_t slot = index(name)) return slot;
  if (slots_.size() >= capacity_) return 0;
  Slot& s = slots_.emplace_back();
  s.name = name;
  by_name_.insert(s.name, slots_.size());
  return slots_.size();
}

std::size_t VariableStore::index(std::string_view name) const {
  return by_name_.find(name, 0);
}

void VariableStore::write(std::size_t slot, std::string_view text) {
  std::string& value = slots_[slot - 1].value;
  if (rule_ == WriteRule::Once && !value.empty()) return;
  value.assign(text);  // assign copes with a text that lies inside this very value
}

}  // namespace kal
