#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/description.h"
#include "database/records.h"

namespace kal::db {
namespace {

TEST(Description, ReadsOneFieldALineAndSkipsTheRest) {
  const Description d = read_description(
      "\xEF\xBB\xBF# clientes\r\nnombre 3 20\r\n\r\n   \t\n  color 9 10 rojo|verde claro\r\na\xC3\xB1o 1 4",
      false);
  ASSERT_EQ(d.line, 0u) << d.why;
  ASSERT_EQ(d.fields.size(), 3u);
  EXPECT_EQ(d.fields[0].id, 1);
  EXPECT_EQ(d.fields[0].name, "nombre");
  EXPECT_EQ(d.fields[0].max_length, 20);
  EXPECT_EQ(d.fields[1].type, kChoiceField);
  EXPECT_EQ(d.fields[1].choices, "rojo|verde claro");
  EXPECT_EQ(d.fields[2].id, 3);
  EXPECT_EQ(d.fields[2].name, "a\xF1o");  // stored as Windows-1252
}

TEST(Description, RefusesTheFirstBadLineAndSaysWhy) {
  struct Case {
    const char* text;
    bool cp1252;
    std::size_t line;
    const char* why;
  };
  const std::string long_name = std::string(31, 'n') + " 3 1";
  const std::string many_choices = "c 9 3 " + std::string(12001, 'x');
  const std::vector<Case> cases = {
      {"nombre 3 5x\n", false, 1, "se espera nombre"},
      {"nombre 3x 5\n", false, 1, "se espera nombre"},
      {"a 3 1\nb 10 1\n", false, 2, "tipo (0 a 9)"},
      {"a 3 32768\n", false, 1, "0 a 32767"},
      {"a -1 3\n", false, 1, "tipo (0 a 9)"},
      {"nombre 3 20\nedad 1 3\nnombre 3 5\n", false, 3, "el campo nombre ya est\xE1 descrito"},
      {"color 9 10\n", false, 1, "un campo de tipo 9 lleva sus opciones"},
      {long_name.c_str(), false, 1, "30 caracteres como mucho"},
      {many_choices.c_str(), false, 1, "y caben 12000"},
      {"# ansi\na\xF1o 1 4\n", false, 2,
       "a\xF1"
       "ada --cp1252"},                                                             // saved as ANSI
      {"euro\xE2\x82\xAC 3 1\nx \xE2\x80\x8B 1\n", false, 2, "no es texto UTF-8"},  // one Windows-1252 lacks
  };
  for (const Case& c : cases) {
    const Description d = read_description(c.text, c.cp1252);
    EXPECT_EQ(d.line, c.line) << c.text;
    EXPECT_NE(d.why.find(c.why), std::string::npos) << c.text << " -> " << d.why;
  }
  // What is refused as UTF-8 is read as the Windows-1252 it says it is.
  const Description ansi = read_description("a\xF1o 1 4\n", true);
  ASSERT_EQ(ansi.line, 0u);
  EXPECT_EQ(ansi.fields[0].name, "a\xF1o");
}

Field field(std::int32_t id, std::string name, std::int16_t type, std::int16_t max,
            std::string choices = {}) {
  return Field{id, std::move(name), type, max, 0, std::move(choices)};
}

TEST(Description, RecordsReadOtherwiseAreThoseHoldingAChangedField) {
  const std::vector<Field> before = {field(1, "nombre", 3, 10), field(2, "edad", 1, 3),
                                     field(3, "color", 9, 5, "rojo|azul")};
  const std::string data = encode_value(before[0], "Ana", 1) + encode_value(before[1], "40", 2) +
                           encode_value(before[2], "100", 3) + encode_value(before[0], "Luis", 4);
  // A longer text, and the same number read: nothing reads otherwise.
  EXPECT_EQ(records_read_otherwise(data, before, {field(1, "nombre", 3, 30), before[1], before[2]}), 0u);
  // edad read as a text, color with other choices, nombre gone: records 2, 3, then 1 and 4.
  EXPECT_EQ(records_read_otherwise(data, before, {before[0], field(2, "edad", 3, 3), before[2]}), 1u);
  EXPECT_EQ(
      records_read_otherwise(data, before, {before[0], before[1], field(3, "color", 9, 5, "azul|rojo")}), 1u);
  EXPECT_EQ(records_read_otherwise(data, before, {before[1], before[2]}), 2u);
  // A field named twice is read by its last record.
  EXPECT_EQ(records_read_otherwise(data, before, {before[0], field(2, "edad", 3, 3), before[1], before[2]}),
            0u);
  EXPECT_EQ(stored_fields(data).size(), 4u);
}

TEST(Description, RecordsAsCsv) {
  const std::vector<Field> fields = {field(1, "nombre", 3, 20), field(2, "precio", 1, 8),
                                     field(3, "color", 9, 5, "rojo|verde|azul")};
  const std::string data = encode_value(fields[0], "Ana, \"la\" de Luis", 1) +
                           encode_value(fields[1], "8.20", 1) + encode_value(fields[2], "101", 1) +
                           encode_value(fields[0], "Eva", 2) + encode_value(fields[1], "8'20", 2);
  EXPECT_EQ(records_csv(fields, data, false),
            "registro,nombre,precio,precio (KAL lee),color\r\n"
            "1,\"Ana, \"\"la\"\" de Luis\",8.20,820,verde\r\n"
            "2,Eva,8'20,8.20,\r\n");
  EXPECT_EQ(records_csv(fields, data.substr(0, data.size() - 4 * kDataRecordSize), true),
            "registro,nombre,precio,precio (KAL lee),color\r\n"
            "1,\"Ana, \"\"la\"\" de Luis\",8.20,820,101\r\n"
            "2,Eva,,No datos,\r\n");  // its price cut off
}

TEST(Description, SaysHowEachTypeReads) {
  EXPECT_NE(described(field(1, "p", 2, 8)).find("8.20 se lee 820"), std::string::npos);
  EXPECT_NE(described(field(1, "t", 5, 8)).find("texto de hasta 8 caracteres"), std::string::npos);
  EXPECT_NE(described(field(1, "f", kDateField, 10)).find("dd/mm/aaaa"), std::string::npos);
  EXPECT_NE(described(field(1, "c", kChoiceField, 5, "si|no")).find("opciones si|no"), std::string::npos);
}

}  // namespace
}  // namespace kal::db
