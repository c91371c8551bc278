#include <process.h>

#include <cstring>

#include "engine/bounded_text.h"
#include "engine/engine_internal.h"
#include "engine/message_box.h"
#include "engine/setup_info.h"
#include "shell/path_helpers.h"

namespace {

constexpr int ACTION_RUN_COMMAND = 1;
constexpr int ACTION_DOWNLOAD = 2;

unsigned __stdcall InstallThreadEntry(void* argument) {
  static_cast<SetupInfo*>(argument)->InstallWorker();
  return 0;
}

// Copies text into errorText, shows the box and posts STATUS_ERROR.
void Report(SetupInfo& setup, const char* text) {
  CopyText(setup.errorText, sizeof setup.errorText, text);
  ShowEngineError(setup);
  PostToWindow(setup, WM_INSTALL_STATUS, STATUS_ERROR);
}

}  // namespace

void ShowEngineError(SetupInfo& setup) {
  const char* text = setup.errorText[0] != '\0' ? setup.errorText : "未知错误，下载失败";
  EngineMessageBox(setup.notifyWindow, text, "错误", MB_OK);
}

void SetupInfo::StartInstallWorker(HWND window, const char* directory) {
  notifyWindow = window;
  stopRequested = 0;
  // A directory that does not fit is left empty; the worker refuses it.
  if (!CopyText(installDir, sizeof installDir, directory)) installDir[0] = '\0';
  if (installDir[0] != '\0') CreateDirectoryTree(installDir);
  workerThread = reinterpret_cast<HANDLE>(
      _beginthreadex(nullptr, 0, InstallThreadEntry, this, 0, nullptr));
  // Without a worker nothing would ever end the progress page.
  if (workerThread == nullptr) Report(*this, "无法启动安装线程.");
}

void SetupInfo::InstallWorker() {
  if (installDir[0] == '\0') {
    Report(*this, "安装路径无效.");
    return;
  }
  SetCurrentDirectoryA(installDir);
  PostToWindow(*this, WM_INSTALL_STATUS, STATUS_READING_CONFIG);

  char listAddress[999] = {};
  const char* config = configPath.c_str();
  GetPrivateProfileStringA("config", kInstallerVersion, "", listAddress, sizeof listAddress,
                           config);
  if (listAddress[0] == '\0') {
    GetPrivateProfileStringA("config", "other", "", listAddress, sizeof listAddress, config);
  }
  if (listAddress[0] == '\0') {
    Report(*this, "从文件中,获取版本对应的更新URL错误.");
    return;
  }
  PostToWindow(*this, WM_INSTALL_STATUS, STATUS_READING_CONFIG);

  std::string listPath;
  if (DownloadFile(nullptr, listAddress, listPath) != 0) return;
  const char* list = listPath.c_str();

  char section[20] = {};
  FormatText(section, sizeof section, "list%d", 0);
  int action = static_cast<int>(GetPrivateProfileIntA(section, "action", -1, list));
  if (action == 0) {
    PostToWindow(*this, WM_INSTALL_STATUS, STATUS_INSTALLING);
    return;
  }
  // A stop here ends the install, so the window must hear of it; no box, the user asked.
  if (stopRequested) {
    PostToWindow(*this, WM_INSTALL_STATUS, STATUS_ERROR);
    return;
  }
  if (action == -1) {
    Report(*this, "解析更新列表文件错误.");
    return;
  }

  char srcfile[260] = {};
  char destfile[260] = {};
  char cmd[260] = {};
  GetPrivateProfileStringA(section, "srcfile", "", srcfile, sizeof srcfile, list);
  GetPrivateProfileStringA(section, "destfile", "", destfile, sizeof destfile, list);
  GetPrivateProfileStringA(section, "cmd", "", cmd, sizeof cmd, list);

  if ((action & ACTION_RUN_COMMAND) != 0 && cmd[0] == '\0') {
    Report(*this, "解析更新列表文件错误,动作有命令但命令为空.");
    return;
  }
  if ((action & ACTION_DOWNLOAD) != 0 && (srcfile[0] == '\0' || destfile[0] == '\0')) {
    Report(*this, "解析更新列表文件错误,动作为下载文件但文件路径为空.");
    return;
  }

  if ((action & ACTION_DOWNLOAD) != 0) {
    PostToWindow(*this, WM_INSTALL_STATUS, STATUS_DOWNLOADING);
    std::string packagePath;
    if (DownloadFile(destfile, srcfile, packagePath) != 0) {
      PostToWindow(*this, WM_INSTALL_STATUS, STATUS_ERROR);
      return;
    }
  }
  if ((action & ACTION_RUN_COMMAND) != 0) {
    PostToWindow(*this, WM_INSTALL_STATUS, STATUS_INSTALLING);
    PostToWindow(*this, WM_INSTALL_PROGRESS, 0);
    if (lstrcmpA(cmd, "DEC") != 0) {
      Report(*this, "未知的命令参数");
      return;
    }
    if (!RunInstallCommand(destfile)) return;
  }
  PostToWindow(*this, WM_INSTALL_STATUS, STATUS_INSTALLING);
}
