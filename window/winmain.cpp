#include <windows.h>

#include <cstdio>

#include "window/installer_window.h"
#include "window/window_registry.h"

namespace {

// Handle of the single-instance mutex; kept open for the life of the process.
class InstanceMutex {
 public:
  InstanceMutex() : handle_(CreateMutexA(nullptr, FALSE, kInstanceMutexName)) {
    alreadyRunning_ = GetLastError() == ERROR_ALREADY_EXISTS;
  }
  ~InstanceMutex() { Close(); }
  void Close() {
    if (handle_) CloseHandle(handle_);
    handle_ = nullptr;
  }
  InstanceMutex(const InstanceMutex&) = delete;
  InstanceMutex& operator=(const InstanceMutex&) = delete;
  bool AlreadyRunning() const { return alreadyRunning_; }

 private:
  HANDLE handle_;
  bool alreadyRunning_ = false;
};

int RunInstaller(HINSTANCE instance) {
  fgWin32Dialog dialog(instance);
  char title[260];
  std::snprintf(title, sizeof(title), "%s在线安装", kProductName);
  const bool created = dialog.Create(title, title, WS_VISIBLE | WS_OVERLAPPEDWINDOW, RECT{0, 0, 455, 325});

  // Without a window nothing would ever post WM_QUIT: do not wait for it. A failed
  // OnCreate has posted WM_QUIT already and ends the loop at once.
  int exitCode = 0;
  if (created || dialog.hWnd) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (message.message == WM_QUIT) exitCode = static_cast<int>(message.wParam);
  }
  if (WindowRegistry::Exists()) WindowRegistry::Free();
  return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InstanceMutex mutex;
  if (mutex.AlreadyRunning()) {
    mutex.Close();  // the box may stay up; it must not keep the first instance's mutex alive
    MessageBoxA(nullptr, "应用程序已经在运行！", "提示", MB_ICONERROR);
    return 0;
  }
  return RunInstaller(instance);
}
