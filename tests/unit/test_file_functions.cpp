#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builtins/builtins.h"
#include "tests/support/script_run.h"

namespace kal {
namespace {

using test::ScriptRun;

// A script run over the recording platform's files, its program folder C:\kal\.
struct FileRun {
  FileRun() : run("") {}
  std::string call(std::string (*fn)(Interpreter&, Operands), std::vector<std::string_view> operands) {
    return fn(*run.interpreter, operands);
  }
  test::RecordingPlatform& fs() { return run.platform; }
  ScriptRun run;
};

TEST(FileFunctions, ReadingThroughThePathRule) {
  FileRun f;
  f.fs().put_file("C:\\kal\\datos.txt", "uno\r\ndos\r\ntres\r\n");
  f.fs().put_file("C:\\otra\\datos.txt", "fuera\r\n");
  EXPECT_EQ(f.call(fn_leertexto, {"datos.txt"}), "unodostres");
  EXPECT_EQ(f.call(fn_leertexto, {"C:\\otra\\datos.txt"}), "fuera");
  EXPECT_EQ(f.call(fn_leertexto, {"falta.txt"}), "");
  EXPECT_EQ(f.call(fn_leerlineatexto, {"datos.txt", "2"}), "dos");
  EXPECT_EQ(f.call(fn_leerlineatexto, {"datos.txt", "2.5"}), "dos");  // ties to even
  EXPECT_EQ(f.call(fn_leerlineatexto, {"datos.txt", "3.5"}), "");     // 4: beyond the last line
  EXPECT_EQ(f.call(fn_leerlineatexto, {"datos.txt", "abc"}), "");
  EXPECT_EQ(f.call(fn_leerlineatexto, {"falta.txt", "1"}), "");

  f.fs().put_file("C:\\kal\\grande.txt", std::string(70000, 'g'));
  EXPECT_EQ(f.call(fn_leertexto, {"grande.txt"}).size(), 63999u);
}

TEST(FileFunctions, WoutAppendsToTheProgramFolderOnly) {
  FileRun f;
  EXPECT_EQ(f.call(fn_wout, {"log.txt", "hola", "0"}), "1");
  EXPECT_EQ(f.call(fn_wout, {"log.txt", "hola", ""}), "1");
  EXPECT_EQ(*f.fs().file("C:\\kal\\log.txt"), "hola\r\nhola\r\n");
  EXPECT_EQ(f.call(fn_wout, {"C:\\x.txt", "hola", "0"}), "1");  // C:\kal\C:\x.txt is no valid path
  EXPECT_EQ(f.fs().file("C:\\x.txt"), nullptr);
  EXPECT_EQ(f.call(fn_wout, {"falta\\x.txt", "hola", "1"}), "1");
  EXPECT_FALSE(f.fs().events.empty());  // flag "1": opened even when nothing was written
  f.fs().events.clear();
  for (std::string_view flag : {"01", " 1", "1.0", "si"}) f.call(fn_wout, {"log.txt", "", flag});
  EXPECT_TRUE(f.fs().events.empty());
}

TEST(FileFunctions, ErrorNumbersOfFileOperations) {
  FileRun f;
  f.fs().put_file("C:\\kal\\a.txt", "uno");
  f.fs().put_file("C:\\kal\\b.txt", "dos");
  EXPECT_EQ(f.call(fn_copiaf, {"a.txt", "b.txt"}), "0");
  EXPECT_EQ(*f.fs().file("C:\\kal\\b.txt"), "uno");
  EXPECT_EQ(f.call(fn_copiaf, {"falta.txt", "c.txt"}), "53");
  EXPECT_EQ(f.call(fn_copiaf, {"a.txt", "falta\\c.txt"}), "76");
  EXPECT_EQ(f.call(fn_nombre, {"a.txt", "b.txt"}), "58");  // 75 (already exists) becomes 58
  EXPECT_EQ(f.call(fn_nombre, {"a*.txt", "c.txt"}), "64");
  EXPECT_EQ(f.call(fn_nombre, {"a.txt", "c?.txt"}), "64");
  // The length counts the program folder (7 characters) in front: 257 is too long, 256 is not.
  EXPECT_EQ(f.call(fn_nombre, {"a.txt", std::string(250, 'n')}), "64");
  EXPECT_EQ(f.call(fn_nombre, {"a.txt", std::string(249, 'n')}), "0");
  EXPECT_EQ(f.call(fn_nombre, {std::string(249, 'n'), "c.txt"}), "0");
  EXPECT_EQ(f.fs().file("C:\\kal\\a.txt"), nullptr);

  EXPECT_EQ(f.call(fn_atributo, {"c.txt", "1"}), "0");
  EXPECT_EQ(f.fs().node("C:\\kal\\c.txt")->attributes, attribute::kReadOnly);
  EXPECT_EQ(f.call(fn_atributo, {"c.txt", "255"}), "0");  // only 1, 2, 4 and 32 are set
  EXPECT_EQ(f.fs().node("C:\\kal\\c.txt")->attributes, 39u);
  EXPECT_EQ(f.call(fn_atributo, {"c.txt", "0"}), "0");
  EXPECT_EQ(f.fs().node("C:\\kal\\c.txt")->attributes, attribute::kNormal);
  EXPECT_EQ(f.call(fn_atributo, {"*.txt", "0"}), "64");
  EXPECT_EQ(f.call(fn_atributo, {"falta.txt", "0"}), "53");

  EXPECT_EQ(f.call(fn_carpeta, {"nueva"}), "0");
  EXPECT_EQ(f.call(fn_carpeta, {"nueva"}), "75");
  EXPECT_EQ(f.call(fn_carpeta, {"falta\\dentro"}), "76");
  EXPECT_EQ(f.call(fn_existe, {"nueva"}), "-1");
  EXPECT_EQ(f.call(fn_existe, {"nueva\\"}), "-1");
  EXPECT_EQ(f.call(fn_existe, {"c.txt"}), "-1");
  EXPECT_EQ(f.call(fn_existe, {"falta.txt"}), "0");
  EXPECT_EQ(f.call(fn_existe, {"C:\\"}), "-1");
}

TEST(FileFunctions, DeletingByPattern) {
  FileRun f;
  for (const char* name : {"a.log", "b.log", "c.log", "d.log"})
    f.fs().put_file(std::string("C:\\kal\\") + name, "x");
  f.fs().put_file("C:\\kal\\oculto.log", "h", attribute::kHidden);
  f.fs().put_file("C:\\kal\\sistema.log", "s", attribute::kSystem);
  f.fs().put_folder("C:\\kal\\carpeta.log");
  f.fs().put_file("C:\\kal\\c.log", "r", attribute::kReadOnly);

  EXPECT_EQ(f.call(fn_borraf, {"*.tmp"}), "53");
  EXPECT_EQ(f.call(fn_borraf, {"falta\\*.log"}), "53");
  // In name order: a and b go, the read-only c stops the work, so d stays.
  EXPECT_EQ(f.call(fn_borraf, {"*.log"}), "70");
  EXPECT_EQ(f.fs().file("C:\\kal\\a.log"), nullptr);
  EXPECT_EQ(f.fs().file("C:\\kal\\b.log"), nullptr);
  EXPECT_NE(f.fs().file("C:\\kal\\c.log"), nullptr);
  EXPECT_NE(f.fs().file("C:\\kal\\d.log"), nullptr);

  f.call(fn_atributo, {"c.log", "0"});
  EXPECT_EQ(f.call(fn_borraf, {"*.log"}), "0");
  EXPECT_EQ(f.fs().file("C:\\kal\\d.log"), nullptr);
  EXPECT_NE(f.fs().file("C:\\kal\\oculto.log"), nullptr);  // hidden, system and folders are passed over
  EXPECT_NE(f.fs().file("C:\\kal\\sistema.log"), nullptr);
  EXPECT_NE(f.fs().node("C:\\kal\\carpeta.log"), nullptr);
  EXPECT_EQ(f.call(fn_borraf, {"*.log"}), "0");  // every match passed over

  f.fs().put_file("C:\\kal\\solo.txt", "x");
  EXPECT_EQ(f.call(fn_borraf, {"solo.txt"}), "0");
  EXPECT_EQ(f.call(fn_borraf, {"solo.txt"}), "53");
}

TEST(FileFunctions, SizesAndListings) {
  FileRun f;
  f.fs().put_file("C:\\kal\\lista\\b.doc", "bb");
  f.fs().put_file("C:\\kal\\lista\\a.txt", "aaaaa");
  f.fs().put_file("C:\\kal\\lista\\h.txt", "", attribute::kHidden);
  f.fs().put_file("C:\\kal\\lista\\r.txt", "", attribute::kReadOnly);
  f.fs().put_folder("C:\\kal\\lista\\fotos");
  f.fs().put_folder("C:\\kal\\lista\\vacia");

  EXPECT_EQ(f.call(fn_pesof, {"lista\\a.txt"}), "5");
  EXPECT_EQ(f.call(fn_pesof, {"lista\\*.doc"}), "2");
  EXPECT_EQ(f.call(fn_pesof, {"lista\\fotos"}), "0");
  EXPECT_EQ(f.call(fn_pesof, {"lista\\falta.txt"}), "-1");
  EXPECT_EQ(f.call(fn_pesof, {"falta\\*.*"}), "-1");

  EXPECT_EQ(f.call(fn_listarfic, {"lista\\"}), "a.txt|b.doc|r.txt");
  EXPECT_EQ(f.call(fn_listardir, {"lista\\"}), "fotos|vacia");
  EXPECT_EQ(f.call(fn_listarfic, {"lista\\vacia\\"}), "vacio");
  EXPECT_EQ(f.call(fn_listardir, {"lista\\vacia\\"}), "vacio");
  EXPECT_EQ(f.call(fn_listardir, {"lis"}), "lista");  // "lis*.*" in the program folder
  EXPECT_EQ(f.call(fn_listarfic, {"falta\\"}), "vacio");

  // ".", ".." and a leading backslash lead where Windows takes them.
  EXPECT_EQ(f.call(fn_listardir, {".\\"}), "lista");
  EXPECT_EQ(f.call(fn_listarfic, {".\\lista\\"}), "a.txt|b.doc|r.txt");
  EXPECT_EQ(f.call(fn_listarfic, {"lista\\fotos\\..\\.\\"}), "a.txt|b.doc|r.txt");
  EXPECT_EQ(f.call(fn_leertexto, {"\\lista\\a.txt"}), "aaaaa");  // C:\kal\\lista\a.txt
  EXPECT_EQ(*f.fs().file("\\kal\\lista\\a.txt"), "aaaaa");
  EXPECT_EQ(f.call(fn_leertexto, {"..\\..\\..\\kal\\lista//a.txt"}), "aaaaa");  // never above the root
}

TEST(FileFunctions, ListingsStopAtTwoThousandNames) {
  FileRun f;
  for (int i = 0; i < 2500; ++i) f.fs().put_file("C:\\kal\\m\\f" + std::to_string(10000 + i) + ".txt", "");
  const std::string listed = f.call(fn_listarfic, {"m\\"});
  EXPECT_EQ(std::count(listed.begin(), listed.end(), '|'), 1999);
  EXPECT_TRUE(listed.starts_with("f10000.txt|f10001.txt|"));
  EXPECT_TRUE(listed.ends_with("|f11999.txt"));
}

TEST(FileFunctions, RemovableAndFixedDrives) {
  FileRun f;
  EXPECT_EQ(f.call(fn_listarunidad, {}), "C:\\|Z:\\");
  f.fs().drive_types = {{'A', 2}, {'C', 3}, {'D', 5}, {'E', 2}, {'N', 4}, {'R', 6}};
  EXPECT_EQ(f.call(fn_listarunidad, {}), "A:\\|C:\\|E:\\");
  f.fs().drive_types.clear();
  EXPECT_EQ(f.call(fn_listarunidad, {}), "");
}

}  // namespace
}  // namespace kal
