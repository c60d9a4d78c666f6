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
#include "lsp/message_reader.h"
#include "platform/win32/win32_platform.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::puts("kaldebug " KAL_VERSION);
    return 0;
  }
  kal::win32::use_extended_precision();
  const kal::lsp::ByteSink out = kal::lsp::standard_output();
  kal::debug::Session session(
      [](kal::debug::Session& s) -> std::unique_ptr<kal::Platform> {
        return std::make_unique<kal::debug::Debugged<kal::win32::Win32Platform>>(s);
      },
      [&out](const nlohmann::json& message) {
        const std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        out("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
      },
      kal::win32::use_extended_precision);
  kal::lsp::MessageReader reader(kal::lsp::standard_input());
  for (;;) {
    const kal::lsp::Incoming in = reader.next();
    if (in.kind == kal::lsp::Incoming::Kind::End) break;
    if (in.kind == kal::lsp::Incoming::Kind::BadHeader) {
      session.bad_message("un mensaje sin cabecera Content-Length");
      continue;
    }
    const kal::lsp::ParsedMessage message = kal::lsp::parse_message(in.body);
    if (message.refused != kal::lsp::ParsedMessage::Refused::No) {
      session.bad_message(message.refused == kal::lsp::ParsedMessage::Refused::TooDeep
                              ? "un mensaje anidado en exceso"
                              : "un mensaje que no es JSON");
      continue;
    }
    session.handle(message.value);
    if (session.over()) break;
  }
  // A script may still wait in one of its boxes: the process ends without waiting for it.
  std::fflush(stdout);
  ExitProcess(0);
}
