// The program from start to end.
#pragma once

namespace corvane {

// Extended precision (64-bit significand), rounding to nearest, every floating-point
// exception masked: x87 control word 0x037F. Does nothing where there is no x87 unit.
void setFloatingPointMode();

// Starts the toolkit, sets the floating-point mode (after the toolkit's own settings),
// shows and activates the main window, runs the event loop until the window is closed,
// and gives the exit status: 0.
int startProgram(int& argc, char** argv);

}  // namespace corvane
