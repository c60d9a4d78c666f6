#include "packer/pack.h"

#include <gtest/gtest.h>

#include <string>

#include "common/messages.h"
#include "launcher/packed_script.h"
#include "launcher/startup.h"
#include "tests/support/recording_platform.h"
#include "tests/support/tiny_program.h"

namespace kal {
namespace {

const std::string kFolder = "C:\\Mis documentos\\";
const std::string kScript = ".codigo;\r\n&t := ~hola;\r\n.aviso &t;\r\n.fin;\r\n";

pack::Packed packed(const pack::Options& o = {"factura.exe", "", "", ""}) {
  return pack::pack(test::tiny_program(), kScript, o);
}

// What a program of these bytes does when started as C:\Mis documentos\Factura 2026.exe.
test::RecordingPlatform started(const std::string& bytes) {
  test::RecordingPlatform p;
  p.own_path_value = kFolder + "Factura 2026.exe";
  p.put_file(p.own_path_value, bytes);
  p.put_file(kFolder + "otro.txt", ".codigo;\r\n&t := ~otro;\r\n.aviso &t;\r\n.fin;\r\n");
  run_program(p, "otro.txt");
  return p;
}

TEST(Packer, APackedProgramRunsItsScriptUnderAnyNameAndFindsDamage) {
  const pack::Packed made = packed();
  ASSERT_TRUE(made.refusal.empty()) << made.refusal;
  // The script after the image, as written, behind its header; the image gains the packed section.
  const std::optional<PeLayout> layout = pe_layout(made.program);
  ASSERT_TRUE(layout && layout->packed);
  EXPECT_EQ(made.program.substr(layout->image_end + kPackHeaderSize), kScript);
  EXPECT_EQ(pack::pack(test::tiny_program(), kScript, {"factura.exe", "", "", ""}).program, made.program);

  // Its own script, not the command line's, and no rename to KAL.exe.
  test::RecordingPlatform p = started(made.program);
  EXPECT_EQ(p.boxes(), (std::vector<std::pair<std::string, std::string>>{{"KAL", "hola"}}));
  EXPECT_NE(p.file(kFolder + "Factura 2026.exe"), nullptr);
  // KAL.exe itself is no packed program, whatever it is called.
  EXPECT_EQ(started(test::tiny_program()).boxes().size(), 0u);

  // Cut anywhere after the image, or changed: a box says so, and nothing runs.
  const std::vector<std::string> damaged = {
      made.program.substr(0, made.program.size() - 1), made.program.substr(0, layout->image_end + 10),
      made.program.substr(0, layout->image_end), made.program.substr(0, made.program.size() - 5) + "HOLA;"};
  for (const std::string& d : damaged)
    EXPECT_EQ(started(d).boxes(), (std::vector<std::pair<std::string, std::string>>{
                                      {"Programador", std::string(msg::kDamagedProgram)}}))
        << d.size();
}

TEST(Packer, RefusesWhatItCannotMakeAProgramOf) {
  EXPECT_FALSE(pack::pack("MZ no es un programa", kScript, {"a.exe", "", "", ""}).refusal.empty());
  EXPECT_FALSE(pack::pack(packed().program, kScript, {"a.exe", "", "", ""}).refusal.empty());  // packed twice
  for (const char* version : {"1.", ".1", "1.2.3.4.5", "1,2", "70000", "v1"})
    EXPECT_FALSE(packed({"a.exe", "", version, ""}).refusal.empty()) << version;
  for (const char* version : {"1", "1.2", "2026.12.9.1"})
    EXPECT_TRUE(packed({"a.exe", "", version, ""}).refusal.empty()) << version;
  EXPECT_FALSE(packed({"a.exe", "", "", "no es un icono"}).refusal.empty());
  EXPECT_FALSE(packed({"Kal.EXE", "", "", ""}).refusal.empty());  // the interpreter of its folder
  // A section that claims more bytes than the file holds: its program would call itself damaged.
  std::string claims = test::tiny_program();
  claims[0x148 + 18] = '\x10';
  EXPECT_FALSE(pack::pack(claims, kScript, {"a.exe", "", "", ""}).refusal.empty());
}

}  // namespace
}  // namespace kal
