#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "engine/setup_info.h"
#include "tests/engine/engine_test_support.h"

namespace {

TEST(LaunchProgramTest, FailuresExplainThemselves) {
  std::string dir = ScratchDir("launcher");
  ASSERT_TRUE(WriteFileBytes(dir + "notes.exe", "just some text, not a program\r\n"));
  struct Case {
    const char* name;
    std::string commandLine;
    std::string reason;
  } cases[] = {
      {"missing file", dir + "missing.exe", "找不到" + dir + "missing.exe文件."},
      {"text file named like a program", dir + "notes.exe",
       dir + "notes.exe文件不是有效运行程序."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetupInfo setup;
    EXPECT_FALSE(setup.LaunchProgram(c.commandLine.c_str()));
    std::string text = setup.errorText;
    EXPECT_EQ(text.rfind(c.reason + " 错误号:", 0), 0u) << text;
    EXPECT_TRUE(std::regex_match(text.substr(c.reason.size()), std::regex(" 错误号:-?[0-9]+")))
        << text;
  }
}

TEST(LaunchProgramTest, LongCommandLineIsCutToErrorTextOnACharacterBoundary) {
  // Two prefixes of different parity: one of them puts the cut inside a character.
  for (const char* prefix : {"x", "xy"}) {
    SCOPED_TRACE(prefix);
    SetupInfo setup;
    std::string name = prefix;
    for (int i = 0; i < 140; ++i) name += "泰";
    std::string commandLine = ScratchDir("launcher") + name + ".exe";
    EXPECT_FALSE(setup.LaunchProgram(commandLine.c_str()));
    size_t length = strlen(setup.errorText);
    EXPECT_GE(length, 259u);
    EXPECT_LE(length, 260u);
    EXPECT_EQ(std::string(setup.errorText).rfind("找不到", 0), 0u);
    wchar_t wide[300];
    EXPECT_NE(MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, setup.errorText, -1, wide, 300), 0)
        << "half a character at the end";
  }
}

TEST(LaunchProgramTest, SuccessStartsInCurrentDirAndKeepsErrorText) {
  std::string dir = ScratchDir("launcher-ok");
  ASSERT_TRUE(WriteFileBytes(dir + "client.exe", TestClientBytes()));
  SetupInfo setup;
  strcpy(setup.errorText, "earlier text");
  char previous[MAX_PATH];
  GetCurrentDirectoryA(sizeof previous, previous);
  SetCurrentDirectoryA(dir.c_str());
  bool started = setup.LaunchProgram((dir + "client.exe").c_str());
  SetCurrentDirectoryA(previous);
  EXPECT_TRUE(started);
  EXPECT_STREQ(setup.errorText, "earlier text");
  for (int i = 0; i < 200 && !FileExists(dir + "started.txt"); ++i) Sleep(50);
  Sleep(100);
  std::string startedIn = ReadFileBytes(dir + "started.txt");
  EXPECT_EQ(startedIn + "\\", dir);
}

TEST(LaunchProgramTest, PathWithBlankStartsThatProgramNotAShorterPrefix) {
  // Unquoted, "<dir>a b\client.exe" would first resolve to the decoy "<dir>a.exe".
  std::string dir = ScratchDir("launcher-blank");
  ASSERT_TRUE(WriteFileBytes(dir + "a.exe", "decoy, not a program\r\n"));
  CreateDirectoryA((dir + "a b").c_str(), nullptr);
  std::string program = dir + "a b\\client.exe";
  ASSERT_TRUE(WriteFileBytes(program, TestClientBytes()));
  SetupInfo setup;
  char previous[MAX_PATH];
  GetCurrentDirectoryA(sizeof previous, previous);
  SetCurrentDirectoryA(dir.c_str());
  bool started = setup.LaunchProgram(program.c_str());
  SetCurrentDirectoryA(previous);
  EXPECT_TRUE(started) << setup.errorText;
  for (int i = 0; i < 200 && !FileExists(dir + "started.txt"); ++i) Sleep(50);
  EXPECT_TRUE(FileExists(dir + "started.txt"));
}

}  // namespace
