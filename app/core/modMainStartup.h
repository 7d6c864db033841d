#pragma once
// Steps of Main that other files of the main module carry out. They belong
// to Main's own body: they have no trace frame of their own, and an error in
// them is reported for modMain.Main.

namespace modMain::startup {

// Chooses the options file (portable beside the program, else per user in
// the application-data folder, made on the first run) and reads it.
void LoadProgramOptions();

}  // namespace modMain::startup
