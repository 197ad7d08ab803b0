// The entry point of Fenwillow.exe, a GUI-subsystem program.
#include <cstdlib>

#include "ornament/program.h"
#include "platform/win32/win32_api.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return FenwillowMain(__argc, __argv); }
