#include <cstring>

#include "engine/bounded_text.h"
#include "engine/setup_info.h"

bool SetupInfo::LaunchProgram(const char* commandLine) {
  // A path with a blank is quoted: unquoted, the system would first try to run
  // "C:\Program.exe" or "D:\My.exe", which anyone who can write there controls.
  char quoted[520] = {};
  const char* run = commandLine;
  if (commandLine[0] != '"' && strchr(commandLine, ' ') != nullptr &&
      FormatText(quoted, sizeof quoted, "\"%s\"", commandLine)) {
    run = quoted;
  }
  UINT result = WinExec(run, SW_SHOW);
  if (result > 31) return true;

  char reason[261] = {};
  switch (result) {
    case 0:
      CopyText(reason, sizeof reason, "系统内存不够.");
      break;
    case ERROR_FILE_NOT_FOUND:
      FormatText(reason, sizeof reason, "找不到%s文件.", commandLine);
      break;
    case ERROR_PATH_NOT_FOUND:
      CopyText(reason, sizeof reason, "路径错误.");
      break;
    case ERROR_BAD_FORMAT:
      FormatText(reason, sizeof reason, "%s文件不是有效运行程序.", commandLine);
      break;
    default:
      CopyText(reason, sizeof reason, "未知错误.");
      break;
  }
  DWORD error = GetLastError();
  FormatText(errorText, sizeof errorText, "%s 错误号:%d", reason, static_cast<int>(error));
  return false;
}
