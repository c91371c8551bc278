// Runs one install from the built-in address without the window, for scripts:
//   tandrel-headless.exe <install dir>
// Every message the engine posts becomes a line ("S 2", "P 37"); every box becomes
// "BOX <caption> <text>" and is answered at once. Exit code: 0 after STATUS_COMPLETE,
// 1 after STATUS_ERROR, 2 when the worker ended without either.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/message_box.h"
#include "engine/setup_info.h"

namespace {

constexpr char kWindowClass[] = "TandrelHeadlessNotify";

// Lines come from two threads (boxes from the worker); each goes out in one write.
void PrintLine(const std::string& line) {
  std::string out = line + "\n";
  fwrite(out.data(), 1, out.size(), stdout);
  fflush(stdout);
}

int WINAPI AnswerBox(HWND, LPCSTR text, LPCSTR caption, UINT) {
  std::string line = "BOX ";
  line += caption != nullptr ? caption : "";
  line += ' ';
  for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
    if (*p == '\n') {
      line += "\\n";
    } else if (*p != '\r') {
      line += *p;
    }
  }
  PrintLine(line);
  return IDOK;
}

// Prints one engine message; returns the exit code it decides, or -1.
int Print(const MSG& message) {
  char line[32];
  if (message.message == WM_INSTALL_PROGRESS) {
    snprintf(line, sizeof line, "P %ld", static_cast<long>(message.lParam));
    PrintLine(line);
  } else if (message.message == WM_INSTALL_STATUS) {
    snprintf(line, sizeof line, "S %ld", static_cast<long>(message.lParam));
    PrintLine(line);
    if (message.lParam == STATUS_COMPLETE) return 0;
    if (message.lParam == STATUS_ERROR) return 1;
  }
  return -1;
}

void DrainInto(int& exitCode) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    int code = Print(message);
    if (code >= 0 && exitCode < 0) exitCode = code;
    DispatchMessageA(&message);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: tandrel-headless.exe <install dir>\n");
    return 2;
  }
  char installDir[260] = {};
  size_t length = strlen(argv[1]);
  const char* separator = length > 0 && (argv[1][length - 1] == '\\' || argv[1][length - 1] == '/')
                              ? ""
                              : "\\";
  int needed = snprintf(installDir, sizeof installDir, "%s%s", argv[1], separator);
  if (needed < 0 || static_cast<size_t>(needed) >= sizeof installDir) {
    fprintf(stderr, "install dir too long\n");
    return 2;
  }

  g_engineMessageBox = AnswerBox;
  static SetupInfo setup;  // large; the worker borrows it until the process ends
  if (!setup.LoadSetupConfig()) {
    AnswerBox(nullptr, "无法连接网络", "退出", MB_OK);
    return 1;
  }

  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);
  // Message-only: hidden, needs no display, and no title search can find it.
  HWND window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
  if (window == nullptr) {
    fprintf(stderr, "cannot create the notify window\n");
    return 2;
  }

  setup.StartInstallWorker(window, installDir);
  if (setup.workerThread == nullptr) {
    fprintf(stderr, "cannot start the worker\n");
    return 2;
  }

  // The window would stop at the first S 0 or S 7; the driver lets the worker finish so
  // that its last messages are seen too.
  int exitCode = -1;
  for (;;) {
    DWORD wake = MsgWaitForMultipleObjects(1, &setup.workerThread, FALSE, INFINITE, QS_ALLINPUT);
    DrainInto(exitCode);
    if (wake == WAIT_OBJECT_0) break;
    if (wake == WAIT_FAILED) break;
  }
  DrainInto(exitCode);
  DestroyWindow(window);
  return exitCode >= 0 ? exitCode : 2;
}
