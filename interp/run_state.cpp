#include "interp/run_state.h"

#include "values/value.h"

namespace kal {
namespace {

std::vector<ShownValue> shown_store(const VariableStore& store) {
  std::vector<ShownValue> list;
  list.reserve(store.size());
  for (std::size_t slot = 1; slot <= store.size(); ++slot)
    list.push_back(shown_value(store.name(slot), store.value(slot)));
  return list;
}

std::string size_of(const Surface& s) {
  return s.id == 0 ? std::string("ninguna") : std::to_string(s.width) + " x " + std::to_string(s.height);
}

}  // namespace

ShownValue shown_value(std::string name, std::string_view stored) {
  const std::string_view value = working_text(stored);
  return {std::move(name), std::string(value), std::string(class_name(value))};
}

RunState run_state(const Interpreter& in) {
  RunState state;
  state.variables = shown_store(in.variables);
  state.constants = shown_store(in.constants);
  state.flag = in.comparison_flag;
  state.database = in.database.name;
  state.record = in.database.current_record;
  state.search = in.database.search_position;
  // The graphics: the window and the picture, and the picture's drawing state as the drawing commands set it.
  const Surface& picture = in.graphics.picture();
  const DrawingState& d = picture.state;
  state.rows = {
      {"indicador", std::to_string(state.flag)},
      {"base de datos", state.database},
      {"registro", std::to_string(state.record)},
      {"b\xFAsqueda", std::to_string(state.search)},
      {"ventana", size_of(in.graphics.window())},
      {"imagen", size_of(picture)},
      {"color", std::to_string(d.foreground) + " sobre " + std::to_string(d.background) +
                    (d.transparent ? " (fondo transparente)" : "")},
      {"pluma", std::to_string(d.pen_width)},
      {"posici\xF3n", std::to_string(d.position.x) + ", " + std::to_string(d.position.y)},
      {"fuente", d.font ? d.font->face : std::string("la del sistema")},
  };
  return state;
}

}  // namespace kal
