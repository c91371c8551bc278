// The file table, the path rules and extraction into a directory.
#include <algorithm>
#include <set>

#include "package/package_check.h"
#include "tests/package/test_support.h"

namespace {

// What the extraction posted after the decryption's closing 50.
std::vector<uint32_t> AfterDecrypt(const std::vector<uint32_t>& posts) {
  auto it = std::find(posts.begin(), posts.end(), 50u);
  if (it == posts.end()) return {999};
  // Decryption may post 50 twice; skip to the fixed one.
  while (it + 1 != posts.end() && *(it + 1) == 50u) ++it;
  return std::vector<uint32_t>(it + 1, posts.end());
}

// Every file and folder below root, as relative generic paths with their exact names.
std::set<std::string> Tree(const fs::path& root) {
  std::set<std::string> names;
  for (auto& e : fs::recursive_directory_iterator(root))
    names.insert(fs::relative(e.path(), root).generic_string());
  return names;
}

int Extract(const ScratchDir& dir) {
  PackageExtractor extractor;
  return extractor.ExtractPackage("pkg.dat", dir.dir());
}

TEST(PackagePaths, JoinPathAndStripFirstComponent) {
  struct {
    const char* base;
    const char* relative;
    const char* joined;
  } const joins[] = {
      {"C:\\Games\\Client\\", "pkg.dat", "C:\\Games\\Client\\pkg.dat"},
      {"C:\\Games\\Client\\\\", "\\sub\\a.txt", "C:\\Games\\Client\\sub\\a.txt"},
      {"C:\\Games\\Client", "\\\\\\a", "C:\\Games\\Client\\a"},
      {"C:\\Games\\Client\\\\", "", "C:\\Games\\Client\\\\"},
      {"C:/Games/", "a/b", "C:/Games/\\a/b"},
      {"", "a", "\\a"},
  };
  for (const auto& j : joins) EXPECT_EQ(JoinPath(j.base, j.relative), j.joined) << j.base << " + " << j.relative;

  struct {
    const char* name;
    const char* rest;
  } const strips[] = {
      {"client\\data\\a.bin", "\\data\\a.bin"},
      {"client\\", "\\"},
      {"\\lead", "\\lead"},
      {"plain.txt", ""},
      {"a/b\\c", "\\c"},
      {"", ""},
  };
  for (const auto& s : strips) EXPECT_EQ(StripFirstComponent(s.name), s.rest) << s.name;
}

TEST(ParsePackageTable, LowersAsciiBytesKeepsLaterRecordAndOrdersBytewise) {
  std::vector<uint8_t> payload = BuildPayload({
      {"Top\\Z.txt", "z"},
      {"top\\a\\x", "ax"},
      {"top\\a", "a"},
      {"top\\\xb0\xa1.txt", "gbk"},         // a lead byte above 0x7f sorts after ASCII
      {"Top\\\x81\x41.txt", "trail"},       // the trail byte 'A' is lowered as well
      {"TOP\\A", "later a"},                // replaces top\a
  });
  PackageTable table;
  ParsePackageTable(uint32_t(payload.size()), payload.data(), table);
  std::vector<std::string> keys;
  for (auto& [key, entry] : table) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"top\\a", "top\\a\\x", "top\\z.txt",
                                            "top\\\x81\x61.txt", "top\\\xb0\xa1.txt"}));
  // The later record's place: TOP\A is the sixth record, after "trail" in the contents.
  uint32_t contents = 4 + 268 * 6;
  EXPECT_EQ(table["top\\a"].offset, contents + 1 + 2 + 1 + 3 + 5);
  EXPECT_EQ(table["top\\a"].size, 7u);
}

TEST(ParsePackageTable, EmptyWhenTheTableDoesNotFit) {
  std::vector<uint8_t> payload = BuildPayload({{"t\\a", "x"}, {"t\\b", "y"}});
  struct {
    const char* what;
    int32_t count;
    uint32_t length;
  } const cases[] = {
      {"count 0", 0, uint32_t(payload.size())},
      {"negative count", -1, uint32_t(payload.size())},
      {"most negative count", INT32_MIN, uint32_t(payload.size())},
      {"huge count", INT32_MAX, uint32_t(payload.size())},
      {"records overrun the length", 2, 4 + 268 * 2 - 1},
      {"length under 4", 2, 3},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> p = payload;
    StoreLe32(p, 0, uint32_t(c.count));
    PackageTable table;
    ParsePackageTable(c.length, p.data(), table);
    EXPECT_TRUE(table.empty()) << c.what;
  }
  PackageTable table;
  ParsePackageTable(0, nullptr, table);
  EXPECT_TRUE(table.empty());
  // Exactly fitting records, even with no contents behind them.
  ParsePackageTable(4 + 268 * 2, payload.data(), table);
  EXPECT_EQ(table.size(), 2u);
}

TEST(ExtractPackage, WritesLowerCasedPathsAndNestedFolders) {
  ScratchDir dir;
  WritePackage(dir.path() / "pkg.dat", {{"Client\\Bin\\Game.EXE", "MZ game"},
                                        {"Client\\data\\Deep\\x.bin", std::string("\0\1\2", 3)},
                                        {"Client\\empty.txt", ""}});
  Recorder rec;
  EXPECT_EQ(0, Extract(dir));
  EXPECT_EQ(Tree(dir.path()), (std::set<std::string>{"pkg.dat", "bin", "bin/game.exe", "data",
                                                     "data/deep", "data/deep/x.bin", "empty.txt"}));
  EXPECT_EQ(ReadText(dir.path() / "bin" / "game.exe"), "MZ game");
  EXPECT_EQ(ReadText(dir.path() / "data" / "deep" / "x.bin"), std::string("\0\1\2", 3));
  EXPECT_EQ(fs::file_size(dir.path() / "empty.txt"), 0u);
  EXPECT_EQ(AfterDecrypt(rec.posts), (std::vector<uint32_t>{66, 83, 100}));
  EXPECT_EQ(std::count(rec.pauses.begin(), rec.pauses.end(), 10u), 2);
}

TEST(ExtractPackage, ProgressCountsOnlyFilesThatOpened) {
  struct {
    const char* what;
    std::vector<FileSpec> files;
    bool blockSecond;
    std::vector<uint32_t> posts;
  } const cases[] = {
      {"three written", {{"t\\a", "1"}, {"t\\b", "2"}, {"t\\c", "3"}}, false, {66, 83, 100}},
      {"second unopenable", {{"t\\a", "1"}, {"t\\b", "2"}, {"t\\c", "3"}}, true, {66, 100}},
      {"single entry", {{"t\\a", "1"}}, false, {100}},
      {"name without a backslash is skipped", {{"readme", "r"}, {"t\\a", "1"}}, false, {100}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    WritePackage(dir.path() / "pkg.dat", c.files);
    // A folder where a file should go cannot be opened for writing.
    if (c.blockSecond) fs::create_directory(dir.path() / "b");
    Recorder rec;
    EXPECT_EQ(0, Extract(dir));
    EXPECT_EQ(AfterDecrypt(rec.posts), c.posts);
    EXPECT_FALSE(fs::exists(dir.path() / "readme"));
  }
}

TEST(ExtractPackage, LaterRecordAndLaterTopFolderWin) {
  ScratchDir dir;
  WritePackage(dir.path() / "pkg.dat", {{"b\\x.dat", "from b"},
                                        {"a\\x.dat", "from a"},
                                        {"T\\Same.txt", "first"},
                                        {"t\\SAME.TXT", "second"}});
  Recorder rec;
  EXPECT_EQ(0, Extract(dir));
  EXPECT_EQ(ReadText(dir.path() / "x.dat"), "from b");
  EXPECT_EQ(ReadText(dir.path() / "same.txt"), "second");
  // Three entries (a\x.dat, b\x.dat, t\same.txt); the third write posts 50 + 100/3.
  EXPECT_EQ(AfterDecrypt(rec.posts), (std::vector<uint32_t>{66, 83, 100}));
}

TEST(ExtractPackage, ReplacesReadOnlyAndExistingFiles) {
  ScratchDir dir;
  fs::create_directory(dir.path() / "sub");
  WriteBytes(dir.path() / "sub" / "locked.txt", {'o', 'l', 'd', ' ', 'l', 'o', 'n', 'g', 'e', 'r'});
  fs::permissions(dir.path() / "sub" / "locked.txt",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  WriteBytes(dir.path() / "keep.txt", {'k'});
  WritePackage(dir.path() / "pkg.dat", {{"top\\sub\\locked.txt", "new"}});
  Recorder rec;
  EXPECT_EQ(0, Extract(dir));
  EXPECT_EQ(ReadText(dir.path() / "sub" / "locked.txt"), "new");
  // The read-only mark is gone (root could have written through it anyway).
  EXPECT_NE(fs::status(dir.path() / "sub" / "locked.txt").permissions() & fs::perms::owner_write,
            fs::perms::none);
  EXPECT_EQ(ReadText(dir.path() / "keep.txt"), "k");
}

TEST(ExtractPackage, UnreadablePackagesReturnOneAfterDecryption) {
  struct {
    const char* what;
    std::vector<uint8_t> file;  // empty: no package file at all
  } cases[] = {
      {"missing", {}},
      {"wrong length", std::vector<uint8_t>(25, 1)},
      {"count 0", EncryptPackage(std::vector<uint8_t>(16, 0), 16)},
      {"wrong password", {}},
  };
  std::vector<uint8_t> good = BuildPayload({{"t\\a", "1"}});
  cases[3].file = EncryptPackage(good, uint32_t(good.size()), "000000");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    if (!c.file.empty()) WriteBytes(dir.path() / "pkg.dat", c.file);
    Recorder rec;
    EXPECT_EQ(1, Extract(dir));
    EXPECT_TRUE(rec.posts.empty() || rec.posts.back() == 50u);
    EXPECT_EQ(Tree(dir.path()).size(), c.file.empty() ? 0u : 1u);
  }
  ScratchDir dir;
  WritePackage(dir.path() / "pkg.dat", {{"t\\a", "1"}});
  PackageExtractor extractor;
  Recorder rec;
  EXPECT_EQ(1, extractor.ExtractPackage("", dir.dir()));
}

// Each case holds a sound record first: nothing at all may be written.
TEST(ExtractPackage, HostilePackagesWriteNothing) {
  const std::vector<FileSpec> sound = {{"t\\good.txt", "good"}};
  auto with = [&](const std::string& name) {
    std::vector<FileSpec> files = sound;
    files.push_back({name, "evil"});
    return BuildPayload(files);
  };
  struct Case {
    std::string what;
    std::vector<uint8_t> payload;
    uint32_t declaredLength;  // 0: the payload's own length
    PackageFault fault;
    std::string name = "";
  };
  std::vector<Case> cases;
  // Installed into scratch/inst/, so a climb of one level still lands in scratch/.
  ScratchDir scratch;
  const std::string outside = scratch.path().generic_string() + "/abs.txt";
  for (std::string name : {"t\\..\\evil.txt", "t\\sub\\..\\..\\evil.txt", "t\\c:\\evil.txt",
                           "t\\C:evil.txt", "t\\x.txt:stream", "t\\/ABS", "t\\\\/ABS",
                           "t\\a/../../evil.txt", "t\\...\\evil.txt", "t\\.. \\evil.txt", "t\\..",
                           "t\\sub\\.."}) {
    size_t abs = name.find("/ABS");
    if (abs != std::string::npos) name.replace(abs, 4, outside);
    cases.push_back({"path", with(name), 0, PackageFault::kPathLeavesInstallDir, name});
  }
  std::vector<uint8_t> p = with("t\\evil.txt");
  uint32_t second = 4 + 268 + 260;  // offset field of the second record
  std::vector<uint8_t> beyond = p;
  StoreLe32(beyond, second + 4, 5);  // size one byte past the end
  cases.push_back({"offset + size past the payload", beyond, 0, PackageFault::kRecordOutOfBounds});
  std::vector<uint8_t> wraps = p;
  StoreLe32(wraps, second, 0xFFFFFFF0u);
  StoreLe32(wraps, second + 4, 0x20);  // wraps around 32 bits
  cases.push_back({"offset + size wraps", wraps, 0, PackageFault::kRecordOutOfBounds});
  std::vector<uint8_t> within = p;
  std::vector<uint8_t> shorter = p;
  cases.push_back({"records point past a shorter declared length", shorter, uint32_t(p.size() - 1),
                   PackageFault::kRecordOutOfBounds});
  cases.push_back({"declared length beyond the body", within, uint32_t(p.size() + 4096),
                   PackageFault::kPayloadBeyondBody});
  std::vector<uint8_t> unterminated = p;
  std::fill(unterminated.begin() + 4 + 268, unterminated.begin() + 4 + 268 + 260, 'n');
  cases.push_back({"name without NUL", unterminated, 0, PackageFault::kNameUnterminated});
  std::vector<uint8_t> huge = p;
  StoreLe32(huge, 0, 0x7FFFFFFF);
  cases.push_back({"huge record count", huge, 0, PackageFault::kTableDoesNotFit});

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what + " " + c.name);
    uint32_t length = c.declaredLength ? c.declaredLength : uint32_t(c.payload.size());
    uint32_t body = uint32_t((c.payload.size() + 15) / 16 * 16);
    EXPECT_EQ(CheckPackagePayload(c.payload.data(), length, body).fault, c.fault);

    const fs::path inst = scratch.path() / "inst";
    fs::create_directories(inst / "sub");
    WriteBytes(inst / "pkg.dat", EncryptPackage(c.payload, length));
    Recorder rec;
    PackageExtractor extractor;
    EXPECT_EQ(1, extractor.ExtractPackage("pkg.dat", inst.string() + ScratchDir::Separator()));
    EXPECT_EQ(Tree(scratch.path()), (std::set<std::string>{"inst", "inst/pkg.dat", "inst/sub"}));
    fs::remove_all(inst);
    ASSERT_FALSE(rec.posts.empty());
    EXPECT_EQ(rec.posts.back(), 50u);
  }
}

TEST(PackageCheck, ContainedPaths) {
  struct {
    const char* relative;
    bool contained;
  } const cases[] = {
      {"\\a\\b.txt", true},     {"", true},           {"\\.\\a", true},
      {"\\a..b\\c", true},      {"\\..a", true},      {"\\a.\\b", true},
      {"\\..", false},          {"\\a\\..\\..\\b", false}, {"\\a/..", false},
      {"\\c:\\x", false},       {"\\a:b", false},     {"\\/etc", false},
      {"\\\\\\/etc", false},    {"\\. .", false},     {"\\....", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsContainedPath(c.relative), c.contained) << c.relative;
}

}  // namespace
