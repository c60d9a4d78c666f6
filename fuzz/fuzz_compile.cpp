// Reading, tokenizing and compiling any bytes as a script.
#include <cstddef>
#include <cstdint>
#include <string>

#include "compiler/label_table.h"
#include "compiler/statement_compiler.h"
#include "launcher/script_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = kal::join_lines(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto tokens = kal::tokenize(text, 100000);
  kal::OuterFormCounts counts;
  for (std::string_view t : tokens) counts.count(t);
  kal::StatementCompiler compiler;
  for (std::string_view t : tokens)
    if (!compiler.compile(t)) break;
  (void)kal::check_outer_form(tokens, counts);
  auto records = compiler.take_records();
  (void)kal::LabelTable::build(records);
  return 0;
}
