#include "tests/window/window_fixture.h"

#include <cstdio>

TestServer& Server() {
  static TestServer server;
  static const bool started = server.Start(PortOfUrl(kSetupConfigUrl));
  EXPECT_TRUE(started) << "cannot listen on the port of " << kSetupConfigUrl;
  return server;
}

std::string ServerUrl(const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(PortOfUrl(kSetupConfigUrl)) + path;
}

std::string SetupText(const std::string& gameName, const std::string& sizeLine) {
  return "[setup]\r\ngamename=" + gameName + "\r\nexefilename=TandrelGame.exe\r\nProductTitle=Tandrel\r\n" +
         sizeLine + "\r\nurlAgreement=" + ServerUrl("/licence.html") +
         "\r\nuninstname=unins.exe\r\nPublisher=P\r\nContact=C\r\n[config]\r\n1.0=" +
         ServerUrl("/update/list.txt") + "\r\n";
}

void InstallerWindowTest::SetUp() {
  InstallRecordingSeams();
  ClearBoxes();
  ChosenFolder().clear();
  LastFolderTitle().clear();
  FolderDialogCalls() = 0;
  OpenedAddresses().clear();
  Server().Serve("/update/online_setup.txt", SetupText("Tandrel"));
  Server().Serve("/update/list.txt", "[list0]\r\naction=0\r\n");
  PumpMessages();
}

bool InstallerWindowTest::Open(DWORD style) {
  window.emplace(GetModuleHandleA(nullptr));
  char title[260];
  std::snprintf(title, sizeof(title), "%s在线安装", kProductName);
  return window->Create(title, title, style, RECT{0, 0, 455, 325});
}

void InstallerWindowTest::Close() {
  if (!window) return;
  // The worker borrows setup; it must be done before the object goes.
  if (window->setup.workerThread) WaitForSingleObject(window->setup.workerThread, 30000);
  HWND main = window->hWnd;
  // The downloaded setup configuration is kept by design; the tests clean up after themselves.
  if (!window->setup.configPath.empty()) DeleteFileA(window->setup.configPath.c_str());
  window.reset();
  if (main) DestroyWindow(main);
  PumpMessages();
}

void InstallerWindowTest::Command(int id, int code) {
  SendMessageA(window->hWnd, WM_COMMAND, MAKEWPARAM(id, code), 0);
}

void InstallerWindowTest::Type(const std::string& text) {
  SetWindowTextA(window->hPathEdit, text.c_str());
  Command(IDC_PATH, EN_CHANGE);
}

std::string InstallerWindowTest::FieldText() const {
  char text[600] = {};
  GetWindowTextA(window->hPathEdit, text, sizeof(text));
  return text;
}

std::set<int> InstallerWindowTest::ShownControls() const {
  std::set<int> shown;
  const HWND controls[] = {window->btnInstall.hwnd, window->btnLicence.hwnd, window->btnCustom.hwnd,
                           window->hAgreeCheck,     window->btnBrowse.hwnd,  window->btnDefaultDir.hwnd,
                           window->btnBack.hwnd,    window->hPathEdit,       window->hProgress,
                           window->btnCancelInstall.hwnd, window->btnClose.hwnd,
                           window->btnMinimize.hwnd};
  // The window itself is hidden in tests, so a child's own style says whether it is shown.
  for (HWND control : controls)
    if (GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE) shown.insert(GetDlgCtrlID(control));
  return shown;
}
