// kaldebug.exe: KAL's debug adapter for editors, over the Debug Adapter Protocol on standard input and
// output. It runs a script with the same core and the same Windows platform as KAL.exe, so its boxes,
// dialogs, windows and files are the real ones, with the script's folder as the program folder; the editor
// sets breakpoints, steps, and reads the values.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "debug/session.h"
#include "platform/win32/win32_platform.h"
#include "rpc/transport.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::puts("kaldebug " KAL_VERSION);
    return 0;
  }
  kal::win32::use_extended_precision();
  const kal::rpc::ByteSink out = kal::rpc::standard_output();
  kal::debug::Session session(
      [](kal::debug::RunControl& s) -> std::unique_ptr<kal::Platform> {
        return std::make_unique<kal::debug::Debugged<kal::win32::Win32Platform>>(s);
      },
      [&out](const nlohmann::json& message) { kal::rpc::send(out, kal::rpc::json_text(message)); },
      kal::win32::use_extended_precision);
  kal::rpc::read_messages(
      kal::rpc::standard_input(),
      [&session](nlohmann::json& message) {
        session.handle(message);
        return !session.over();
      },
      [&session](kal::rpc::Fault fault) { session.bad_message(fault); });
  // A script may still wait in one of its boxes: the process ends without waiting for it.
  std::fflush(stdout);
  ExitProcess(0);
}
