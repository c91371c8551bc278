// The engine's record and its only channel to the window.
//
//   WM_INSTALL_PROGRESS  posted, wParam 0, lParam = percentage of the current phase
//   WM_INSTALL_STATUS    posted, wParam 0, lParam = InstallStatus
//   SetupInfo            setup values from the server plus the worker's own state;
//                        owned by the window object, borrowed by the worker thread
#pragma once

#include <windows.h>

#include <string>

// Posted by the downloader, the worker and the package reader to notifyWindow.
#define WM_INSTALL_PROGRESS 20000
// Posted by the downloader, the worker and the install command to notifyWindow.
#define WM_INSTALL_STATUS 20001

enum InstallStatus {
  STATUS_ERROR = 0,
  STATUS_IDLE = 1,
  STATUS_READING_CONFIG = 2,
  STATUS_GETTING_VERSION = 3,
  STATUS_DOWNLOADING = 4,
  STATUS_STARTING_INSTALL = 5,
  STATUS_INSTALLING = 6,
  STATUS_COMPLETE = 7,
};
constexpr int kInstallStatusCount = 8;

// Status line texts, indexed by InstallStatus.
extern const char* const kStatusText[kInstallStatusCount];

// Installer version: the [config] key looked up first for the update list.
extern const char kInstallerVersion[];
// Built-in address of the setup configuration (TANDREL_SETUP_URL at build time).
extern const char kSetupConfigUrl[];

struct SetupInfo {
  HWND notifyWindow = nullptr;
  HANDLE workerThread = nullptr;
  char installDir[260] = {};
  char errorText[261] = {};
  // Written by the window thread, polled by the worker.
  volatile unsigned char stopRequested = 0;
  char gamename[260] = {};
  char ProductTitle[260] = {};
  int size = 0;  // KB; negative marks a failed load
  char urlAgreement[260] = {};
  char uninstname[260] = {};
  char Publisher[260] = {};
  char Contact[260] = {};
  char exefilename[260] = {};
  std::string configPath;

  // Fetches the setup configuration from kSetupConfigUrl and reads its [setup] values.
  bool LoadSetupConfig();
  // 0 on success, 1 on failure (box shown, STATUS_ERROR posted). destination is
  // relative to installDir, or null for a new temporary file.
  int DownloadFile(const char* destination, const char* address, std::string& localPath);
  // Copies installDir, creates it and starts the worker thread.
  void StartInstallWorker(HWND window, const char* installDir);
  // The worker thread's body.
  void InstallWorker();
  // Starts a program; on failure leaves the reason in errorText.
  bool LaunchProgram(const char* commandLine);
  // The "DEC" command: unpack destfile into installDir, register, link, launch.
  bool RunInstallCommand(const char* destfile);
};
