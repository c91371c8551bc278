#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <thread>

#include "engine/setup_info.h"
#include "shell/shortcuts.h"
#include "tests/engine/engine_test_support.h"

namespace {

constexpr char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
  return path;
}

struct Link {
  std::string target;
  std::string workingDir;
};

// Reads a .lnk through the shell's own link object; empty target when unreadable.
Link ReadLink(const std::string& path) {
  Link link;
  CoInitialize(nullptr);
  IShellLinkA* shellLink = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&shellLink)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH] = {};
      MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
      if (SUCCEEDED(file->Load(wide, STGM_READ))) {
        char buffer[MAX_PATH] = {};
        if (SUCCEEDED(shellLink->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) {
          link.target = buffer;
        }
        buffer[0] = '\0';
        if (SUCCEEDED(shellLink->GetWorkingDirectory(buffer, MAX_PATH))) link.workingDir = buffer;
      }
      file->Release();
    }
    shellLink->Release();
  }
  CoUninitialize();
  return link;
}

std::string RegistryText(const std::string& key, const char* name) {
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return "<no key>";
  }
  char value[1024] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  LONG result = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return "<no value>";
  if (type == REG_DWORD) return "dword:" + std::to_string(*reinterpret_cast<DWORD*>(value));
  return value;
}

std::string IniText(const std::string& file, const char* key) {
  char value[512] = {};
  GetPrivateProfileStringA("config", key, "<none>", value, sizeof value, file.c_str());
  return value;
}

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 200; ++i) {
    if (FileExists(path)) {
      Sleep(100);
      return true;
    }
    Sleep(50);
  }
  return false;
}

// A stand-in for a running game client: a top-level window with the product title
// on its own thread, which notes whether the package had been unpacked when it closed.
class RunningClient {
 public:
  RunningClient(const std::string& title, std::string watchedFile)
      : watched_(std::move(watchedFile)) {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, title] { Run(title); });
    WaitForSingleObject(ready_, 10000);
  }
  ~RunningClient() {
    if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
    CloseHandle(ready_);
  }
  bool closed() const { return closed_; }
  bool closedBeforeUnpack() const { return closedBeforeUnpack_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<RunningClient*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_CLOSE && self != nullptr) {
      self->closed_ = true;
      self->closedBeforeUnpack_ = !FileExists(self->watched_);
      self->window_ = nullptr;
      DestroyWindow(window);
      return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, w, l);
  }
  void Run(const std::string& title) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TandrelEngineTestClient";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, windowClass.lpszClassName, title.c_str(), WS_POPUP, 0, 0, 10,
                              10, nullptr, nullptr, windowClass.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetEvent(ready_);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  }

  std::string watched_;
  HANDLE ready_;
  std::thread thread_;
  HWND window_ = nullptr;
  bool closed_ = false;
  bool closedBeforeUnpack_ = false;
};

class InstallCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    Server().Clear();
    TakeBoxes();
    dir_ = ScratchDir("install");
    strcpy(setup_.gamename, "泰卓引擎测试");
    strcpy(setup_.exefilename, "TandrelTest.exe");
    strcpy(setup_.ProductTitle, "泰卓引擎测试客户端");
    strcpy(setup_.uninstname, "unins.exe");
    strcpy(setup_.Publisher, "泰卓公司");
    strcpy(setup_.Contact, "客服 400-000");
    desktop_ = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\";
    programs_ = SpecialFolder(CSIDL_PROGRAMS) + "\\";
    commonPrograms_ = SpecialFolder(CSIDL_COMMON_PROGRAMS) + "\\";
    CleanUp();
  }
  void TearDown() override { CleanUp(); }

  void CleanUp() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUninstallRoot) + setup_.gamename).c_str());
    for (const char* name : {"TandrelTest", "my.game", "game"}) {
      DeleteFileA((desktop_ + name + ".lnk").c_str());
    }
    RemoveDirectoryTree((programs_ + setup_.gamename).c_str());
    RemoveDirectoryTree((commonPrograms_ + setup_.gamename).c_str());
  }

  std::vector<std::pair<std::string, std::string>> ClientFiles() {
    std::string client = TestClientBytes();
    return {{"Client\\TandrelTest.exe", client},
            {"Client\\Data\\Readme.TXT", "read me\r\n"},
            {"Client\\uninstall\\unins.exe", client}};
  }

  // Puts a package into the install folder and runs the command as the worker would.
  std::vector<Posted> RunCommand(const std::string& package) {
    WriteFileBytes(dir_ + "pkg.dat", package);
    strcpy(setup_.installDir, dir_.c_str());
    setup_.notifyWindow = window_.Handle();
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(dir_.c_str());
    result_ = setup_.RunInstallCommand("pkg.dat");
    SetCurrentDirectoryA(previous);
    return window_.Drain();
  }

  NotifyWindow window_;
  SetupInfo setup_;
  std::string dir_, desktop_, programs_, commonPrograms_;
  bool result_ = false;
};

TEST_F(InstallCommandTest, WholeInstallFromTheServer) {
  std::string client = TestClientBytes();
  Server().Serve("/client.pkg", {"200 OK", BuildPackage(ClientFiles()), Fault::kNone, 0});
  Server().Serve("/list.txt", {"200 OK",
                               "[list0]\r\naction=3\r\nsrcfile=" + Server().Url("/client.pkg") +
                                   "\r\ndestfile=client.pkg\r\ncmd=DEC\r\n",
                               Fault::kNone, 0});
  std::string configDir = ScratchDir("install-config");
  setup_.configPath = WriteConfig(configDir, "1.0=" + Server().Url("/list.txt") + "\r\n");
  // Leftovers of an earlier install, which the command replaces.
  CreateDirectoryA((programs_ + setup_.gamename).c_str(), nullptr);
  WriteFileBytes(programs_ + setup_.gamename + "\\old.txt", "old");
  CreateDirectoryA((commonPrograms_ + setup_.gamename).c_str(), nullptr);
  WriteFileBytes(commonPrograms_ + setup_.gamename + "\\old.txt", "old");

  RunningClient running(setup_.ProductTitle, dir_ + "tandreltest.exe");
  std::vector<Posted> posted = RunWorker(setup_, window_, dir_);

  EXPECT_EQ(Outline(posted), "S2 S2 P0..100 S4 P0..100 S6 P0..100 S7 S6");
  EXPECT_TRUE(TakeBoxes().empty());
  EXPECT_TRUE(running.closed());
  EXPECT_TRUE(running.closedBeforeUnpack());

  EXPECT_EQ(ReadFileBytes(dir_ + "tandreltest.exe"), client);
  EXPECT_EQ(ReadFileBytes(dir_ + "data\\readme.txt"), "read me\r\n");
  EXPECT_FALSE(FileExists(dir_ + "client.pkg"));

  std::string key = std::string(kUninstallRoot) + setup_.gamename;
  std::string uninstaller = dir_ + "uninstall\\unins.exe";
  std::string ini = dir_ + "uninstall\\uninstall.ini";
  EXPECT_EQ(RegistryText(key, "DisplayName"), setup_.gamename);
  EXPECT_EQ(RegistryText(key, "UninstallString"),
            "\"" + uninstaller + "\" \"/U:" + ini + "\"");
  EXPECT_EQ(RegistryText(key, "DisplayIcon"), "\"" + uninstaller + "\"");
  EXPECT_EQ(RegistryText(key, "Publisher"), "泰卓公司");
  EXPECT_EQ(RegistryText(key, "Contact"), "客服 400-000");
  EXPECT_EQ(RegistryText(key, "NoModify"), "dword:1");

  std::string program = dir_ + "TandrelTest.exe";
  std::string workingDir = dir_.substr(0, dir_.size() - 1);
  Link desktop = ReadLink(desktop_ + "TandrelTest.lnk");
  EXPECT_EQ(desktop.target, program);
  EXPECT_EQ(desktop.workingDir, workingDir);
  std::string group = programs_ + setup_.gamename + "\\";
  EXPECT_EQ(ReadLink(group + "TandrelTest.lnk").target, program);
  EXPECT_EQ(ReadLink(group + "TandrelTest卸载.lnk").target, uninstaller);
  EXPECT_EQ(ReadLink(group + "TandrelTest卸载.lnk").workingDir, dir_ + "uninstall");
  EXPECT_FALSE(FileExists(group + "old.txt"));
  EXPECT_FALSE(FileExists(commonPrograms_ + setup_.gamename));

  EXPECT_EQ(IniText(ini, "setupdir"), dir_);
  EXPECT_EQ(IniText(ini, "gamename"), setup_.gamename);
  EXPECT_EQ(IniText(ini, "shortcutname"), "TandrelTest");
  EXPECT_EQ(IniText(ini, "ProductTitle"), setup_.ProductTitle);

  ASSERT_TRUE(WaitForFile(dir_ + "started.txt"));
  EXPECT_EQ(ReadFileBytes(dir_ + "started.txt"), workingDir);
}

TEST_F(InstallCommandTest, ShortcutNamesFollowTheProgramName) {
  std::string client = TestClientBytes();
  struct Case {
    const char* exefilename;
    const char* shortcut;
    bool starts;
  } cases[] = {
      {"game.exe", "game", true},
      {"my.game.exe", "my.game", true},
      {"game", "game", false},  // not in the package: the launch fails after the links
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exefilename);
    CleanUp();
    dir_ = ScratchDir("install");
    strcpy(setup_.exefilename, c.exefilename);
    std::vector<std::pair<std::string, std::string>> files = {{"c\\uninstall\\unins.exe", client}};
    if (c.starts) files.push_back({std::string("c\\") + c.exefilename, client});
    std::vector<Posted> posted = RunCommand(BuildPackage(files));
    EXPECT_EQ(result_, c.starts);
    EXPECT_EQ(posted.back().lParam, c.starts ? STATUS_COMPLETE : STATUS_ERROR);
    std::vector<Box> boxes = TakeBoxes();
    EXPECT_EQ(boxes.size(), c.starts ? 0u : 1u);
    if (!c.starts) {
      EXPECT_EQ(boxes.at(0).text.rfind("找不到" + dir_ + c.exefilename + "文件. 错误号:", 0), 0u);
    }
    std::string program = dir_ + c.exefilename;
    std::string group = programs_ + setup_.gamename + "\\";
    EXPECT_EQ(ReadLink(desktop_ + c.shortcut + ".lnk").target, program);
    EXPECT_EQ(ReadLink(group + c.shortcut + ".lnk").target, program);
    EXPECT_EQ(ReadLink(group + c.shortcut + "卸载.lnk").target, dir_ + "uninstall\\unins.exe");
    EXPECT_EQ(IniText(dir_ + "uninstall\\uninstall.ini", "shortcutname"), c.shortcut);
    if (c.starts) {
      EXPECT_TRUE(WaitForFile(dir_ + "started.txt"));
    }
  }
}

TEST_F(InstallCommandTest, BrokenPackageStopsBeforeAnyChange) {
  std::vector<Posted> posted = RunCommand(std::string(8 + 32, '\x5a'));
  EXPECT_FALSE(result_);
  std::vector<Box> boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "错误");
  EXPECT_EQ(boxes[0].text, "解压文件失败");
  std::string outline = Outline(posted);
  EXPECT_EQ(outline.substr(outline.size() - 2), "S0");
  EXPECT_EQ(outline.find("S"), outline.size() - 2) << outline;  // one status only
  EXPECT_TRUE(FileExists(dir_ + "pkg.dat"));
  EXPECT_EQ(RegistryText(std::string(kUninstallRoot) + setup_.gamename, "DisplayName"),
            "<no key>");
  EXPECT_FALSE(FileExists(desktop_ + "TandrelTest.lnk"));
}

TEST_F(InstallCommandTest, PackageWithoutUninstallFolderStillStartsTheGame) {
  std::vector<Posted> posted =
      RunCommand(BuildPackage({{"Client\\TandrelTest.exe", TestClientBytes()}}));
  EXPECT_TRUE(result_);
  EXPECT_EQ(posted.back().lParam, STATUS_COMPLETE);
  EXPECT_FALSE(FileExists(dir_ + "uninstall\\uninstall.ini"));
  EXPECT_EQ(RegistryText(std::string(kUninstallRoot) + setup_.gamename, "DisplayIcon"),
            "\"" + dir_ + "uninstall\\unins.exe\"");
  EXPECT_TRUE(WaitForFile(dir_ + "started.txt"));
}

TEST_F(InstallCommandTest, UnsafeOrOverlongNamesAreRefused) {
  // Sentinel: removing the program group must never reach the Programs folder itself.
  std::string sentinel = programs_ + "tandrel-engine-sentinel.txt";
  ASSERT_TRUE(WriteFileBytes(sentinel, "keep"));
  std::string longName(250, 'n');
  struct Case {
    const char* name;
    std::string gamename;
    std::string exefilename;
  } cases[] = {
      {"empty game name", "", "TandrelTest.exe"},
      {"parent folder", "..", "TandrelTest.exe"},
      {"nested folder", "a\\..\\..", "TandrelTest.exe"},
      {"link too long", "泰卓引擎测试", longName + ".exe"},
  };
  std::string package = BuildPackage(ClientFiles());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    strcpy(setup_.gamename, c.gamename.c_str());
    strcpy(setup_.exefilename, c.exefilename.c_str());
    std::vector<Posted> posted = RunCommand(package);
    EXPECT_FALSE(result_);
    EXPECT_EQ(Outline(posted), "S0");
    EXPECT_EQ(TakeBoxes().size(), 1u);
    EXPECT_TRUE(FileExists(dir_ + "pkg.dat"));
    EXPECT_FALSE(FileExists(dir_ + "tandreltest.exe"));
    EXPECT_TRUE(FileExists(sentinel));
  }
  DeleteFileA(sentinel.c_str());
  strcpy(setup_.gamename, "泰卓引擎测试");
}

}  // namespace
