#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/database.h"
#include "database/records.h"
#include "tests/support/script_run.h"

namespace kal {
namespace {

using db::Field;
using test::ScriptRun;

Field field(std::int32_t id, std::string name, std::int16_t type, std::int16_t max,
            std::string choices = {}) {
  return Field{id, std::move(name), type, max, 0, std::move(choices)};
}

// A database "clientes" in the program folder with these fields.
void make_database(test::RecordingPlatform& p, const std::vector<Field>& fields, std::string data = {}) {
  std::string structure;
  for (const Field& f : fields) structure += db::encode_field(f);
  p.put_file("C:\\kal\\clientes\\clientes.z04", structure);
  p.put_file("C:\\kal\\clientes\\clientes.zbd", std::move(data));
}

const std::vector<Field> kFields = {field(1, "nombre", 3, 10), field(2, "edad", 1, 6),
                                    field(3, "color", 9, 20, " rojo|verde|azul ")};

TEST(DatabaseRecords, TheAnaExample) {
  const std::string bytes = db::encode_value(field(7, "nombre", 3, 10), "Ana", 4);
  ASSERT_EQ(bytes.size(), 3 * db::kDataRecordSize);
  const char letters[] = {'A', 'n', 'a'};
  for (int i = 0; i < 3; ++i) {
    const std::string_view r = std::string_view(bytes).substr(static_cast<std::size_t>(i) * 54, 54);
    EXPECT_EQ(r.substr(0, 4), std::string("\x07\0\0\0", 4));
    EXPECT_EQ(r[4], letters[i]);
    EXPECT_EQ(r.substr(5, 31), std::string("nombre") + std::string(25, '\0'));
    EXPECT_EQ(r.substr(36, 2), std::string("\x03\0", 2));
    EXPECT_EQ(r.substr(38, 2), std::string("\x0A\0", 2));
    EXPECT_EQ(r.substr(40, 8), std::string("\x04\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(r.substr(48, 2), std::string("\0\0", 2));
    EXPECT_EQ(r.substr(50, 4), std::string(i == 2 ? "\x01\0\0\0" : "\0\0\0\0", 4));
    const db::DataRecord d = db::decode_data(r);
    EXPECT_EQ(d.record_number, 4);
    EXPECT_EQ(d.last, i == 2 ? 1 : 0);
    EXPECT_EQ(d.name, "nombre");
  }
  EXPECT_TRUE(db::encode_value(field(1, "x", 3, 1), "", 1).empty());
}

TEST(DatabaseRecords, StructureRecordsAndOddNames) {
  const Field f = field(-5, "color", 9, 300, "rojo|verde");
  const std::string bytes = db::encode_field(f);
  ASSERT_EQ(bytes.size(), db::kStructureRecordSize);
  const Field back = db::decode_field(bytes);
  EXPECT_EQ(back.id, -5);
  EXPECT_EQ(back.name, "color");
  EXPECT_EQ(back.type, 9);
  EXPECT_EQ(back.max_length, 300);
  EXPECT_EQ(back.choices, "rojo|verde");
  // A name that fills its 31 bytes has no NUL: all 31 bytes are the name.
  std::string full = bytes;
  for (std::size_t i = 4; i < 35; ++i) full[i] = 'n';
  EXPECT_EQ(db::decode_field(full).name, std::string(31, 'n'));
}

TEST(DatabaseRules, NumbersChoicesAndLists) {
  EXPECT_EQ(db::numeric_text("12.500'75"), "12500.75");
  EXPECT_EQ(db::numeric_text("12.5"), "125");
  EXPECT_EQ(db::numeric_text("No datos"), "No datos");
  EXPECT_EQ(db::choice(" rojo|verde|azul ", "101"), "verde");
  EXPECT_EQ(db::choice("rojo|verde|azul", "98"), "azul");  // -1: the last
  EXPECT_EQ(db::choice("rojo|verde|azul", "100"), "rojo");
  EXPECT_EQ(db::choice("rojo|verde|azul", "99"), "");
  EXPECT_EQ(db::choice("rojo|verde|azul", "103"), "");
  EXPECT_EQ(db::choice("rojo|verde|azul", "No datos"), "");  // 0 - 99: not among three choices
  EXPECT_EQ(db::element_count(""), 1);
  EXPECT_EQ(db::element_count("uno|dos|tres"), 3);

  ScriptRun r(
      "&x := ~uno ; &l := %METER &x ; &x := ~dos ; &l := %METER &x ; &x := ~tres ; &l := %METER &x ; "
      "&n := %ARREGLON &l ; &e := %ARREGLON &vacio ;");
  r.run();
  EXPECT_EQ(r.variable("l"), "uno|dos|tres");
  EXPECT_EQ(r.variable("n"), "3");
  EXPECT_EQ(r.variable("e"), "1");
}

TEST(Database, StoringAndCounting) {
  // Lists hold "|", which no literal can: they are put in the variables before the run.
  ScriptRun r(
      "&r := %RECORD ; [clientes] ; &t0 := %TOTALREG ; &a := %INSERTAR &l1 ; &a := %INSERTAR &l2 ; "
      "&t := %TOTALREG ; &q := %RECORD ; @c %RECORD ;");
  make_database(r.platform, kFields);
  r.interpreter->variables.write(r.interpreter->variables.declare("l1"), "Ana|7|101");
  r.interpreter->variables.write(r.interpreter->variables.declare("l2"), "Luis|125'5|98");
  r.run();
  EXPECT_EQ(r.variable("r"), "0");
  EXPECT_EQ(r.variable("t0"), "0");
  EXPECT_EQ(r.variable("a"), "0");
  EXPECT_EQ(r.variable("t"), "2");
  EXPECT_EQ(r.variable("q"), "1");
  EXPECT_EQ(r.constant("c"), "1");
  const std::string* data = r.platform.file("C:\\kal\\clientes\\clientes.zbd");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->size(), (3 + 1 + 3 + 4 + 5 + 2) * db::kDataRecordSize);
  EXPECT_EQ(data->substr(0, 3 * 54), db::encode_value(kFields[0], "Ana", 1));
}

TEST(Database, ReadingFieldsAndTheSearchPosition) {
  std::string data;
  for (const auto& [n, name, age, colour] :
       std::vector<std::tuple<int, std::string, std::string, std::string>>{
           {1, "Ana", "7", "101"}, {2, "Luis", "12.500'75", "98"}, {3, "Eva", "", "100"}})
    data += db::encode_value(kFields[0], name, n) + db::encode_value(kFields[1], age, n) +
            db::encode_value(kFields[2], colour, n);
  ScriptRun r(
      "[clientes] ; &a := #nombre ; &b := #edad ; &c := #color ; &a2 := #nombre ; &p := 2 ; &x := %POSREG &p "
      "; "
      "&f := #color ; &d := #nombre ; &e := #edad ; &d2 := #nombre ; &p := 3 ; &x := %POSREG &p ; &g := "
      "#edad ; "
      "&h := #nombre ; &p := 1 ; &x := %POSREG &p ; &i := #nombre + ~_fin ; [clientes] ; &j := #nombre ; "
      "&k := #apellido ; &p := 9 ; &x := %POSREG &p ; &l := #nombre ;");
  make_database(r.platform, kFields, data);
  r.run();
  EXPECT_EQ(r.variable("a"), "Ana");
  EXPECT_EQ(r.variable("b"), "7");
  EXPECT_EQ(r.variable("c"), "verde");
  EXPECT_EQ(r.variable("a2"), "Ana");  // a field of the record read last reads whole again, in any order
  EXPECT_EQ(r.variable("d2"), "Luis");
  EXPECT_EQ(r.variable("d"), "Luis");
  EXPECT_EQ(r.variable("e"), "12500.75");
  EXPECT_EQ(r.variable("f"), "azul");
  EXPECT_EQ(r.variable("g"), "No datos");  // an empty value was never stored
  EXPECT_EQ(r.variable("h"), "Eva");
  EXPECT_EQ(r.variable("i"), "No datos fin");  // behind the search position until the next selector
  EXPECT_EQ(r.variable("j"), "Ana");
  EXPECT_EQ(r.variable("k"), "No datos");  // a name the structure does not have
  EXPECT_EQ(r.variable("l"), "No datos");
}

// Field reads and stores see the files as they are now, when another program has rewritten them with the same
// length or appended to them since the last read.
TEST(Database, ReadsSeeTheFilesAsTheyAreNow) {
  test::RecordingPlatform p;
  const std::string data = "C:\\kal\\clientes\\clientes.zbd";
  make_database(p, {kFields[0]}, db::encode_value(kFields[0], "1.5", 1));
  db::Database d(p, "C:\\kal\\", "clientes");
  d.select("clientes");
  EXPECT_EQ(d.read_field("nombre", false), "1.5");
  p.put_file(data, db::encode_value(kFields[0], "2.5", 1));
  d.select("clientes");
  EXPECT_EQ(d.read_field("nombre", false), "2.5");
  p.put_file("C:\\kal\\clientes\\clientes.z04", db::encode_field(field(1, "nombre", 1, 10)));
  EXPECT_EQ(d.read_field("nombre", false), "25");  // now a number field
  p.append_file(data, db::encode_value(kFields[0], "Rut", 2));
  d.current_record = 2;
  EXPECT_EQ(d.read_field("nombre", false), "Rut");
  d.insert("Eva");
  d.current_record = 3;
  EXPECT_EQ(d.read_field("nombre", false), "Eva");
}

// With the graphics window open, a field read lets the window handle one message per record it reads.
TEST(Database, ReadsServeTheWindow) {
  ScriptRun r("&w := 10 ; .ventana &w &w ; [clientes] ; &p := 2 ; &x := %POSREG &p ; &a := #nombre ;");
  make_database(r.platform, kFields,
                db::encode_value(kFields[0], "Ana", 1) + db::encode_value(kFields[0], "Eva", 2));
  r.platform.window_closes_after = 100;
  r.run();
  EXPECT_EQ(r.variable("a"), "Eva");
  // The user closes the window while the scan reads the third record: the program ends there.
  ScriptRun c("&w := 10 ; .ventana &w &w ; [clientes] ; &p := 2 ; &x := %POSREG &p ; &a := #nombre ;");
  make_database(c.platform, kFields,
                db::encode_value(kFields[0], "Ana", 1) + db::encode_value(kFields[0], "Eva", 2));
  c.platform.window_closes_after = 3;
  c.run();
  EXPECT_EQ(c.variable("a"), "(none)");
  EXPECT_EQ(c.platform.message_rounds, 3);
}

// The type of a name is that of its last structure record; the choices come from its last type-9 record.
TEST(Database, TheLastRecordOfANameWins) {
  ScriptRun r("[clientes] ; &a := #color ;");
  make_database(r.platform, {field(1, "color", 3, 5), field(2, "color", 9, 5, "rojo|verde")},
                db::encode_value(field(1, "color", 3, 5), "100", 1));
  r.run();
  EXPECT_EQ(r.variable("a"), "rojo");
}

TEST(Database, RefusalsWriteNothing) {
  struct Row {
    const char* list;
    const char* title;
    const char* text;
  };
  const Row rows[] = {
      {"Ana|7", "KAL",
       "El numero de campos de la base de dato clientes\r\nno es igual al numero de elementos del arreglo\r\n"
       "sintiendolo mucho no puedo archivar ..."},
      {"Anastasia Maria|1234567|101", "KAL",
       "nombre tiene 15 caracteres, limite 10\r\nedad tiene 7 caracteres, limite 6\r\n"
       "Sintiendolo mucho no puedo archivar ..."},
  };
  for (const Row& row : rows) {
    ScriptRun r("[clientes] ; &a := %INSERTAR &l ; &z := 1 ;");
    make_database(r.platform, kFields);
    const std::size_t l = r.interpreter->variables.declare("l");
    r.interpreter->variables.write(l, row.list);
    r.run();
    ASSERT_EQ(r.platform.boxes().size(), 1u) << row.list;
    EXPECT_EQ(r.platform.boxes()[0].first, row.title);
    EXPECT_EQ(r.platform.boxes()[0].second, row.text);
    EXPECT_EQ(*r.platform.file("C:\\kal\\clientes\\clientes.zbd"), "");
    EXPECT_EQ(r.variable("z"), "(none)");  // the run ended there
  }
}

// A data file whose last record was cut short (a crash, a full disk, another program): the next record is
// written over the stray bytes, at the record boundary, so that it and every later record read as stored.
TEST(Database, ANewRecordStartsAtTheRecordBoundary) {
  const Field nombre = field(1, "nombre", 3, 10);
  const std::string three = db::encode_value(nombre, "Ana", 1);
  ScriptRun r(
      "[clientes] ; &l := ~Eva ; &a := %INSERTAR &l ; &t := %TOTALREG ; &p := 2 ; &x := %POSREG &p ; "
      "&v := #nombre ; &l := ~Rut ; &b := %INSERTAR &l ; &p := 3 ; &x := %POSREG &p ; &w := #nombre ;");
  make_database(r.platform, {nombre}, three + "\x01\x02\x03\x04\x05");
  r.run();
  const std::string& data = *r.platform.file("C:\\kal\\clientes\\clientes.zbd");
  EXPECT_EQ(data.substr(0, 324), three + db::encode_value(nombre, "Eva", 2));
  EXPECT_EQ(data.substr(324), db::encode_value(nombre, "Rut", 3));
  EXPECT_EQ(r.variable("t"), "2");
  EXPECT_EQ(r.variable("x"), "1");
  EXPECT_EQ(r.variable("v"), "Eva");
  EXPECT_EQ(r.variable("w"), "Rut");
  EXPECT_TRUE(r.platform.boxes().empty());
}

// Storing waits while another program holds the data file (it is storing a record of its own), a millisecond
// at a time.
TEST(Database, StoringWaitsForAnotherProgramsRecord) {
  ScriptRun r("[clientes] ; &l := ~Eva ; &a := %INSERTAR &l ; &t := %TOTALREG ;");
  make_database(r.platform, {kFields[0]}, db::encode_value(kFields[0], "Ana", 1));
  r.platform.others_hold = 3;
  r.run();
  EXPECT_EQ(r.platform.pauses_ms, 3);
  EXPECT_EQ(r.variable("t"), "2");
  EXPECT_TRUE(r.platform.boxes().empty());
}

// A record the data file does not take leaves it byte for byte as it was, a record cut short included, and
// ends the run with a message: no room on the disk, a read-only file, a file some program never lets go.
TEST(Database, AFailedWriteLeavesTheFileAsItWas) {
  const std::string before = db::encode_value(kFields[0], "Ana", 1) + "\x01\x02\x03\x04\x05";
  enum class Cause { FullDisk, ReadOnly, HeldElsewhere };
  for (Cause cause : {Cause::FullDisk, Cause::ReadOnly, Cause::HeldElsewhere}) {
    ScriptRun r("[clientes] ; &a := %INSERTAR &l ; &z := 1 ;");
    make_database(r.platform, kFields, before);
    const std::size_t l = r.interpreter->variables.declare("l");
    r.interpreter->variables.write(l, "Eva|7|101");
    if (cause == Cause::FullDisk) r.platform.disk_space = before.size() + 20;  // part of the record fits
    if (cause == Cause::ReadOnly)
      r.platform.set_attributes("C:\\kal\\clientes\\clientes.zbd", attribute::kReadOnly);
    if (cause == Cause::HeldElsewhere) r.platform.others_hold = db::Database::kHoldTries;
    r.run();
    EXPECT_EQ(*r.platform.file("C:\\kal\\clientes\\clientes.zbd"), before);
    EXPECT_EQ(r.variable("z"), "(none)");
    EXPECT_EQ(r.platform.pauses_ms, cause == Cause::HeldElsewhere ? db::Database::kHoldTries - 1 : 0);
    ASSERT_EQ(r.platform.boxes().size(), 1u);
    EXPECT_EQ(r.platform.boxes()[0].first, "KAL");
    EXPECT_EQ(
        r.platform.boxes()[0].second,
        "No se pudo escribir en el fichero de datos de clientes\r\nSintiendolo mucho no puedo archivar ...");
  }
}

TEST(Database, CorruptFiles) {
  // A structure file with a partial last record has the whole records only; a data file with a partial last
  // record has its whole records; a negative maximum takes no value at all.
  ScriptRun r(
      "[clientes] ; &t := %TOTALREG ; &p := 5 ; &x := %POSREG &p ; &a := #nombre ; &l := ~x ; "
      "&b := %INSERTAR &l ;");
  std::string structure = db::encode_field(field(1, "nombre", 3, -1));
  structure += std::string(100, 'z');
  std::string data = db::encode_value(kFields[0], "Ana", 5) + std::string(20, '\x01');
  r.platform.put_file("C:\\kal\\clientes\\clientes.z04", structure);
  r.platform.put_file("C:\\kal\\clientes\\clientes.zbd", data);
  r.run();
  EXPECT_EQ(r.variable("t"), "5");
  EXPECT_EQ(r.variable("a"), "Ana");
  ASSERT_EQ(r.platform.boxes().size(), 1u);
  EXPECT_EQ(r.platform.boxes()[0].second,
            "nombre tiene 1 caracteres, limite -1\r\nSintiendolo mucho no puedo archivar ...");
}

TEST(Database, RootsAndMissingDatabases) {
  ScriptRun r(
      "[clientes] ; &p := ~C:\\otra\\ ; &a := %RUTABD &p ; &t := %TOTALREG ; &p := ~C:\\vacia\\ ; "
      "&b := %RUTABD &p ;");
  r.platform.put_file("C:\\otra\\clientes\\clientes.z04", db::encode_field(kFields[0]));
  r.platform.put_file("C:\\otra\\clientes\\clientes.zbd", db::encode_value(kFields[0], "x", 8));
  r.platform.put_folder("C:\\vacia");
  r.run();
  EXPECT_EQ(r.variable("a"), "1");
  EXPECT_EQ(r.variable("t"), "8");
  EXPECT_EQ(r.variable("b"), "(none)");
  EXPECT_EQ(r.interpreter->database.root, "C:\\otra\\");  // unchanged by the refused one
  ASSERT_EQ(r.platform.boxes().size(), 1u);
  EXPECT_EQ(r.platform.boxes()[0].first, "Programador");

  // A missing data file is created empty by the first statement that opens it.
  ScriptRun s("[clientes] ; &t := %TOTALREG ;");
  s.platform.put_file("C:\\kal\\clientes\\clientes.z04", db::encode_field(kFields[0]));
  s.run();
  EXPECT_EQ(s.variable("t"), "0");
  EXPECT_NE(s.platform.file("C:\\kal\\clientes\\clientes.zbd"), nullptr);
}

}  // namespace
}  // namespace kal
