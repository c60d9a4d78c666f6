// The debug adapter's side of a conversation on any byte stream: damaged frames, JSON that is no request,
// requests out of order or with arguments of any type must get answers or be passed over, never a crash, with
// a script running on its own thread meanwhile.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "debug/session.h"
#include "fuzz/fuzz_platform.h"
#include "rpc/transport.h"

namespace {

// A loop through a label with a box, a database read and an unknown label at its end: a run that stops, shows
// boxes and fails, within the fuzz platform's budgets.
constexpr char kScript[] =
    ".codigo;\r\n&n := 0;\r\n:otra;\r\n&n := &n + 1;\r\n.aviso &n;\r\n&tres := 3;\r\n.cmp &n &tres;\r\n"
    ".saltarcero :otra;\r\n[agenda];\r\n&x := #nombre;\r\n.saltar :nada;\r\n.fin;\r\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kal::debug::Session session(
      [](kal::debug::RunControl& s) {
        auto platform = std::make_unique<kal::debug::Debugged<kal::fuzz::FuzzPlatform>>(s);
        platform->put_file("C:\\kal\\prueba.txt", kScript);
        return platform;
      },
      [](const nlohmann::json& message) { (void)kal::rpc::json_text(message); });
  kal::rpc::read_messages(
      kal::rpc::bytes_of(std::string(reinterpret_cast<const char*>(data), size)),
      [&session](nlohmann::json& message) {
        session.handle(message);
        return !session.over();
      },
      [&session](kal::rpc::Fault fault) { session.bad_message(fault); });
  return 0;
}
