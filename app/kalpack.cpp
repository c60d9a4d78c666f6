// kalpack: makes one Windows program of a KAL script, to hand to someone who has never heard of KAL:
//
//   kalpack [--salida PROGRAMA.exe] [--icono ICONO.ico] [--descripcion TEXTO] [--version 1.2]
//           [--kal KAL.exe] SCRIPT.txt
//
// The script is checked first by kalcheck beside kalpack, which shows every problem: with an error it is
// refused; warnings are shown and it is packed. (Asking kalcheck keeps kalpack small: the checker brings the
// whole interpreter along.) The program is KAL.exe beside kalpack (or --kal) with the script after
// it (see launcher/packed_script.h); it is written beside the script, as SCRIPT.exe, unless --salida names
// it. Exit code 0 when made, 1 when the script has an error, 2 when something cannot be read or written.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/cp1252.h"
#include "common/limits.h"
#include "packer/pack.h"
#include "platform/host_files.h"

namespace {

constexpr std::uint64_t kMaxKalExe = 64u << 20;
constexpr std::uint64_t kMaxIcon = 4u << 20;

std::optional<std::string> read(const std::string& path, std::uint64_t limit, const char* what) {
  kal::host::Seen seen;
  std::optional<std::string> bytes = kal::host::read_regular_file(path, limit, seen);
  if (!bytes)
    std::fprintf(stderr, "kalpack: no se puede leer %s %s (o pasa de %llu MB)\n", what, path.c_str(),
                 static_cast<unsigned long long>(limit >> 20));
  return bytes;
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The script checked by kalcheck, which prints its problems: its exit code, or 2 when it cannot be asked.
int checked(const std::string& folder, const std::string& script_path) {
#ifdef _WIN32
  const std::string kalcheck = folder + "kalcheck.exe";
#else
  const std::string kalcheck = folder + "kalcheck";
#endif
  std::fflush(stdout);
  const std::optional<int> code = kal::host::run_and_wait({kalcheck, script_path});
  if (!code)
    std::fprintf(stderr, "kalpack: no se puede comprobar el programa: falta %s (kalcheck va con kalpack)\n",
                 kalcheck.c_str());
  return code.value_or(2);
}

int usage() {
  std::fputs(
      "uso: kalpack [--salida PROGRAMA.exe] [--icono ICONO.ico] [--descripcion TEXTO] [--version 1.2]\n"
      "             [--kal KAL.exe] PROGRAMA.txt\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = kal::host::command_line(argc, argv);
  if (args.size() == 2 && args[1] == "--version") {
    std::puts("kalpack " KAL_VERSION);
    return 0;
  }
  kal::host::utf8_console();
  std::string script_path, out_path, icon_path, kal_path;
  kal::pack::Options options;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool valued =
        a == "--salida" || a == "--icono" || a == "--descripcion" || a == "--version" || a == "--kal";
    if (valued && i + 1 == args.size()) return usage();
    if (a == "--salida")
      out_path = args[++i];
    else if (a == "--icono")
      icon_path = args[++i];
    else if (a == "--descripcion")
      options.description = kal::cp1252::from_utf8(args[++i]);
    else if (a == "--version")
      options.version = args[++i];
    else if (a == "--kal")
      kal_path = args[++i];
    else if (!a.starts_with("--") && script_path.empty())
      script_path = a;
    else
      return usage();
  }
  if (script_path.empty()) return usage();
  if (out_path.empty()) {
    const std::size_t dot = script_path.find_last_of('.');
    const bool extension = dot != std::string::npos && dot > script_path.find_last_of("/\\") + 1;
    out_path = (extension ? script_path.substr(0, dot) : script_path) + ".exe";
  }
  const std::string own = kal::host::own_program();
  const std::string own_folder = folder_of(own.empty() ? args[0] : own);
  if (kal_path.empty()) kal_path = own_folder + "KAL.exe";
  options.file_name = out_path.substr(folder_of(out_path).size());
  // The program never takes the place of what it is made from: the script, or KAL.exe (whose name would also
  // make it the interpreter of the folder it lands in).
  const std::string lower_name = kal::cp1252::lower(options.file_name);
  if (lower_name == "kal.exe" || out_path == script_path || out_path == kal_path) {
    std::fprintf(stderr, "kalpack: el programa no puede llamarse %s: elija otro nombre con --salida\n",
                 options.file_name.c_str());
    return 2;
  }

  const std::optional<std::string> script =
      read(script_path, kal::limits::kMaxToolScriptBytes, "el programa");
  if (!script) return 2;
  if (const int code = checked(own_folder, script_path); code != 0) {
    if (code == 1)
      std::fprintf(stderr, "kalpack: %s tiene errores: no se hace el programa\n", script_path.c_str());
    return code == 1 ? 1 : 2;
  }
  // What was checked is what is packed: a file changed meanwhile is checked again by a second run.
  if (read(script_path, kal::limits::kMaxToolScriptBytes, "el programa") != script) {
    std::fprintf(stderr, "kalpack: %s cambi\xC3\xB3 mientras se comprobaba: vuelva a empezar\n",
                 script_path.c_str());
    return 2;
  }
  const std::optional<std::string> kal_exe = read(kal_path, kMaxKalExe, "");
  if (!kal_exe) return 2;
  if (!icon_path.empty()) {
    const std::optional<std::string> icon = read(icon_path, kMaxIcon, "el icono");
    if (!icon) return 2;
    options.icon = *icon;
  }
  const kal::pack::Packed packed = kal::pack::pack(*kal_exe, *script, options);
  if (packed.program.empty()) {
    std::fprintf(stderr, "kalpack: %s\n", kal::cp1252::to_utf8(packed.refusal).c_str());
    return 2;
  }
  if (!kal::host::write_whole_file(out_path, packed.program)) {
    std::fprintf(stderr, "kalpack: no se puede escribir %s\n", out_path.c_str());
    return 2;
  }
  std::printf("kalpack: %s (%zu bytes)\n", out_path.c_str(), packed.program.size());
  return 0;
}
