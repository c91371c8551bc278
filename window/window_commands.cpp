#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "shell/path_helpers.h"
#include "window/installer_window.h"

bool ComposeInstallDir(const char* candidate, const char* gameName, char installDir[260]) {
  char folder[262];
  const size_t length = std::strlen(candidate);
  if (length == 0 || length > 259) return false;
  const char last = candidate[length - 1];
  const bool separated = last == '\\' || last == '/';
  std::snprintf(folder, sizeof(folder), separated ? "%s" : "%s\\", candidate);

  const size_t folderLength = std::strlen(folder);
  if (!PathEndsWith(folder, gameName)) {
    if (std::strlen(gameName) + folderLength + 1 >= 259) return false;
    std::snprintf(installDir, 260, "%s%s\\", folder, gameName);
  } else {
    if (folderLength >= 259) return false;
    std::snprintf(installDir, 260, "%s", folder);
  }
  return true;
}

LRESULT fgWin32Dialog::OnCommand(WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case IDC_CANCEL_INSTALL:
      setup.stopRequested = 1;
      break;
    case IDC_CLOSE:
      // Nothing runs yet before the progress page; there, closing means stopping.
      if (page == PAGE_WELCOME || page == PAGE_DIRECTORY)
        PostQuitMessage(0);
      else
        setup.stopRequested = 1;
      break;
    case IDC_MINIMIZE:
      ShowWindow(hWnd, SW_SHOWMINIMIZED);
      break;
    case IDC_INSTALL:
      InstallNow();
      break;
    case IDC_LICENCE:
      gWindowSeams.openAddress(setup.urlAgreement);
      break;
    case IDC_CUSTOM:
      page = PAGE_DIRECTORY;
      ShowPage();
      break;
    case IDC_AGREE:
      OnAgreeToggled();
      break;
    case IDC_BROWSE:
      OnBrowse();
      break;
    case IDC_DEFAULT_DIR:
      std::memcpy(installDir, defaultDir, sizeof(installDir));
      SetWindowTextA(hPathEdit, defaultDir);
      break;
    case IDC_BACK:
      page = PAGE_WELCOME;
      ShowPage();
      break;
    case IDC_PATH:
      if (HIWORD(wParam) == EN_CHANGE) OnPathEdited();
      break;
    default:  // IDC_PROGRESS and anything else
      break;
  }
  return 0;
}

void fgWin32Dialog::InstallNow() {
  // No directory at all (a game name too long for one) counts as an invalid path.
  if (pathInvalid || !installDir[0]) {
    gWindowSeams.messageBox(hWnd, "指定的路径无效", "确认", MB_OK);
    return;
  }
  page = PAGE_PROGRESS;
  ShowPage();
  setup.StartInstallWorker(hWnd, installDir);
}

void fgWin32Dialog::OnAgreeToggled() {
  const bool agreed = SendMessageA(hAgreeCheck, BM_GETCHECK, 0, 0) == BST_CHECKED;
  btnCustom.Enable(agreed);
  btnInstall.Enable(agreed);
}

void fgWin32Dialog::OnBrowse() {
  char title[260];
  const int written = std::snprintf(title, sizeof(title), "将%s安装到:", setup.gamename);
  // A game name too long for the title would be cut; the folder would not fit anyway.
  if (written < 0 || written >= static_cast<int>(sizeof(title))) return;

  char chosen[MAX_PATH] = {};
  gWindowSeams.chooseFolder(hWnd, title, chosen);
  chosen[MAX_PATH - 1] = '\0';
  if (!chosen[0]) return;

  const char drive[3] = {chosen[0], chosen[1], '\0'};
  const int free = GetFreeDiskSpaceKB(drive);
  if (free < 0) return;
  freeKB = free;
  ComposeInstallDir(chosen, setup.gamename, installDir);
  SetWindowTextA(hPathEdit, installDir);
  InvalidateRect(hWnd, nullptr, TRUE);
}

void fgWin32Dialog::OnPathEdited() {
  char typed[512] = {};
  GetWindowTextA(hPathEdit, typed, sizeof(typed));
  if (std::strlen(typed) >= 260) {
    SetWindowTextA(hPathEdit, installDir);
    return;
  }
  // An empty field names no drive at all; some platforms would take the current one.
  const int free = typed[0] ? GetFreeDiskSpaceKB(typed) : -1;
  if (free < 0) {
    pathInvalid = true;
    return;
  }
  freeKB = free;
  pathInvalid = false;
  ComposeInstallDir(typed, setup.gamename, installDir);
  InvalidateRect(hWnd, nullptr, TRUE);
}

void fgWin32Dialog::OnInstallStatus(LPARAM value) {
  // Only the engine's eight statuses mean anything; a stray value must not index the table.
  if (value < 0 || value >= kInstallStatusCount) return;
  status = static_cast<int>(value);
  statusText = kStatusText[value];
  InvalidateRect(hWnd, &statusRect, TRUE);
  UpdateWindow(hWnd);  // not left waiting behind a queue full of progress posts
  if (status == STATUS_COMPLETE || status == STATUS_ERROR) PostQuitMessage(0);
}
