// TandrelUninstall.exe: removes what the installer put on the machine.
//
// Started from the uninstall entry with "/U:<setupdir>\uninstall\uninstall.ini"; /S
// skips every box (exit codes in uninstall_core.h). The running exe cannot delete
// itself, so a copy in the temp folder (/FINISH:) removes it after this process ends.
#include <windows.h>

#include <cstdio>

#include "tools/uninstaller/uninstall_core.h"

namespace {

void Tell(bool silent, const char* caption, const char* text, UINT flags) {
  if (silent) {
    fprintf(stderr, "%s\n", text);
    return;
  }
  MessageBoxA(nullptr, text, caption, flags | MB_SETFOREGROUND);
}

void FormatRefusal(Refusal refusal, const char* iniPath, const UninstallConfig& config, char* out,
                   size_t outSize) {
  switch (refusal) {
    case REFUSAL_USAGE:
      snprintf(out, outSize, "用法：TandrelUninstall.exe \"/U:<uninstall.ini 的路径>\" [/S]");
      break;
    case REFUSAL_INI_MISSING:
      snprintf(out, outSize, "无法读取卸载信息文件：\n%s\n\n卸载已取消，没有删除任何文件。", iniPath);
      break;
    case REFUSAL_INI_INVALID:
      snprintf(out, outSize, "卸载信息文件内容不完整或无效：\n%s\n\n卸载已取消，没有删除任何文件。", iniPath);
      break;
    case REFUSAL_UNSAFE_DIR:
      snprintf(out, outSize,
               "安装目录是磁盘根目录或系统文件夹：\n%s\n\n为安全起见，卸载已取消，没有删除任何文件。",
               config.setupdir);
      break;
    case REFUSAL_NO_PROGRAM:
      snprintf(out, outSize,
               "在安装目录中找不到游戏程序 %s.exe：\n%s\n\n为安全起见，卸载已取消，没有删除任何文件。",
               config.shortcutname, config.setupdir);
      break;
    default:
      snprintf(out, outSize, "卸载失败。");
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  UninstallArgs args;
  char text[1024];
  if (!ParseUninstallArgs(argc, argv, args)) {
    FormatRefusal(REFUSAL_USAGE, "", UninstallConfig(), text, sizeof text);
    Tell(args.silent, "卸载", text, MB_OK | MB_ICONERROR);
    return kExitRefused;
  }
  if (args.finishPid != 0) return RunFinisher(args);

  UninstallConfig config;
  Refusal refusal = LoadUninstallConfig(args.iniPath, config);
  // Our current folder may lie inside the install folder, and a folder in use cannot
  // go. Left only now, so that a relative /U: path meant the folder we started in.
  char temp[MAX_PATH] = {};
  DWORD t = GetTempPathA(sizeof temp, temp);
  if (t > 0 && t < sizeof temp) SetCurrentDirectoryA(temp);
  char caption[MAX_PATH + 16];
  snprintf(caption, sizeof caption, "%s 卸载", config.gamename[0] ? config.gamename : "Tandrel");
  if (refusal != REFUSAL_NONE) {
    FormatRefusal(refusal, args.iniPath, config, text, sizeof text);
    Tell(args.silent, caption, text, MB_OK | MB_ICONERROR);
    return kExitRefused;
  }
  if (!args.silent) {
    snprintf(text, sizeof text, "确定要完全移除 %s 及其所有组件吗？", config.gamename);
    if (MessageBoxA(nullptr, text, caption, MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
      return kExitCancelled;
  }

  CloseRunningClient(config.ProductTitle);
  RemoveShellEntries(config);

  char ownExe[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, ownExe, sizeof ownExe);
  bool ownExeKnown = n > 0 && n < sizeof ownExe;
  const char* keep = ownExeKnown && IsInsideFolder(ownExe, config.setupdir) ? ownExe : nullptr;
  int left = RemoveFolderTree(config.setupdir, keep);
  bool finisherStarted = keep == nullptr || StartFinisher(ownExe, config.setupdir);

  if (left == 0 && finisherStarted) {
    Tell(args.silent, caption, "卸载完成", MB_OK | MB_ICONINFORMATION);
    return kExitOk;
  }
  snprintf(text, sizeof text, "卸载完成，但有些文件正在使用或无法删除，请手动删除：\n%s", config.setupdir);
  Tell(args.silent, caption, text, MB_OK | MB_ICONWARNING);
  return kExitIncomplete;
}
