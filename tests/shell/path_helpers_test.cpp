#include "shell/path_helpers.h"
#include "shell/path_helpers_internal.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <string>

#include "tests/shell/temp_dir.h"

TEST(PathEndsWith, Cases) {
  struct Case {
    const char* path;
    const char* name;
    bool expected;
  } cases[] = {
      {"D:\\Games\\Client\\", "Client", true},
      {"D:\\Games\\Client", "Client", true},
      {"D:/Games/Client/", "Client", true},
      {"D:\\Games\\", "Client", false},
      {"D:\\MyClient\\", "Client", true},  // no separator needed before the name
      {"Client\\", "Client", true},
      {"Client", "Client", false},  // equal strings are not a match
      {"Client/", "Client", true},
      {"D:\\Games\\client\\", "Client", false},  // case matters
      {"D:\\Client\\\\", "Client", false},       // only one trailing separator is ignored
      {"D:\\Client\\x", "Client", false},
      // 誠 is 0xD5 0x5C in code page 936: its second byte is no separator.
      {"D:\\Games\\誠", "誠", true},
      {"D:\\Games\\誠\\", "誠", true},
      {"ab", "", true},
      {"", "", false},
      {nullptr, "Client", false},
      {"D:\\Client\\", nullptr, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PathEndsWith(c.path, c.name), c.expected)
        << (c.path ? c.path : "(null)") << " / " << (c.name ? c.name : "(null)");
  }
}

TEST(GetSystemDriveRoot, SmallCapacityIsRaisedAndBufferUntouched) {
  for (int start : {0, 3, -5}) {
    char buffer[8];
    memset(buffer, 'x', sizeof buffer);
    int capacity = start;
    GetSystemDriveRoot(buffer, capacity);
    EXPECT_EQ(capacity, 4) << start;
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(8, 'x')) << start;
  }
}

TEST(GetSystemDriveRoot, FillsRootAndZeroesTheRest) {
  char systemDir[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryA(systemDir, sizeof systemDir), 3u);
  for (int size : {4, 260}) {
    char buffer[300];
    memset(buffer, 'x', sizeof buffer);
    int capacity = size;
    GetSystemDriveRoot(buffer, capacity);
    EXPECT_EQ(capacity, size);
    EXPECT_EQ(std::string(buffer, 3), std::string(systemDir, 3));
    EXPECT_EQ(buffer[1], ':');
    EXPECT_EQ(buffer[2], '\\');
    EXPECT_EQ(std::string(buffer + 3, size - 3), std::string(size - 3, '\0')) << size;
    EXPECT_EQ(buffer[size], 'x') << "wrote past capacity " << size;
  }
}

TEST(CreateDirectoryTree, CreatesEveryLevelWithEitherSeparator) {
  struct Case {
    const char* rel;
    const char* deepest;
  } cases[] = {
      {"a\\b\\c", "a\\b\\c"},
      {"d/e/f", "d\\e\\f"},
      {"g/h\\i/", "g\\h\\i"},
      {"j\\k\\", "j\\k"},
  };
  TempDir tmp;
  for (const Case& c : cases) {
    std::string path = tmp.path() + "\\" + c.rel;
    EXPECT_TRUE(CreateDirectoryTree(path.c_str()));
    EXPECT_TRUE(IsDirectory(tmp / c.deepest)) << c.rel;
  }
  // An existing chain is fine too.
  EXPECT_TRUE(CreateDirectoryTree((tmp / "a\\b\\c").c_str()));
  EXPECT_TRUE(IsDirectory(tmp / "a\\b\\c"));
}

TEST(CreateDirectoryTree, PathTooLongForItsBufferCreatesNothing) {
  TempDir tmp;
  std::string path = tmp / "top\\";
  path += std::string(300, 'n');
  EXPECT_TRUE(CreateDirectoryTree(path.c_str()));
  EXPECT_FALSE(Exists(tmp / "top"));

  // The last length that fits: path plus the added backslash fill 259 bytes.
  std::string fits = tmp / "fit\\";
  fits += std::string(258 - fits.size(), 'f');
  ASSERT_EQ(fits.size(), 258u);
  EXPECT_TRUE(CreateDirectoryTree(fits.c_str()));
  EXPECT_TRUE(IsDirectory(tmp / "fit"));
}

TEST(GetFreeDiskSpaceKB, SystemDriveMeasuresAndUnknownDrivesFail) {
  EXPECT_GE(GetFreeDiskSpaceKB("C:\\Program Files\\Tandrel\\"), 0);
  EXPECT_GE(GetFreeDiskSpaceKB("C:"), 0);

  DWORD drives = GetLogicalDrives();
  char missing = 0;
  for (char letter = 'Y'; letter >= 'D'; --letter) {
    if (!(drives & (1u << (letter - 'A')))) {
      missing = letter;
      break;
    }
  }
  ASSERT_NE(missing, 0) << "no free drive letter to test with";
  char path[] = "?:\\Games\\";
  path[0] = missing;
  EXPECT_EQ(GetFreeDiskSpaceKB(path), -1);

  for (const char* bad : {"\\\\server\\share\\", "", "C", "relative\\dir"})
    EXPECT_EQ(GetFreeDiskSpaceKB(bad), -1) << bad;
  EXPECT_EQ(GetFreeDiskSpaceKB(nullptr), -1);
}

TEST(GetFreeDiskSpaceKB, LargeDrivesClampInsteadOfTurningNegative) {
  const unsigned long long kTiB = 1ull << 40;
  struct Case {
    unsigned long long bytes;
    int kib;
  } cases[] = {
      {0, 0},
      {1023, 0},
      {1024, 1},
      {5 * 1024 + 1023, 5},
      {2 * kTiB - 1024, INT_MAX},
      {2 * kTiB, INT_MAX},  // low 32 bits alone would read as INT_MIN
      {4 * kTiB, INT_MAX},  // ... and as 0 here
      {~0ull, INT_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(KiBFromFreeBytes(c.bytes), c.kib) << c.bytes;
}
