#pragma once

#include <functional>

// The start-up checks of the machine, the program's TEXT messages, its INI settings, the CD
// root, the data directory and the data-file path.

// The facts the checks read about the machine. Each member asks the platform unless a test
// replaced it.
struct MachineFacts {
  std::function<unsigned()> processorType;
  std::function<unsigned long long()> availableVirtualBytes;
  // Opens the wave-out device at 11,025 and 22,050 Hz and leaves it open.
  std::function<bool()> openWaveOut;
  std::function<void(int& width, int& height)> screenSize;
  std::function<int()> screenDepth;
  std::function<bool()> directDrawLoadable;
  std::function<bool()> probeDirectDraw;
  // Free bytes on the file system of the folder; a negative value when it cannot be read.
  std::function<double(const char* folder)> freeDiskBytes;
};

// The facts in use; tests replace members and call resetMachineFacts when done.
MachineFacts& machineFacts();
void resetMachineFacts();

// True when the game may start; mode becomes 3 (window) or 5 (full screen) on success only.
bool checkMachine(int& mode);
// True when the user may continue (or the warning is switched off).
bool showWarning(int messageId, int checkBoxTextId, const char* flagName);
void showFatalMessage(const char* text);
void showTextResourceError(int id);
// out holds at least 1024 bytes.
void loadTextResource(int id, char* out);

// Reads a key of the game's INI section into out (1024 bytes); empty when missing.
void readSetting(const char* key, char* out);
const char* getCDRoot();
const char* getDataDirectory();
const char* getDataDrive();
const char* getDataFilePath();

void selectDirectDrawDisplay();
void selectWindowedDisplay();

// rand() mod n, moved one on when it hits excluded; 0 when n < 1.
int randomExcept(int n, int excluded);

// Forgets the buffers computed on first use, so that a test can start afresh.
void resetShellSettings();
