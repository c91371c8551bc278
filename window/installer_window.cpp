#include "window/installer_window.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "shell/path_helpers.h"
#include "window/window_registry.h"

const char kProductName[] = "Tandrel";
const char kInstanceMutexName[] = "MutexOnlineDownLoad";

namespace {

int PlatformMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxA(owner, text, caption, type);
}

void PlatformChooseFolder(HWND owner, const char* title, char path[MAX_PATH]) {
  path[0] = '\0';
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.lpszTitle = title;
  char displayName[MAX_PATH] = {};  // reported by the dialog, not used
  info.pszDisplayName = displayName;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info);
  if (!item) return;
  if (!SHGetPathFromIDListA(item, path)) path[0] = '\0';
  CoTaskMemFree(item);
}

void PlatformOpenAddress(const char* address) {
  ShellExecuteA(nullptr, nullptr, address, nullptr, nullptr, SW_SHOWNORMAL);
}

struct ButtonPlace {
  CWINButton fgWin32Dialog::*button;
  int id;
  int x, y;
  WORD png;
  bool hand;
};

HFONT CreatePathFont() {
  return CreateFontA(14, 7, 0, 0, 400, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, "宋体");
}

}  // namespace

WindowSeams gWindowSeams = {PlatformMessageBox, PlatformChooseFolder, PlatformOpenAddress};

fgWin32Dialog::fgWin32Dialog(HINSTANCE instance)
    : hInstance(instance), statusText(kStatusText[STATUS_READING_CONFIG]) {
  std::snprintf(agreeLabel, sizeof(agreeLabel), "%s", "已阅读并同意");
  // The folder dialog runs on this thread and needs COM; the destructor balances it.
  const HRESULT com = CoInitialize(nullptr);
  comInitialized_ = SUCCEEDED(com);
}

fgWin32Dialog::~fgWin32Dialog() {
  // A worker still running stops at its next check; the process ends without waiting.
  setup.stopRequested = 1;
  WindowRegistry::Unregister(hWnd);
  if (comInitialized_) CoUninitialize();
}

bool fgWin32Dialog::Create(const char* className, const char* windowName, DWORD style, RECT rect) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = StaticWindowProc;
  windowClass.hInstance = hInstance;
  windowClass.hIcon = LoadIconA(hInstance, MAKEINTRESOURCEA(107));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = className;
  windowClass.hIconSm = LoadIconA(hInstance, MAKEINTRESOURCEA(108));
  RegisterClassExA(&windowClass);  // a failure shows up as CreateWindowExA failing

  hWnd = CreateWindowExA(0, className, windowName, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, rect.right,
                         rect.bottom, nullptr, nullptr, hInstance, nullptr);
  if (!hWnd) return false;
  // Messages sent during CreateWindowExA met no object; creation work is in OnCreate.
  WindowRegistry::Register(hWnd, this);
  if (!OnCreate()) return false;
  ShowWindow(hWnd, (style & WS_VISIBLE) ? SW_SHOWNORMAL : SW_HIDE);
  UpdateWindow(hWnd);
  return true;
}

LRESULT fgWin32Dialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hWnd, &paint);
      OnPaint(dc);
      EndPaint(hWnd, &paint);
      return 0;
    }
    case WM_NCHITTEST:
      return HitTest();
    case WM_COMMAND:
      OnCommand(wParam);
      return 0;
    case WM_TIMER:
      OnTimer(LOWORD(wParam));
      return 0;
    case WM_INSTALL_PROGRESS: {
      const bool changed = percent != static_cast<int>(lParam);
      percent = static_cast<int>(lParam);
      InvalidateRect(hWnd, &percentRect, TRUE);
      // A fast download keeps the queue full of the worker's posts: a posted bar
      // position would wait behind them, and WM_PAINT comes only once the queue is
      // empty. Move the bar and paint a new value now, so bar and text agree.
      SendMessageA(hProgress, PBM_SETPOS, static_cast<WPARAM>(lParam), 0);
      if (changed) UpdateWindow(hWnd);
      return 0;
    }
    case WM_INSTALL_STATUS:
      OnInstallStatus(lParam);
      return 0;
    default:
      return DefWindowProcA(hWnd, message, wParam, lParam);
  }
}

LRESULT fgWin32Dialog::HitTest() const {
  RECT client;
  GetClientRect(hWnd, &client);
  POINT origin = {0, 0};
  ClientToScreen(hWnd, &origin);
  POINT cursor;
  GetCursorPos(&cursor);
  const bool inBand = cursor.x >= origin.x && cursor.x <= origin.x + client.right &&
                      cursor.y >= origin.y && cursor.y <= origin.y + 20;
  return inBand ? HTCAPTION : HTNOWHERE;
}

LRESULT fgWin32Dialog::OnTimer(UINT_PTR timerId) {
  if (timerId != TIMER_SLIDESHOW) return 0;
  if (++slideIndex >= 3) slideIndex = 0;
  const RECT slide = {0, 0, imgSlides[slideIndex].GetWidth(), imgSlides[slideIndex].GetHeight()};
  InvalidateRect(hWnd, &slide, TRUE);
  return 0;
}

bool fgWin32Dialog::OnCreate() {
  static const ButtonPlace kButtons[] = {
      {&fgWin32Dialog::btnClose, IDC_CLOSE, 419, 16, 156, false},
      {&fgWin32Dialog::btnMinimize, IDC_MINIMIZE, 392, 16, 163, false},
      {&fgWin32Dialog::btnInstall, IDC_INSTALL, 163, 209, 164, true},
      {&fgWin32Dialog::btnLicence, IDC_LICENCE, 126, 289, 158, true},
      {&fgWin32Dialog::btnCustom, IDC_CUSTOM, 358, 289, 161, true},
  };
  static const ButtonPlace kDirectoryButtons[] = {
      {&fgWin32Dialog::btnBrowse, IDC_BROWSE, 378, 94, 169, true},
      {&fgWin32Dialog::btnDefaultDir, IDC_DEFAULT_DIR, 295, 128, 162, true},
      {&fgWin32Dialog::btnBack, IDC_BACK, 393, 289, 159, true},
  };
  static const ButtonPlace kCancelButton = {&fgWin32Dialog::btnCancelInstall, IDC_CANCEL_INSTALL, 384,
                                           289, 160, true};
  auto makeButton = [this](const ButtonPlace& place) {
    HWND window = CreateWindowExA(0, "button", "", WS_CHILD | WS_VISIBLE, place.x, place.y, 37, 31, hWnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.id)), hInstance,
                                  nullptr);
    CWINButton& button = this->*place.button;
    button.Attach(window);
    button.SetImage(hInstance, place.png);
    if (place.hand) button.handCursor = true;
  };

  // Controls in creation order: buttons of the welcome page, the check box, the
  // directory page, the path field, the cancel link and the progress bar.
  for (const ButtonPlace& place : kButtons) makeButton(place);
  hAgreeCheck = CreateWindowExA(0, "button", "", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 24, 289, 13, 13,
                                hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_AGREE)),
                                hInstance, nullptr);
  CheckDlgButton(hWnd, IDC_AGREE, BST_CHECKED);
  for (const ButtonPlace& place : kDirectoryButtons) makeButton(place);

  // Auto-scrolling keeps a long path on its one visible line.
  hPathEdit = CreateWindowExA(0, "edit", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL, 106,
                              98, 266, 20, hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PATH)),
                              hInstance, nullptr);
  pathFont_.Reset(CreatePathFont());
  SendMessageA(hPathEdit, WM_SETFONT, reinterpret_cast<WPARAM>(pathFont_.Get()), TRUE);
  {
    RECT format;
    GetClientRect(hPathEdit, &format);
    TEXTMETRICA metrics = {};
    WindowDC fieldDC(hPathEdit);
    GetTextMetricsA(fieldDC, &metrics);
    format.top += (format.bottom - metrics.tmExternalLeading - metrics.tmHeight) / 2;
    SendMessageA(hPathEdit, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&format));
  }

  makeButton(kCancelButton);
  // The progress class is registered by the common controls library on request.
  INITCOMMONCONTROLSEX common = {sizeof(common), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&common);
  hProgress = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 18, 259, 419, 19,
                              hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PROGRESS)),
                              hInstance, nullptr);
  SendMessageA(hProgress, PBM_SETRANGE32, 0, 100);
  SendMessageA(hProgress, PBM_SETPOS, 0, 0);

  statusRect = {18, 232, 318, 247};
  percentRect = {300, 232, 436, 247};

  if (!setup.LoadSetupConfig()) {
    gWindowSeams.messageBox(hWnd, "无法连接网络", "退出", MB_OK);
    PostQuitMessage(0);
    return false;
  }

  const size_t nameLength = std::strlen(setup.gamename);
  SendMessageA(hPathEdit, EM_LIMITTEXT, nameLength < 259 ? 259 - nameLength : 1, 0);

  char driveRoot[260] = {};
  int capacity = sizeof(driveRoot);
  GetSystemDriveRoot(driveRoot, capacity);
  const int written = std::snprintf(defaultDir, sizeof(defaultDir), "%sProgram Files\\%s\\", driveRoot,
                                    setup.gamename);
  // A name too long for a path leaves no default: the install command then refuses.
  if (written < 0 || written >= static_cast<int>(sizeof(defaultDir))) defaultDir[0] = '\0';
  std::memcpy(installDir, defaultDir, sizeof(installDir));
  SetWindowTextA(hPathEdit, defaultDir);

  struct SkinPicture {
    WORD png;
    CImage* image;
  };
  const SkinPicture skins[] = {{154, &imgBackground}, {155, &imgWelcome}, {166, &imgSlides[0]},
                            {167, &imgSlides[1]}, {168, &imgSlides[2]}};
  for (const SkinPicture& skin : skins) {
    if (HRSRC resource = FindResourceA(hInstance, MAKEINTRESOURCEA(skin.png), "PNG"))
      LoadPngResource(hInstance, *skin.image, resource);
  }

  int width, height;
  UINT sizeFlag = 0;
  if (!imgBackground.IsNull()) {
    width = imgBackground.GetWidth();
    height = imgBackground.GetHeight();
  } else {
    RECT client;
    GetClientRect(hWnd, &client);
    width = client.right;
    height = client.bottom;
    sizeFlag = SWP_NOSIZE;
  }
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) >> 1;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) >> 1;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  SetWindowPos(hWnd, nullptr, x, y, width, height, SWP_NOZORDER | sizeFlag);

  slideIndex = 0;
  const int free = defaultDir[0] ? GetFreeDiskSpaceKB(defaultDir) : -1;
  freeKB = free < 0 ? 0 : free;
  page = PAGE_WELCOME;
  requiredKB = setup.size;
  ShowPage();
  return true;
}

void fgWin32Dialog::ShowPage() {
  HWND pageControls[] = {btnInstall.hwnd, btnLicence.hwnd, btnCustom.hwnd, hAgreeCheck,
                         btnBrowse.hwnd,  btnDefaultDir.hwnd, btnBack.hwnd,  hPathEdit,
                         hProgress,       btnCancelInstall.hwnd};
  for (HWND control : pageControls) ShowWindow(control, SW_HIDE);
  KillTimer(hWnd, TIMER_SLIDESHOW);

  switch (page) {
    case PAGE_WELCOME:
      for (HWND control : {btnInstall.hwnd, btnLicence.hwnd, btnCustom.hwnd, hAgreeCheck})
        ShowWindow(control, SW_SHOW);
      break;
    case PAGE_DIRECTORY:
      for (HWND control :
           {btnBrowse.hwnd, btnDefaultDir.hwnd, btnBack.hwnd, hPathEdit, btnInstall.hwnd})
        ShowWindow(control, SW_SHOW);
      break;
    case PAGE_PROGRESS:
      slideIndex = 0;
      ShowWindow(hProgress, SW_SHOW);
      ShowWindow(btnCancelInstall.hwnd, SW_SHOW);
      SetTimer(hWnd, TIMER_SLIDESHOW, 5000, nullptr);
      break;
    default:
      break;
  }
  InvalidateRect(hWnd, nullptr, TRUE);
}
