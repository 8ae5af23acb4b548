// The program's start-up sequence, its idle step and timer, and its orderly end. The Qt entry
// point and tolvane-cli drive these in the order the program has always used.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tlv {

// The command words a second copy forwards to the running copy, with their codes.
struct CommandWord {
  const char* word;
  int32_t code;
};
// The code of a command line that is one of the command words (exact, case-sensitive;
// "download_shapefiles" matches as a prefix); 0 when it is none.
int32_t CommandWordCode(std::string_view commandLine);
// Whether a command word starts the program when no copy is running (the last four do).
bool CommandWordStartsProgram(int32_t code);
// What the running copy does with a forwarded code (or any other WM_USER+1 notice).
void HandleCommandNotice(int32_t code);

// Numbers in files, messages and the window are written and read with a decimal point whatever
// the user's locale: Qt adopts the locale when its application object starts, so the front ends
// call this right after that (and tolvane-cli before it does anything).
void UseProgramNumberFormat();

// The program folder: the folder that holds the executable, MPCONFIG.TXT and userfolder.txt.
// Set before CommonInit; tests point it at a temporary folder.
void SetProgramFolderPath(const std::string& path);

int32_t CommonInit();
int32_t CommonInit2();
int32_t FinishStartup();
// Marks start-up finished and checks the symbol fonts (the shell tells which are installed).
void CompleteStartup(bool firstSymbolFontInstalled, bool secondSymbolFontInstalled);

// Shows the Home view of the settings (start-up, and the Home command).
void GoToHomeView();
// Without saved settings (a first start), the Home view is the extent of the objects on the
// maps in use, so the first picture shows the user's data; nothing changes when there are none.
void FitHomeViewToMaps();

// The idle step: run before most messages and from the timer.
void IdleStep();
// The 250 ms timer.
void TimerTick();

// Quitting: whether to go on (asks the user through the platform), then the shutdown sequence.
// ask is true for the window's close request, false for a sibling program's quit request; a
// termination signal asks nothing and keeps the Temporary Overlay's objects.
bool ConfirmQuit(bool ask, bool terminationSignal = false);
void ShutDown();
// Releases what start-up made (directory table, master pointers) at the very end.
void ReleaseStartupResources();

bool StartupFinished();
bool Quitting();
void SetQuitting();

// Forgets all start-up state, for tests.
void ResetStartupForTesting();

}  // namespace tlv
