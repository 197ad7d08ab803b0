// The program's entry point, shared by every build.
#pragma once

// Initialises the application, creates the window from its description,
// runs the message loop until the window closes and returns the exit code:
// 0, or 1 when the window's description could not be read (a corrupt
// embedded picture), which is reported in a box titled "Application Error",
// or when the settings could not be saved as it closed.
int FenwillowMain(int argc, char** argv);
