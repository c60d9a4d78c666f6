// kalpack's work: a packed program made of KAL.exe and a script. The program is KAL.exe's bytes with a
// resource section of its own (KAL.exe's manifest, its icon or the one given, and a version resource with the
// script's description and version), then the script after its header (launcher/packed_script.h). Nothing is
// compressed and nothing is taken from the clock: the same inputs give the same bytes.
#pragma once

#include <string>
#include <string_view>

namespace kal::pack {

struct Options {
  std::string file_name;    // the program's, as its version resource names it: "factura.exe"
  std::string description;  // Windows-1252; empty: the name without ".exe"
  std::string version;      // one to four numbers with points between; empty: "1.0"
  std::string icon;         // an .ico file's bytes; empty: KAL's
};

struct Packed {
  std::string program;  // empty when refused
  std::string refusal;  // why, in Windows-1252
};

Packed pack(std::string_view kal_exe, std::string_view script, const Options& options);

// The version resource (VS_VERSIONINFO) of a packed program.
std::string version_resource(const Options& options, std::string_view kal_version);

}  // namespace kal::pack
