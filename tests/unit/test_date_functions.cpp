#include "values/date_functions.h"

#include <gtest/gtest.h>

#include "tests/support/script_run.h"

namespace kal {
namespace {

using test::ScriptRun;

TEST(Dates, TodayIsDayMonthYear) {
  EXPECT_EQ(date_text(6, 12, 2026), "06/12/2026");
  EXPECT_EQ(date_text(31, 1, 987), "31/01/0987");

  ScriptRun r("&h %TODAY ; @c %TODAY ; @k %TODAY ;");
  const std::size_t kept = r.interpreter->constants.declare("k");
  r.interpreter->constants.write(kept, "01/01/2000");
  r.run();
  EXPECT_EQ(r.variable("h"), "07/12/2026");
  EXPECT_EQ(r.constant("c"), "07/12/2026");
  EXPECT_EQ(r.constant("k"), "01/01/2000");  // a constant takes a date only while empty
}

TEST(Dates, WeekdayNames) {
  struct Row {
    const char* date;
    const char* name;
  };
  const Row rows[] = {
      {"25/12/2024", "Miercoles"},
      {"01/01/2000", "Sabado"},
      {"07/12/2026", "Lunes"},
      {"29/02/2024", "Jueves"},
      {"01/03/2024", "Viernes"},
      {"31/12/1999", "Viernes"},
      {"15/08/1947", "Viernes"},
      {"01.01-2000", "Sabado"},  // characters 3 and 6 are not looked at
      // A one-digit day or month is read by the separators; any other shape by the positions.
      {"1/1/2026", "Jueves"},
      {"5/3/2027", "Viernes"},
      {"5/03/2024", "Martes"},
      {"12/1/2026", "Lunes"},
      {"1-12-2026", "Martes"},
      {"123/4/2024", "Jueves"},
      {" 1/01/2026", "Jueves"},
      {"07/07/x2024", "Domingo"},
      {"", "Miercoles"},          // every part 0
      {"-9/03/0000", "Domingo"},  // w = -7 before the weeks are added
      {"-9/-9/0000", "Sabado"},   // w = -8
      {"01/01/9E99", "Domingo"},  // the year held to 32767
  };
  for (const Row& r : rows) EXPECT_EQ(weekday_name(r.date), r.name) << r.date;
}

TEST(Dates, MonthNames) {
  const char* names[] = {"Enero", "Febrero", "Marzo",      "Abril",   "Mayo",      "Junio",
                         "Julio", "Agosto",  "Septiembre", "Octubre", "Noviembre", "Diciembre"};
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(month_name(m), names[m - 1]);
  EXPECT_EQ(month_name(0), "");
  EXPECT_EQ(month_name(13), "");
  EXPECT_EQ(month_name(-1), "");

  ScriptRun r("&a := 2.4 ; &m := %MONTHNAME &a ; &b := 12.5 ; &n := %MONTHNAME &b ; &o := %MONTHNAME &c ;");
  r.run();
  EXPECT_EQ(r.variable("m"), "Febrero");
  EXPECT_EQ(r.variable("n"), "Diciembre");  // 12.5 rounds to 12
  EXPECT_EQ(r.variable("o"), "");
}

TEST(NumberNotations, EnglishSpanishAndApostrophe) {
  struct Row {
    const char* text;
    const char* english;
    const char* spanish;
    const char* apostrophe;
  };
  const Row rows[] = {
      {"1234.50", "1,234.50", "1.234,50", "1.234'50"},
      {"1234567.125", "1,234,567.125", "1.234.567,125", "1.234.567'125"},
      {"12.", "12.0", "12,0", "12'0"},
      {"1234567", "1,234,567", "1.234.567,0", "1.234.567'0"},
      {"1234.5", "1,234.5", "1.234,5", "1.234'5"},
      {"1234", "1,234", "1.234,0", "1.234'0"},
      {"1,234,567.89", "1,234,567.89", "1.234.567,89", "1.234.567'89"},
      {"1.234,5", "1.2345", "1,2345", "1'2345"},  // commas go before the classes are tested
      {"0", "", ",0", "'0"},
      {"0.5", ".5", ",5", "'5"},
      {"007", "7", "7,0", "7'0"},
      {"999", "999", "999,0", "999'0"},
      {"1000", "1,000", "1.000,0", "1.000'0"},
      {"-5", "0", "0", "0"},
      {".5", "0", "0", "0"},
      {"", "0", "0", "0"},
      {"abc", "0", "0", "0"},
      {"1.2.3", "0", "0", "0"},
      {"12345678901234567890123", "12,345,678,901,234,567,890,123", "12.345.678.901.234.567.890.123,0",
       "12.345.678.901.234.567.890.123'0"},  // every digit as written
  };
  for (const Row& r : rows) {
    EXPECT_EQ(number_notation(r.text, kEnglish), r.english) << r.text;
    EXPECT_EQ(number_notation(r.text, kSpanish), r.spanish) << r.text;
    EXPECT_EQ(number_notation(r.text, kSpanishApostrophe), r.apostrophe) << r.text;
  }
  EXPECT_EQ(without_commas("1,234.5"), "1234.5");
  EXPECT_EQ(without_commas("abc"), "abc");
  EXPECT_EQ(without_commas(",,"), "");
}

}  // namespace
}  // namespace kal
