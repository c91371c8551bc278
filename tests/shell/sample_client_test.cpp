// Starts the stand-in game client the way the installer does and closes it the way the
// installer does: by its window title.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/shell/temp_dir.h"

namespace {

// The client's path from the build, as the Windows side sees it.
std::string ClientPath() {
  std::string path = TANDREL_CLIENT_EXE;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class RunningClient {
 public:
  RunningClient(const std::string& exe, const std::string& cwd) {
    SetEnvironmentVariableA("TANDREL_CLIENT_EXIT_AFTER_MS", "30000");  // never left behind
    std::string cmd = exe;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    started_ = CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                              cwd.c_str(), &si, &pi_);
    SetEnvironmentVariableA("TANDREL_CLIENT_EXIT_AFTER_MS", nullptr);
  }
  ~RunningClient() {
    if (!started_) return;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 2);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  RunningClient(const RunningClient&) = delete;
  RunningClient& operator=(const RunningClient&) = delete;

  bool started() const { return started_; }
  DWORD pid() const { return pi_.dwProcessId; }
  bool Exited(DWORD ms) const { return WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }
  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
  }
  // The client's top-level window with this title, or null if it never showed up.
  HWND WaitForWindow(const char* title) const {
    for (int i = 0; i < 200; ++i) {
      HWND hwnd = FindWindowA(nullptr, title);
      if (hwnd) return hwnd;
      if (Exited(50)) return nullptr;
    }
    return nullptr;
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION pi_ = {};
};

TEST(SampleClient, TitleFromUninstallIniOrDefaultAndClosesOnRequest) {
  struct Case {
    const char* iniText;  // null: no uninstall.ini at all
    const char* title;
  } cases[] = {
      {"[config]\r\nsetupdir=C:\\x\\\r\nProductTitle=Tandrel 测试大厅\r\n", "Tandrel 测试大厅"},
      {"[config]\r\ngamename=Tandrel\r\n", "Tandrel"},
      {nullptr, "Tandrel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempDir tmp;
    std::string exe = tmp / "TandrelGame.exe";
    ASSERT_TRUE(CopyFileA(ClientPath().c_str(), exe.c_str(), FALSE)) << ClientPath();
    if (c.iniText) {
      CreateDirectoryA((tmp / "uninstall").c_str(), nullptr);
      WriteFileText(tmp / "uninstall\\uninstall.ini", c.iniText);
    }
    // The installer starts it from the install directory; another one shows in cwd=.
    TempDir elsewhere;
    RunningClient client(exe, elsewhere.path());
    ASSERT_TRUE(client.started());
    HWND hwnd = client.WaitForWindow(c.title);
    if (!hwnd && client.Exited(0) && client.ExitCode() == 1)
      GTEST_SKIP() << "no display for windows here";
    ASSERT_NE(hwnd, nullptr);

    std::string proof = ReadAll(tmp / "started.txt");
    std::string expected = "cmdline=" + exe + "\ncwd=" + elsewhere.path() + "\ntitle=" + c.title +
                           "\npid=" + std::to_string(client.pid()) + "\n";
    EXPECT_EQ(proof, expected);

    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(client.Exited(10000));
    EXPECT_EQ(client.ExitCode(), 0u);
  }
}

TEST(SampleClient, ClosesItselfAfterTheGivenTime) {
  TempDir tmp;
  std::string exe = tmp / "TandrelGame.exe";
  ASSERT_TRUE(CopyFileA(ClientPath().c_str(), exe.c_str(), FALSE));
  SetEnvironmentVariableA("TANDREL_CLIENT_EXIT_AFTER_MS", "300");
  std::string cmd = exe;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  BOOL ok = CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                           tmp.path().c_str(), &si, &pi);
  SetEnvironmentVariableA("TANDREL_CLIENT_EXIT_AFTER_MS", nullptr);
  ASSERT_TRUE(ok);
  DWORD wait = WaitForSingleObject(pi.hProcess, 20000);
  if (wait != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 2);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  ASSERT_EQ(wait, static_cast<DWORD>(WAIT_OBJECT_0)) << "client did not close itself";
  if (code == 1) GTEST_SKIP() << "no display for windows here";
  EXPECT_EQ(code, 0u);
}

}  // namespace
