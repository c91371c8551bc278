// The uninstaller's checks and removals against the real file system and registry.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/uninstaller/uninstall_core.h"

namespace {

std::string Special(int csidl) {
  char path[MAX_PATH] = {};
  if (SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return "";
  return path;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

// A scratch folder under the temp folder, removed afterwards whatever the test did.
class Scratch : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    root_ = std::string(temp) + "tdu-test-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(root_.c_str(), nullptr);
  }
  void TearDown() override { RemoveFolderTree(root_.c_str(), nullptr); }
  std::string Dir(const std::string& relative) {
    std::string path = root_ + "\\" + relative;
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
  }
  std::string root_;
};

TEST(ParseUninstallArgs, AcceptsTheEntryAndHelperFormsOnly) {
  struct Case {
    std::vector<const char*> args;
    bool ok;
    const char* ini;
    bool silent;
  };
  const Case cases[] = {
      {{"/U:C:\\G\\uninstall\\uninstall.ini"}, true, "C:\\G\\uninstall\\uninstall.ini", false},
      {{"/U:C:\\a.ini", "/S"}, true, "C:\\a.ini", true},
      {{"/s", "/u:C:\\a.ini"}, true, "C:\\a.ini", true},
      {{}, false, "", false},
      {{"/S"}, false, "", true},
      {{"/U:"}, false, "", false},
      {{"/U:C:\\a.ini", "/X"}, false, "", false},
      {{"/U:C:\\a.ini", "extra"}, false, "", false},
      {{"/FINISH:12", "/EXE:C:\\G\\u.exe", "/DIR:C:\\G"}, true, "", false},
      {{"/FINISH:12"}, false, "", false},
      {{"/FINISH:x1", "/EXE:C:\\G\\u.exe", "/DIR:C:\\G"}, false, "", false},
      {{"/FINISH:0", "/EXE:C:\\G\\u.exe", "/DIR:C:\\G"}, false, "", false},
      {{"/FINISH:12", "/EXE:C:\\G\\u.exe", "/DIR:C:\\G", "/U:C:\\a.ini"}, false, "", false},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv{const_cast<char*>("uninstall.exe")};
    for (const char* a : c.args) argv.push_back(const_cast<char*>(a));
    UninstallArgs args;
    std::string label = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(ParseUninstallArgs(static_cast<int>(argv.size()), argv.data(), args), c.ok) << label;
    if (!c.ok) continue;
    EXPECT_STREQ(args.iniPath, c.ini) << label;
    EXPECT_EQ(args.silent, c.silent) << label;
  }
  std::string longIni = "/U:C:\\" + std::string(300, 'a');
  std::vector<char*> argv{const_cast<char*>("u.exe"), const_cast<char*>(longIni.c_str())};
  UninstallArgs args;
  EXPECT_FALSE(ParseUninstallArgs(2, argv.data(), args));
}

TEST(NormalizeFolder, GivesFullBackslashPathsWithoutTrailingSeparator) {
  struct Case {
    const char* in;
    const char* out;  // null: refused
  };
  const Case cases[] = {
      {"C:\\Games\\Client\\", "C:\\Games\\Client"},
      {"c:/games/client", "c:\\games\\client"},
      {"C:\\Games\\\\", "C:\\Games"},
      {"C:\\Games\\Client\\..\\..\\", "C:\\"},
      {"C:\\", "C:\\"},
      {"Games\\Client", nullptr},
      {"\\Games\\Client", nullptr},
      {"\\\\server\\share\\game", nullptr},
      {"C:Games", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    char out[MAX_PATH];
    bool ok = NormalizeFolder(c.in, out, sizeof out);
    EXPECT_EQ(ok, c.out != nullptr) << c.in;
    if (ok && c.out) {
      EXPECT_STREQ(out, c.out) << c.in;
    }
  }
}

TEST(IsPlainName, RejectsAnythingThatCouldClimbOrSplit) {
  EXPECT_TRUE(IsPlainName("Tandrel"));
  EXPECT_TRUE(IsPlainName("塔德尔 游戏"));
  // In GBK these end in byte 0x5C, the backslash: a byte-wise check would split them.
  EXPECT_TRUE(IsPlainName("嘰塡"));
  for (const char* bad : {"", ".", "..", "a\\b", "a/b", "C:", "a*", "a?", "a|b", "\"a\""})
    EXPECT_FALSE(IsPlainName(bad)) << bad;
}

TEST(IsProtectedFolder, RefusesRootsSystemAndProfileFolders) {
  std::string profile = Special(CSIDL_PROFILE);
  std::string profiles = profile.substr(0, profile.rfind('\\'));
  std::string windows = Special(CSIDL_WINDOWS);
  std::string programFiles = Special(CSIDL_PROGRAM_FILES);
  std::vector<std::string> refused = {
      "C:\\",        "Z:\\",        windows,          Special(CSIDL_SYSTEM), windows + "\\Fonts\\x",
      programFiles,  profile,       profiles,         Special(CSIDL_DESKTOPDIRECTORY),
      Special(CSIDL_PERSONAL),      Special(CSIDL_PROGRAMS),
  };
  for (const std::string& folder : refused) {
    char normal[MAX_PATH];
    ASSERT_TRUE(NormalizeFolder(folder.c_str(), normal, sizeof normal)) << folder;
    EXPECT_TRUE(IsProtectedFolder(normal)) << folder;
  }
  for (const std::string& folder : {programFiles + "\\Tandrel", std::string("C:\\Games\\Tandrel"),
                                    Special(CSIDL_DESKTOPDIRECTORY) + "\\Tandrel"}) {
    char normal[MAX_PATH];
    ASSERT_TRUE(NormalizeFolder(folder.c_str(), normal, sizeof normal)) << folder;
    EXPECT_FALSE(IsProtectedFolder(normal)) << folder;
  }
}

TEST(IsInsideFolder, NeedsASeparatorAtTheBoundary) {
  EXPECT_TRUE(IsInsideFolder("C:\\Games\\Client\\a.exe", "C:\\Games\\Client"));
  EXPECT_TRUE(IsInsideFolder("c:\\games\\CLIENT\\u\\a.exe", "C:\\Games\\Client"));
  EXPECT_TRUE(IsInsideFolder("C:\\Games", "C:\\"));
  EXPECT_FALSE(IsInsideFolder("C:\\Games\\Client2\\a.exe", "C:\\Games\\Client"));
  EXPECT_FALSE(IsInsideFolder("C:\\Games\\Client", "C:\\Games\\Client"));
}

class LoadConfig : public Scratch {};

TEST_F(LoadConfig, AcceptsAnInstalledFolderAndRefusesEverythingElse) {
  std::string game = Dir("游戏");
  Dir("游戏\\uninstall");
  Dir("empty");
  WriteFile(game + "\\TandrelGame.exe", "MZ");
  std::string ini = game + "\\uninstall\\uninstall.ini";
  std::string windows = Special(CSIDL_WINDOWS);
  std::string longName(300, 'x');
  struct Case {
    const char* label;
    std::string body;
    Refusal expected;
  };
  const std::string tail = "gamename=Tandrel\nshortcutname=TandrelGame\nProductTitle=Tandrel 游戏大厅\n";
  const Case cases[] = {
      {"installed", "[config]\nsetupdir=" + game + "\\\n" + tail, REFUSAL_NONE},
      {"no title", "[config]\nsetupdir=" + game + "\ngamename=T\nshortcutname=TandrelGame\n", REFUSAL_NONE},
      {"drive root", "[config]\nsetupdir=C:\\\n" + tail, REFUSAL_UNSAFE_DIR},
      {"climbs to root", "[config]\nsetupdir=" + game + "\\..\\..\\..\\..\\..\\..\\..\n" + tail,
       REFUSAL_UNSAFE_DIR},
      {"windows", "[config]\nsetupdir=" + windows + "\n" + tail, REFUSAL_UNSAFE_DIR},
      {"relative", "[config]\nsetupdir=Games\\Tandrel\n" + tail, REFUSAL_UNSAFE_DIR},
      {"no program", "[config]\nsetupdir=" + root_ + "\\empty\n" + tail, REFUSAL_NO_PROGRAM},
      {"missing folder", "[config]\nsetupdir=" + root_ + "\\gone\n" + tail, REFUSAL_NO_PROGRAM},
      {"no setupdir", "[config]\n" + tail, REFUSAL_INI_INVALID},
      {"no section", "setupdir=" + game + "\n" + tail, REFUSAL_INI_INVALID},
      {"gamename climbs", "[config]\nsetupdir=" + game + "\ngamename=..\nshortcutname=TandrelGame\n",
       REFUSAL_INI_INVALID},
      {"gamename nested", "[config]\nsetupdir=" + game + "\ngamename=a\\b\nshortcutname=TandrelGame\n",
       REFUSAL_INI_INVALID},
      {"empty gamename", "[config]\nsetupdir=" + game + "\ngamename=\nshortcutname=TandrelGame\n",
       REFUSAL_INI_INVALID},
      {"shortcut climbs", "[config]\nsetupdir=" + game + "\ngamename=T\nshortcutname=..\\TandrelGame\n",
       REFUSAL_INI_INVALID},
      {"too long", "[config]\nsetupdir=" + game + "\ngamename=" + longName + "\nshortcutname=TandrelGame\n",
       REFUSAL_INI_INVALID},
  };
  for (const Case& c : cases) {
    WriteFile(ini, c.body);
    UninstallConfig config;
    EXPECT_EQ(LoadUninstallConfig(ini.c_str(), config), c.expected) << c.label;
  }

  WriteFile(ini, "[config]\nsetupdir=" + game + "\\\n" + tail);
  UninstallConfig config;
  ASSERT_EQ(LoadUninstallConfig(ini.c_str(), config), REFUSAL_NONE);
  EXPECT_EQ(std::string(config.setupdir), game);
  EXPECT_STREQ(config.gamename, "Tandrel");
  EXPECT_STREQ(config.shortcutname, "TandrelGame");
  EXPECT_STREQ(config.ProductTitle, "Tandrel 游戏大厅");

  EXPECT_EQ(LoadUninstallConfig((root_ + "\\missing.ini").c_str(), config), REFUSAL_INI_MISSING);
  EXPECT_EQ(LoadUninstallConfig(game.c_str(), config), REFUSAL_INI_MISSING);
}

class RemoveTreeTest : public Scratch {};

TEST_F(RemoveTreeTest, RemovesEverythingButTheKeptFileAndItsFolders) {
  std::string game = Dir("game");
  Dir("game\\data");
  Dir("game\\data\\deep");
  Dir("game\\uninstall");
  WriteFile(game + "\\TandrelGame.exe", "MZ");
  WriteFile(game + "\\data\\deep\\a.bin", "x");
  WriteFile(game + "\\data\\readonly.txt", "r");
  SetFileAttributesA((game + "\\data\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  WriteFile(game + "\\uninstall\\uninstall.ini", "[config]\n");
  WriteFile(game + "\\uninstall\\TandrelUninstall.exe", "MZ");
  std::string sibling = Dir("game2");
  WriteFile(sibling + "\\keep.txt", "k");

  std::string keep = game + "\\uninstall\\TandrelUninstall.exe";
  EXPECT_EQ(RemoveFolderTree(game.c_str(), keep.c_str()), 0);
  EXPECT_TRUE(Exists(keep));
  EXPECT_FALSE(Exists(game + "\\uninstall\\uninstall.ini"));
  EXPECT_FALSE(Exists(game + "\\data"));
  EXPECT_FALSE(Exists(game + "\\TandrelGame.exe"));
  EXPECT_TRUE(Exists(sibling + "\\keep.txt"));

  EXPECT_EQ(RemoveFolderTree(game.c_str(), nullptr), 0);
  EXPECT_FALSE(Exists(game));
  EXPECT_TRUE(Exists(sibling + "\\keep.txt"));
}

TEST_F(RemoveTreeTest, CountsWhatCouldNotBeRemoved) {
  std::string game = Dir("busy");
  std::string file = game + "\\open.dat";
  WriteFile(file, "x");
  HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_GT(RemoveFolderTree(game.c_str(), nullptr), 0);
  CloseHandle(held);
  EXPECT_EQ(RemoveFolderTree(game.c_str(), nullptr), 0);
  EXPECT_FALSE(Exists(game));
}

TEST(RemoveShellEntries, RemovesLinksGroupsAndKeyOfThisGameOnly) {
  const std::string name = "TandrelUninstallTest" + std::to_string(GetCurrentProcessId());
  const std::string other = name + "Other";
  std::string desktop = Special(CSIDL_DESKTOPDIRECTORY);
  std::string programs = Special(CSIDL_PROGRAMS);
  std::string common = Special(CSIDL_COMMON_PROGRAMS);
  ASSERT_FALSE(desktop.empty());
  ASSERT_FALSE(programs.empty());
  WriteFile(desktop + "\\" + name + ".lnk", "link");
  WriteFile(desktop + "\\" + other + ".lnk", "link");
  for (const std::string& folder : {programs, common}) {
    CreateDirectoryA((folder + "\\" + name).c_str(), nullptr);
    WriteFile(folder + "\\" + name + "\\" + name + ".lnk", "link");
  }
  CreateDirectoryA((programs + "\\" + other).c_str(), nullptr);
  const std::string base = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  for (const std::string& key : {base + name + "\\Sub", base + other}) {
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, key.c_str(), &h), ERROR_SUCCESS);
    RegSetValueExA(h, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegCloseKey(h);
  }

  UninstallConfig config;
  snprintf(config.gamename, sizeof config.gamename, "%s", name.c_str());
  snprintf(config.shortcutname, sizeof config.shortcutname, "%s", name.c_str());
  RemoveShellEntries(config);

  EXPECT_FALSE(Exists(desktop + "\\" + name + ".lnk"));
  EXPECT_FALSE(Exists(programs + "\\" + name));
  EXPECT_FALSE(Exists(common + "\\" + name));
  HKEY h = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (base + name).c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);

  EXPECT_TRUE(Exists(desktop + "\\" + other + ".lnk"));
  EXPECT_TRUE(Exists(programs + "\\" + other));
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (base + other).c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
  RegCloseKey(h);
  DeleteFileA((desktop + "\\" + other + ".lnk").c_str());
  RemoveDirectoryA((programs + "\\" + other).c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, (base + other).c_str());
}

}  // namespace
