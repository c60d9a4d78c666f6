#include "graphics/calendar.h"

#include "graphics/drawing_rules.h"

namespace kal {

int days_in_month(std::int64_t year, int month) {
  switch (month) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
      return 31;
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    case 2:
      return (year % 400 == 0 || (year % 4 == 0 && year % 100 != 0)) ? 29 : 28;
    default:
      return 0;
  }
}

int weekday_monday_first(std::int64_t year, int month, int day) {
  std::int64_t m = month - 2;
  std::int64_t a = year;
  if (m <= 0) {
    m += 12;
    a -= 1;
  }
  const std::int64_t y2 = a % 100;
  const std::int64_t k = a / 100;
  std::int64_t w = (26 * m - 2) / 10 + day + y2 + y2 / 4 + k / 4 - 2 * k;
  if (w < 0) w += 7 * ((-w + 6) / 7);  // adding 7 while negative, in one step
  w %= 7;
  return w == 0 ? 7 : static_cast<int>(w);
}

MonthLayout month_layout(std::int64_t year, int month, int x, int y, int s) {
  MonthLayout l;
  // Worked in 64 bits: a sheet near the edge of the coordinates ends at that edge.
  const std::int64_t pitch = 2 * std::int64_t{s} + 2;
  const auto at = [&](std::int64_t dx, std::int64_t dy) {
    return Point{clamp_coordinate(x + dx), clamp_coordinate(y + dy)};
  };
  for (int n = 0; n < 7; ++n) l.header.push_back(at(n * pitch, 2 * std::int64_t{s}));
  l.right = clamp_coordinate(x + 7 * pitch);
  const int days = days_in_month(year, month);
  if (days == 0) return l;
  int column = weekday_monday_first(year, month, 1);
  std::int64_t row = 4 * std::int64_t{s};
  for (int day = 1; day <= days; ++day) {
    if (column > 7) {
      column = 1;
      row += 2 * std::int64_t{s};
    }
    l.days.push_back(at((column - 1) * pitch, row));
    l.columns.push_back(column);
    ++column;
  }
  l.bottom = clamp_coordinate(y + row + 2 * std::int64_t{s});
  return l;
}

}  // namespace kal
