// Ending a run in the browser: the page is told, and the run waits for ever. The page starts every run in a
// fresh module, so nothing of the abandoned one is used again.
#include <cstdlib>

#include "common/halt.h"
#include "platform/web/web_imports.h"

namespace kal {

void end_program() {
  kal_js_halt();
  std::abort();  // never reached: the page does not resume an ended run
}

}  // namespace kal
