// Whole runs of any script on the recording platform, from start-up to the end of the run.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_platform.h"
#include "launcher/startup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kal::fuzz::FuzzPlatform platform;
  platform.put_file("C:\\kal\\KAL.exe", "MZ");
  platform.put_file("C:\\kal\\s.txt", std::string(reinterpret_cast<const char*>(data), size));
  (void)kal::run_program(platform, "s.txt");
  return 0;
}
