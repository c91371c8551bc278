#include "shell/shortcuts.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "tests/shell/temp_dir.h"

namespace {

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path))) return std::string();
  return path;
}

struct LinkInfo {
  bool loaded = false;
  std::string path;
  std::string workDir;
};

// Reads a .lnk back through the shell's own link object.
LinkInfo ReadLink(const std::string& file) {
  LinkInfo info;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return info;
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
      char buf[MAX_PATH] = {};
      link->GetPath(buf, sizeof buf, nullptr, SLGP_RAWPATH);
      info.path = buf;
      buf[0] = '\0';
      link->GetWorkingDirectory(buf, sizeof buf);
      info.workDir = buf;
      info.loaded = true;
    }
    persist->Release();
  }
  link->Release();
  return info;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

class Shortcuts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    desktop_ = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    programs_ = SpecialFolder(CSIDL_PROGRAMS);
    ASSERT_FALSE(desktop_.empty());
    ASSERT_FALSE(programs_.empty());
    char unique[64];
    snprintf(unique, sizeof unique, "TandrelTest%lu_%d", GetCurrentProcessId(), ++serial_);
    name_ = unique;
    // A real target with a lower-case drive letter, as a user may type it.
    target_ = tmp_ / "client.exe";
    WriteFileText(target_, "MZ");
    target_[0] = static_cast<char>(tolower(static_cast<unsigned char>(target_[0])));
  }
  void TearDown() override {
    DeleteFileA((desktop_ + "\\" + name_ + ".lnk").c_str());
    RemoveDirectoryTree((programs_ + "\\" + name_).c_str());
    RemoveDirectoryTree((desktop_ + "\\" + name_).c_str());
    DeleteFileA((programs_ + "\\" + name_ + ".lnk").c_str());
    CoUninitialize();
  }

  std::string WorkDirOf(const std::string& target) {
    std::string dir = target.substr(0, target.rfind('\\'));
    dir[0] = static_cast<char>(toupper(static_cast<unsigned char>(dir[0])));
    return dir;
  }

  static int serial_;
  TempDir tmp_;
  std::string desktop_, programs_, name_, target_;
};
int Shortcuts::serial_ = 0;

TEST_F(Shortcuts, DesktopLinkPointsAtTargetWithUpperCasedWorkingDirectory) {
  ASSERT_TRUE(CreateShortcut(target_.c_str(), name_.c_str(), SHORTCUT_DESKTOP, false));
  LinkInfo info = ReadLink(desktop_ + "\\" + name_ + ".lnk");
  ASSERT_TRUE(info.loaded);
  EXPECT_EQ(Lower(info.path), Lower(target_));
  EXPECT_EQ(info.workDir, WorkDirOf(target_));
  EXPECT_TRUE(isupper(static_cast<unsigned char>(info.workDir[0])));
}

TEST_F(Shortcuts, ExistingLinkIsReplaced) {
  std::string other = tmp_ / "sub";
  CreateDirectoryA(other.c_str(), nullptr);
  other += "\\other.exe";
  WriteFileText(other, "MZ");
  ASSERT_TRUE(CreateShortcut(target_.c_str(), name_.c_str(), SHORTCUT_DESKTOP, false));
  ASSERT_TRUE(CreateShortcut(other.c_str(), name_.c_str(), SHORTCUT_DESKTOP, false));
  LinkInfo info = ReadLink(desktop_ + "\\" + name_ + ".lnk");
  ASSERT_TRUE(info.loaded);
  EXPECT_EQ(Lower(info.path), Lower(other));
  EXPECT_EQ(info.workDir, WorkDirOf(other));
}

TEST_F(Shortcuts, AllUsersAndUnknownLocationsCreateOnTheDesktop) {
  for (int location : {static_cast<int>(SHORTCUT_COMMON_PROGRAMS), 7, -1}) {
    std::string lnk = desktop_ + "\\" + name_ + ".lnk";
    DeleteFileA(lnk.c_str());
    ASSERT_TRUE(CreateShortcut(target_.c_str(), name_.c_str(), location, false)) << location;
    EXPECT_TRUE(Exists(lnk)) << location;
    DeleteShortcut(name_.c_str(), SHORTCUT_DESKTOP, false);
    EXPECT_FALSE(Exists(lnk)) << location;
  }
}

TEST_F(Shortcuts, GroupFolderThenLinksInsideIt) {
  std::string group = programs_ + "\\" + name_;
  std::string link = name_ + "\\game";
  // The group must exist before a link can be saved into it.
  EXPECT_FALSE(CreateShortcut(target_.c_str(), link.c_str(), SHORTCUT_PROGRAMS, false));

  ASSERT_TRUE(CreateShortcut(nullptr, name_.c_str(), SHORTCUT_PROGRAMS, true));
  EXPECT_TRUE(IsDirectory(group));
  ASSERT_TRUE(CreateShortcut(target_.c_str(), link.c_str(), SHORTCUT_PROGRAMS, false));
  ASSERT_TRUE(CreateShortcut(target_.c_str(), (link + "卸载").c_str(), SHORTCUT_PROGRAMS, false));
  LinkInfo info = ReadLink(group + "\\game.lnk");
  ASSERT_TRUE(info.loaded);
  EXPECT_EQ(Lower(info.path), Lower(target_));
  EXPECT_TRUE(Exists(group + "\\game卸载.lnk"));

  // One link goes alone; a link that is not there changes nothing.
  DeleteShortcut(link.c_str(), SHORTCUT_PROGRAMS, false);
  EXPECT_FALSE(Exists(group + "\\game.lnk"));
  DeleteShortcut(link.c_str(), SHORTCUT_PROGRAMS, false);
  EXPECT_TRUE(Exists(group + "\\game卸载.lnk"));

  // The whole group goes, including what the user put there.
  CreateDirectoryA((group + "\\extra").c_str(), nullptr);
  WriteFileText(group + "\\extra\\notes.txt", "x");
  WriteFileText(group + "\\readme.txt", "x");
  DeleteShortcut(name_.c_str(), SHORTCUT_PROGRAMS, true);
  EXPECT_FALSE(Exists(group));
}

TEST_F(Shortcuts, AllUsersGroupIsRemovedFromTheAllUsersFolder) {
  std::string common = SpecialFolder(CSIDL_COMMON_PROGRAMS);
  ASSERT_FALSE(common.empty());
  ASSERT_NE(Lower(common), Lower(desktop_));
  std::string group = common + "\\" + name_;
  ASSERT_TRUE(CreateDirectoryA(group.c_str(), nullptr));
  WriteFileText(group + "\\game.lnk", "x");
  DeleteShortcut(name_.c_str(), SHORTCUT_COMMON_PROGRAMS, true);
  EXPECT_FALSE(Exists(group));
  RemoveDirectoryTree(group.c_str());
}

TEST_F(Shortcuts, DoubleByteNameEndingInBackslashByteKeepsItsFolder) {
  ASSERT_EQ(GetACP(), 936u);
  std::string target = tmp_ / "誠.exe";  // 誠 ends in the byte 0x5C
  WriteFileText(target, "MZ");
  ASSERT_TRUE(CreateShortcut(target.c_str(), name_.c_str(), SHORTCUT_DESKTOP, false));
  LinkInfo info = ReadLink(desktop_ + "\\" + name_ + ".lnk");
  ASSERT_TRUE(info.loaded);
  EXPECT_EQ(info.workDir, WorkDirOf(tmp_.path() + "\\x"));
}

TEST_F(Shortcuts, TargetWithoutBackslashGetsNoWorkingDirectory) {
  ASSERT_TRUE(CreateShortcut("client.exe", name_.c_str(), SHORTCUT_DESKTOP, false));
  LinkInfo info = ReadLink(desktop_ + "\\" + name_ + ".lnk");
  ASSERT_TRUE(info.loaded);
  EXPECT_EQ(info.workDir, "");
}

TEST_F(Shortcuts, OversizedInputsAreRefusedWithoutWriting) {
  // Links go into a folder of their own so no single name passes the file system's limit.
  ASSERT_TRUE(CreateShortcut(nullptr, name_.c_str(), SHORTCUT_DESKTOP, true));
  std::string folder = desktop_ + "\\" + name_;
  const size_t fixed = folder.size() + 1 + 4;  // backslash and ".lnk"
  // A link name whose full path, ".lnk" included, has the given length in bytes;
  // each wide character takes two bytes of it.
  auto leafFor = [&](size_t totalBytes, size_t wideChars) {
    std::string leaf;
    for (size_t i = 0; i < wideChars; ++i) leaf += "游";
    return leaf + std::string(totalBytes - fixed - leaf.size(), 'n');
  };
  struct Case {
    size_t bytes, wideChars;
    bool fits;
  } cases[] = {
      {259, 0, true},    // 259 characters plus NUL fill the 260 wide characters
      {260, 0, false},   // one character too many for the wide form
      {263, 20, true},   // 263 bytes, 243 characters
      {264, 20, false},  // one byte too many for the byte buffer
  };
  for (const Case& c : cases) {
    std::string leaf = leafFor(c.bytes, c.wideChars);
    std::string name = name_ + "\\" + leaf;
    std::string file = folder + "\\" + leaf + ".lnk";
    ASSERT_EQ(file.size(), c.bytes);
    EXPECT_EQ(CreateShortcut(target_.c_str(), name.c_str(), SHORTCUT_DESKTOP, false), c.fits)
        << c.bytes;
    EXPECT_EQ(Exists(file), c.fits) << c.bytes;
    DeleteShortcut(name.c_str(), SHORTCUT_DESKTOP, false);
    EXPECT_FALSE(Exists(file)) << c.bytes;
  }
  DeleteShortcut(name_.c_str(), SHORTCUT_DESKTOP, true);
  EXPECT_FALSE(Exists(folder));

  std::string longTarget = "C:\\" + std::string(300, 't') + "\\client.exe";
  EXPECT_FALSE(CreateShortcut(longTarget.c_str(), name_.c_str(), SHORTCUT_DESKTOP, false));
  EXPECT_FALSE(CreateShortcut(nullptr, name_.c_str(), SHORTCUT_DESKTOP, false));
  EXPECT_FALSE(CreateShortcut(target_.c_str(), nullptr, SHORTCUT_DESKTOP, false));
  EXPECT_FALSE(Exists(desktop_ + "\\" + name_ + ".lnk"));
  DeleteShortcut(nullptr, SHORTCUT_DESKTOP, true);
}

TEST(RemoveDirectoryTree, RemovesNestedTreeWithOrWithoutTrailingBackslash) {
  for (const char* suffix : {"", "\\"}) {
    TempDir tmp;
    std::string root = tmp / "tree";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA((root + "\\a").c_str(), nullptr);
    CreateDirectoryA((root + "\\a\\b").c_str(), nullptr);
    CreateDirectoryA((root + "\\empty").c_str(), nullptr);
    WriteFileText(root + "\\top.txt", "1");
    WriteFileText(root + "\\a\\mid.txt", "2");
    WriteFileText(root + "\\a\\b\\deep.txt", "3");
    RemoveDirectoryTree((root + suffix).c_str());
    EXPECT_FALSE(Exists(root)) << "suffix '" << suffix << "'";
    EXPECT_TRUE(IsDirectory(tmp.path()));
  }
}

TEST(RemoveDirectoryTree, FolderNameEndingInBackslashByte) {
  ASSERT_EQ(GetACP(), 936u);
  TempDir tmp;
  std::string root = tmp / "乗誠";  // the last byte of the name is 0x5C
  ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
  CreateDirectoryA((root + "\\sub").c_str(), nullptr);
  WriteFileText(root + "\\sub\\a.txt", "1");
  WriteFileText(root + "\\b.txt", "2");
  RemoveDirectoryTree(root.c_str());
  EXPECT_FALSE(Exists(root));
}

TEST(RemoveDirectoryTree, LockedFileKeepsItsFolders) {
  TempDir tmp;
  std::string root = tmp / "tree";
  CreateDirectoryA(root.c_str(), nullptr);
  CreateDirectoryA((root + "\\a").c_str(), nullptr);
  WriteFileText(root + "\\a\\busy.txt", "1");
  WriteFileText(root + "\\free.txt", "2");
  HANDLE busy = CreateFileA((root + "\\a\\busy.txt").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  RemoveDirectoryTree(root.c_str());
  EXPECT_TRUE(Exists(root + "\\a\\busy.txt"));
  EXPECT_FALSE(Exists(root + "\\free.txt"));
  CloseHandle(busy);
  RemoveDirectoryTree(root.c_str());
  EXPECT_FALSE(Exists(root));
}

TEST(RemoveDirectoryTree, MissingOrNullPathIsQuiet) {
  TempDir tmp;
  RemoveDirectoryTree(nullptr);
  RemoveDirectoryTree((tmp / "nothing\\here").c_str());
  RemoveDirectoryTree(std::string(400, 'x').c_str());
  EXPECT_TRUE(IsDirectory(tmp.path()));
}

}  // namespace
