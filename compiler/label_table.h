// Labels of a script: built once after compilation, read by every jump.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kal {

class LabelTable {
 public:
  // Registers every statement that is a single label token whose name is a plain name.
  static LabelTable build(const std::vector<std::string>& records);
  // A statement of a single label token, and whether it is registered (its name is a plain name: one with
  // "_", which became a blank, is not).
  static bool is_label_statement(std::string_view record);
  static bool registers(std::string_view record);
  // Whether a label of this name, as its record stores it ("_" already a blank), registers.
  static bool registers_name(std::string_view name);

  // The statement of the label with this name (exact, case-sensitive); with several, the last one. 0 when
  // none.
  std::int32_t find(std::string_view name) const;

 private:
  // Looks names up as string_view, so a jump builds no string.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  // A scan would give the last matching entry; the index keeps that answer at constant cost.
  std::unordered_map<std::string, std::int32_t, NameHash, std::equal_to<>> last_by_name_;
};

}  // namespace kal
