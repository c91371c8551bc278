#include <cstring>

#include "engine/bounded_text.h"
#include "engine/engine_internal.h"
#include "engine/message_box.h"
#include "engine/setup_info.h"
#include "package/package_extractor.h"
#include "shell/shortcuts.h"
#include "shell/uninstall_registry.h"

namespace {

// The program group is removed as a whole folder below the Programs folders, so the
// server's gamename must name exactly one folder there: an empty name or ".." would
// make that removal reach the Programs folder itself or above it.
bool IsSingleFolderName(const char* name) {
  if (name[0] == '\0' || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return false;
  for (const char* p = name; *p != '\0'; p = CharNextA(p)) {
    if (*p == '\\' || *p == '/' || *p == ':') return false;
  }
  return true;
}

struct InstallTexts {
  char programPath[512];
  char uninstallerPath[512];
  char settingsPath[512];
  char shortcutName[264];
  char programLink[264];
  char uninstallerLink[264];
};

// Forms every path and link name of the command; false when one does not fit.
bool FormInstallTexts(const SetupInfo& setup, InstallTexts& texts) {
  bool fits = FormatText(texts.programPath, sizeof texts.programPath, "%s%s", setup.installDir,
                         setup.exefilename);
  fits &= FormatText(texts.uninstallerPath, sizeof texts.uninstallerPath, "%suninstall\\%s",
                     setup.installDir, setup.uninstname);
  fits &= FormatText(texts.settingsPath, sizeof texts.settingsPath, "%suninstall\\uninstall.ini",
                     setup.installDir);
  fits &= CopyText(texts.shortcutName, sizeof texts.shortcutName, setup.exefilename);
  char* dot = strrchr(texts.shortcutName, '.');
  if (dot != nullptr) *dot = '\0';
  fits &= FormatText(texts.programLink, sizeof texts.programLink, "%s\\%s", setup.gamename,
                     texts.shortcutName);
  fits &= FormatText(texts.uninstallerLink, sizeof texts.uninstallerLink, "%s\\%s卸载",
                     setup.gamename, texts.shortcutName);
  return fits;
}

void Fail(SetupInfo& setup, const char* text) {
  EngineMessageBox(setup.notifyWindow, text, "错误", MB_OK);
  PostToWindow(setup, WM_INSTALL_STATUS, STATUS_ERROR);
}

}  // namespace

bool SetupInfo::RunInstallCommand(const char* destfile) {
  // Checked before anything changes on disk, so a refused install leaves no half state.
  InstallTexts texts;
  if (!IsSingleFolderName(gamename)) {
    Fail(*this, "游戏名称无效, 无法安装.");
    return false;
  }
  if (!FormInstallTexts(*this, texts)) {
    Fail(*this, "安装路径或快捷方式名称过长, 无法安装.");
    return false;
  }

  // An empty title would match any untitled window, ours included.
  if (ProductTitle[0] != '\0') {
    HWND running = FindWindowA(nullptr, ProductTitle);
    if (running != nullptr) SendMessageA(running, WM_CLOSE, 0, 0);
  }

  PackageExtractor extractor;
  extractor.notifyWindow = notifyWindow;
  if (extractor.ExtractPackage(destfile, installDir) != 0) {
    Fail(*this, "解压文件失败");
    return false;
  }

  DeleteFileA(JoinPath(installDir, destfile).c_str());

  RegisterUninstall(Publisher, Contact, gamename, gamename, texts.uninstallerPath,
                    texts.settingsPath);

  DeleteShortcut(texts.shortcutName, SHORTCUT_DESKTOP, false);
  CreateShortcut(texts.programPath, texts.shortcutName, SHORTCUT_DESKTOP, false);

  DeleteShortcut(texts.programLink, SHORTCUT_PROGRAMS, false);
  DeleteShortcut(texts.uninstallerLink, SHORTCUT_PROGRAMS, false);
  DeleteShortcut(gamename, SHORTCUT_PROGRAMS, true);
  DeleteShortcut(gamename, SHORTCUT_COMMON_PROGRAMS, true);

  CreateShortcut("", gamename, SHORTCUT_PROGRAMS, true);
  CreateShortcut(texts.programPath, texts.programLink, SHORTCUT_PROGRAMS, false);
  CreateShortcut(texts.uninstallerPath, texts.uninstallerLink, SHORTCUT_PROGRAMS, false);

  const char* settings = texts.settingsPath;
  WritePrivateProfileStringA("config", "setupdir", installDir, settings);
  WritePrivateProfileStringA("config", "gamename", gamename, settings);
  WritePrivateProfileStringA("config", "shortcutname", texts.shortcutName, settings);
  WritePrivateProfileStringA("config", "ProductTitle", ProductTitle, settings);

  if (!LaunchProgram(texts.programPath)) {
    ShowEngineError(*this);
    PostToWindow(*this, WM_INSTALL_STATUS, STATUS_ERROR);
    return false;
  }
  PostToWindow(*this, WM_INSTALL_STATUS, STATUS_COMPLETE);
  return true;
}
