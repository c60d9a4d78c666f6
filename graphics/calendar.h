// The month sheet: calendar rules and where each part of the sheet stands.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace kal {

// 0 for a month outside 1 to 12.
int days_in_month(std::int64_t year, int month);

// 1 Monday to 7 Sunday.
int weekday_monday_first(std::int64_t year, int month, int day);

struct MonthLayout {
  int right = 0, bottom = 0;  // E and B: the frame runs from (x - 5, y - 5) to (E + 5, B + 5)
  std::vector<Point> header;  // the seven initials, Monday first
  std::vector<Point> days;    // day 1 first
  std::vector<int> columns;   // each day's column, 7 for Sunday
};

// The sheet at (x, y) with the layout unit s: columns 2s + 2 apart, rows 2s apart, the header at y + 2s and
// the first day row at y + 4s.
MonthLayout month_layout(std::int64_t year, int month, int x, int y, int s);

}  // namespace kal
