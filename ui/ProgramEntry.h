#pragma once
// The program entry: reads the title from the edition profile, chooses the icon, creates the main window
// and the log window, and runs the message loop until the main window has closed.

namespace ui {

int RunProgram(int argc, char** argv);

}  // namespace ui
