// The smallest windowed program: the yardstick for KAL.exe's start-up under Wine.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return 0;
}
