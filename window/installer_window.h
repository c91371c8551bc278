// The installer window: one borderless skinned popup with three pages (welcome,
// directory, progress). It owns the controls, skins and the engine record `setup`,
// and follows the install worker through WM_INSTALL_PROGRESS / WM_INSTALL_STATUS.
#pragma once

#include <windows.h>

#include <string>

#include "engine/setup_info.h"
#include "window/gdi_holders.h"
#include "window/skin_button.h"
#include "window/skin_image.h"

enum Page {
  PAGE_WELCOME = 0,
  PAGE_DIRECTORY = 1,
  PAGE_PROGRESS = 2,
};

// Control ids; each reaches OnCommand as the low word of WM_COMMAND's wParam.
enum ControlId {
  IDC_CANCEL_INSTALL = 1000,
  IDC_CLOSE = 1001,
  IDC_PROGRESS = 1002,
  IDC_MINIMIZE = 1003,
  IDC_INSTALL = 1004,
  IDC_LICENCE = 1005,
  IDC_CUSTOM = 1006,
  IDC_AGREE = 1007,
  IDC_BROWSE = 1008,
  IDC_DEFAULT_DIR = 1009,
  IDC_BACK = 1010,
  IDC_PATH = 1011,
};

// The progress page's slideshow, every 5 s while that page is shown.
constexpr UINT_PTR TIMER_SLIDESHOW = 1001;

// Built-in product name: window title and welcome title.
extern const char kProductName[];
// The mutex that keeps the installer to one instance.
extern const char kInstanceMutexName[];

// What the window asks of the user's desktop; tests replace these.
struct WindowSeams {
  int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);
  // Lets the user pick a folder; leaves path empty when cancelled or not a file-system folder.
  void (*chooseFolder)(HWND owner, const char* title, char path[MAX_PATH]);
  // Opens an address in the system's browser.
  void (*openAddress)(const char* address);
};
extern WindowSeams gWindowSeams;

class fgWin32Dialog {
 public:
  explicit fgWin32Dialog(HINSTANCE instance);
  // Not virtual: the object lives on WinMain's stack and is never deleted through a pointer.
  ~fgWin32Dialog();
  fgWin32Dialog(const fgWin32Dialog&) = delete;
  fgWin32Dialog& operator=(const fgWin32Dialog&) = delete;

  // Virtual slots 0 to 4, in this order.
  virtual bool Create(const char* className, const char* windowName, DWORD style, RECT rect);
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT OnTimer(UINT_PTR timerId);
  virtual LRESULT OnPaint(HDC dc);
  virtual bool OnCreate();

  void ShowPage();
  LRESULT OnCommand(WPARAM wParam);
  void OnInstallStatus(LPARAM status);
  void InstallNow();
  void OnAgreeToggled();
  void OnBrowse();
  void OnPathEdited();
  // HTCAPTION inside the drag band along the top of the client area, else HTNOWHERE.
  LRESULT HitTest() const;

  HWND hWnd = nullptr;
  HWND hProgress = nullptr;
  HWND hAgreeCheck = nullptr;
  HWND hPathEdit = nullptr;
  HINSTANCE hInstance;
  CWINButton btnCancelInstall;
  CWINButton btnClose;
  CWINButton btnMinimize;
  CWINButton btnInstall;
  CWINButton btnLicence;
  CWINButton btnCustom;
  CWINButton btnDefaultDir;
  CWINButton btnBrowse;
  CWINButton btnBack;
  CImage imgBackground;
  CImage imgWelcome;
  CImage imgSlides[3];
  int page = PAGE_WELCOME;
  char agreeLabel[264];
  int slideIndex = 0;
  int status = STATUS_READING_CONFIG;
  int requiredKB = 16773;
  int freeKB = 0;
  int percent = 0;
  SetupInfo setup;
  bool pathInvalid = false;
  std::string statusText;
  RECT statusRect = {};
  RECT percentRect = {};
  char defaultDir[260] = {};
  char installDir[260] = {};

 private:
  GdiObject<HFONT> pathFont_;  // the path field's font, alive as long as the field is used
  bool comInitialized_ = false;
};

// Turns a candidate folder into the install directory: the game gets its own folder
// named gameName inside it, unless the candidate already ends with that name. False
// (installDir untouched) when the result would not fit in 260 bytes.
bool ComposeInstallDir(const char* candidate, const char* gameName, char installDir[260]);

// A kilobyte count as the value and unit the window shows (1023KB, 1MB, 1GB...).
void SizeWithUnit(int kilobytes, int& value, const char*& unit);
// "所需空间：16MB(可用空间：50GB)" into buffer.
void FormatSpaceLine(int requiredKB, int freeKB, char* buffer, size_t capacity);
// The percentage text of the progress page for a status; empty for error and idle.
void FormatPercent(int status, int percent, char* buffer, size_t capacity);
