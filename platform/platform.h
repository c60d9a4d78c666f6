// The one seam between the portable interpreter and the operating system, in four facets: dialogs, files,
// clock and shell, drawing surfaces. Everything is said in the core's terms: texts are Windows-1252 bytes,
// paths are Windows paths, answers are the core's own enums. Each implementation (Win32, the browser's, the
// tests' recording platform) keeps one file per facet.
#pragma once

#include "platform/clock_and_shell.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/surfaces.h"

namespace kal {

// The facets are virtual bases, so that an implementation can take a facet ready-made (MemoryFiles).
class Platform : public virtual Dialogs,
                 public virtual Files,
                 public virtual ClockAndShell,
                 public virtual Surfaces {};

}  // namespace kal
