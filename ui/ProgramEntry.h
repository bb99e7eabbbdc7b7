#pragma once
// The program entry: reads the title from the edition profile, chooses the icon, creates the main window
// and the log window, and runs the message loop until the main window has closed.

#include <QString>

namespace app {
class TerminationSignals;
}

namespace ui {

int RunProgram(int argc, char** argv);

// The part after the application's set-up: creates the main window and the log window, runs the event loop
// until the main window has closed and returns the program's status. Termination signals end the program
// from any point of it, the start-up's messages included.
int RunMainWindow(const QString& programDir, const QString& title,
                  app::TerminationSignals& terminationSignals);

}  // namespace ui
