#include "debug/breakpoints.h"

#include <algorithm>
#include <array>

namespace kal::debug {
namespace {

struct Operator {
  std::string_view symbol, word;
  Comparison how;
};
constexpr std::array<Operator, 6> kOperators = {{{"=", ".cmp", Comparison::Same},
                                                 {"<>", ".dis", Comparison::Different},
                                                 {">", ".mar", Comparison::Greater},
                                                 {"<", ".mer", Comparison::Less},
                                                 {">=", ".mai", Comparison::GreaterOrEqual},
                                                 {"<=", ".mei", Comparison::LessOrEqual}}};

std::vector<std::string> words(std::string_view text) {
  std::vector<std::string> out;
  constexpr std::string_view kBlanks = " \t\r\n\v\f";
  for (std::size_t at = text.find_first_not_of(kBlanks); at != std::string_view::npos;) {
    const std::size_t end = text.find_first_of(kBlanks, at);
    out.emplace_back(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
    at = text.find_first_not_of(kBlanks, end == std::string_view::npos ? text.size() : end);
  }
  return out;
}

bool is_name(std::string_view operand) {
  return operand.size() > 1 && (operand[0] == '&' || operand[0] == '@' || operand[0] == '#');
}

// An operand's text: a name's value, a text without its "~" (with "_" a blank), or the number as written.
std::string operand_value(std::string_view operand, const ValueOf& value_of) {
  if (is_name(operand)) return value_of(operand).value_or(std::string());
  if (operand.starts_with('~')) {
    std::string text(operand.substr(1));
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
  }
  return std::string(operand);
}

}  // namespace

Placed place_breakpoint(const std::vector<std::size_t>& statement_lines, std::size_t line) {
  const auto at = std::find_if(statement_lines.begin(), statement_lines.end(),
                               [line](std::size_t starts) { return starts >= line; });
  if (at == statement_lines.end())
    return {false, line, 0,
            "No hay ninguna sentencia en la l\xEDnea " + std::to_string(line) + " ni despu\xE9s"};
  Placed placed{true, *at, static_cast<std::size_t>(at - statement_lines.begin()) + 1, {}};
  if (*at != line)
    placed.message = "Ninguna sentencia empieza en la l\xEDnea " + std::to_string(line) + ": se para en la " +
                     std::to_string(*at);
  return placed;
}

std::optional<Condition> parse_condition(std::string_view text, std::string* why) {
  const std::vector<std::string> w = words(text);
  auto fail = [why](std::string reason) -> std::optional<Condition> {
    if (why != nullptr) *why = std::move(reason);
    return std::nullopt;
  };
  if (w.size() != 3)
    return fail("Una condici\xF3n es una comparaci\xF3n de KAL: &total > 100, o .mar &total 100");
  for (const Operator& op : kOperators) {
    if (w[1] == op.symbol) return Condition{op.how, w[0], w[2]};
    if (w[0] == op.word) return Condition{op.how, w[1], w[2]};
  }
  return fail("No conozco la comparaci\xF3n " + w[1] +
              ": use = <> > < >= <= (o .cmp .dis .mar .mer .mai .mei)");
}

bool holds(const Condition& condition, const ValueOf& value_of) {
  return compare_values(condition.how, operand_value(condition.left, value_of),
                        operand_value(condition.right, value_of), 0) == 1;
}

std::string log_message(std::string_view message, const ValueOf& value_of) {
  std::string out;
  for (std::size_t i = 0; i < message.size();) {
    const std::size_t open = message.find('{', i);
    const std::size_t close = open == std::string_view::npos ? open : message.find('}', open);
    if (close == std::string_view::npos) {
      out.append(message.substr(i));
      break;
    }
    out.append(message.substr(i, open - i));
    const std::string_view name = message.substr(open + 1, close - open - 1);
    const std::optional<std::string> value = is_name(name) ? value_of(name) : std::nullopt;
    out.append(value ? std::string_view(*value) : message.substr(open, close - open + 1));
    i = close + 1;
  }
  return out;
}

}  // namespace kal::debug
