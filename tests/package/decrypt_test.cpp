// Reading and decrypting: results, failures and the exact progress that is posted.
#include <cstring>
#include <random>

#include "tests/package/test_support.h"

namespace {

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (uint8_t& b : v) b = uint8_t(rng());
  return v;
}

std::vector<uint32_t> Range(uint32_t from, uint32_t to) {
  std::vector<uint32_t> v;
  for (uint32_t i = from; i <= to; ++i) v.push_back(i);
  return v;
}

std::vector<uint32_t> Concat(std::vector<uint32_t> a, const std::vector<uint32_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct ProgressCase {
  const char* what;
  uint32_t bodyLength;
  std::vector<uint32_t> readPieces;  // the header read comes first
  std::vector<uint32_t> posts;
  uint32_t pausedPosts;  // posts followed by a 20 ms pause
};

TEST(DecryptPackage, PostsProgressOnlyWhenThePercentageChanges) {
  const ProgressCase cases[] = {
      {"empty body", 0, {}, {25, 50}, 0},
      {"one block", 16, {}, {25, 50}, 0},
      {"4096 bytes in one read", 4096, {}, {25, 31, 37, 43, 50}, 3},
      {"4096 bytes read as 1024, 1024, 2048", 4096, {8, 1024, 1024, 2048},
       {6, 12, 25, 25, 31, 37, 43, 50}, 6},
      {"under 1 KiB uses byte formulas", 1008, {}, Concat(Concat({25}, Range(26, 49)), {50}), 24},
      // The block after the last whole KiB already reaches 50, before the fixed 50.
      {"3 KiB + 16 in small reads", 3088, {8, 512, 512, 512, 512, 512, 512, 16},
       {0, 8, 16, 25, 25, 33, 41, 50, 50}, 7},
  };
  for (const ProgressCase& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    std::vector<uint8_t> plain = RandomBytes(c.bodyLength, c.bodyLength);
    WriteBytes(dir.path() / "p.dat", EncryptPackage(plain, 0x01020304));

    Recorder rec;
    rec.readPieces.assign(c.readPieces.begin(), c.readPieces.end());
    int window = 0;
    PackageExtractor extractor;
    extractor.notifyWindow = &window;
    uint32_t payloadLength = 0;
    uint8_t* body = extractor.DecryptPackage(kPackagePassword, (dir.path() / "p.dat").string().c_str(),
                                             payloadLength);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(payloadLength, 0x01020304u);
    EXPECT_EQ(0, c.bodyLength ? std::memcmp(body, plain.data(), c.bodyLength) : 0);
    FreePackageBuffer(body);

    EXPECT_EQ(rec.posts, c.posts);
    EXPECT_EQ(rec.pauses, std::vector<unsigned>(c.pausedPosts, 20));
    for (void* w : rec.windows) EXPECT_EQ(w, &window);
  }
}

TEST(DecryptPackage, ReadThatStopsEarlyEndsTheReadingPhase) {
  ScratchDir dir;
  std::vector<uint8_t> plain = RandomBytes(4096, 1);
  WriteBytes(dir.path() / "p.dat", EncryptPackage(plain, 4096));
  Recorder rec;
  // A read that yields nothing (the file shrank) after the first KiB.
  rec.readPieces = {8, 1024, 0};
  PackageExtractor extractor;
  uint32_t payloadLength = 0;
  uint8_t* body = extractor.DecryptPackage(kPackagePassword, (dir.path() / "p.dat").string().c_str(),
                                           payloadLength);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(0, std::memcmp(body, plain.data(), 1024));
  FreePackageBuffer(body);
  // The fixed 25 does not move the comparison value, so the first block posts 25 again.
  EXPECT_EQ(rec.posts, (std::vector<uint32_t>{6, 25, 25, 31, 37, 43, 50}));
}

TEST(DecryptPackage, RefusesWrongLengthsAndMissingFilesWithoutPosting) {
  ScratchDir dir;
  for (size_t size : {0u, 1u, 4u, 7u, 9u, 23u, 8u + 4095u}) {
    SCOPED_TRACE(size);
    WriteBytes(dir.path() / "p.dat", std::vector<uint8_t>(size, 0x5a));
    Recorder rec;
    PackageExtractor extractor;
    uint32_t payloadLength = 0xDEADBEEF;
    EXPECT_EQ(nullptr, extractor.DecryptPackage(kPackagePassword,
                                                (dir.path() / "p.dat").string().c_str(), payloadLength));
    EXPECT_EQ(payloadLength, 0xDEADBEEFu);
    EXPECT_TRUE(rec.posts.empty());
  }
  Recorder rec;
  PackageExtractor extractor;
  uint32_t payloadLength = 7;
  EXPECT_EQ(nullptr, extractor.DecryptPackage(kPackagePassword,
                                              (dir.path() / "absent.dat").string().c_str(), payloadLength));
  EXPECT_EQ(nullptr, extractor.DecryptPackage(kPackagePassword, dir.dir().c_str(), payloadLength));
  EXPECT_EQ(payloadLength, 7u);
  EXPECT_TRUE(rec.posts.empty());
}

TEST(DecryptPackage, OtherPasswordGivesOtherBytes) {
  ScratchDir dir;
  std::vector<uint8_t> plain = RandomBytes(64, 3);
  WriteBytes(dir.path() / "p.dat", EncryptPackage(plain, 64, "123456"));
  Recorder rec;
  PackageExtractor extractor;
  uint32_t payloadLength = 0;
  uint8_t* body = extractor.DecryptPackage("123456", (dir.path() / "p.dat").string().c_str(), payloadLength);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(0, std::memcmp(body, plain.data(), 64));
  FreePackageBuffer(body);
  body = extractor.DecryptPackage(kPackagePassword, (dir.path() / "p.dat").string().c_str(), payloadLength);
  ASSERT_NE(body, nullptr);
  EXPECT_NE(0, std::memcmp(body, plain.data(), 64));
  FreePackageBuffer(body);
}

}  // namespace
