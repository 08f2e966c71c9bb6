// Update's entry point; the run is the Win32 layer's (startup.h).
#include <windows.h>

#include "startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) { return upd::RunUpdate(showCommand); }
