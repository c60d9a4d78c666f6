// kalpack's reading of a Windows program (and of an icon) and a packed program's reading of its own file, on
// any bytes: none may crash or run away, and whatever kalpack makes carries its script back out whole.
#include <cstddef>
#include <cstdint>
#include <string>

#include "launcher/packed_script.h"
#include "packer/pack.h"
#include "tests/support/recording_platform.h"
#include "tests/support/tiny_program.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string own = "C:\\programa.exe";
  const std::string script = ".codigo;\r\n&t := ~hola;\r\n.aviso &t;\r\n.fin;\r\n";
  kal::test::RecordingPlatform p;
  p.put_file(own, bytes);
  (void)kal::packed_script(p, own);
  // Bytes that begin as a program are KAL.exe; any others are its icon.
  const bool program = bytes.starts_with("MZ");
  const kal::pack::Packed made = kal::pack::pack(program ? bytes : kal::test::tiny_program(), script,
                                                 {"programa.exe", "", "", program ? "" : bytes});
  if (made.program.empty()) return 0;
  p.put_file(own, made.program);
  const kal::PackedScript back = kal::packed_script(p, own);
  if (back.state != kal::PackedScript::State::Script || back.script != script) __builtin_trap();
  return 0;
}
