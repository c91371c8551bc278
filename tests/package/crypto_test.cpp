// The cipher, the digest and the key derivation against published answers.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "package/aes128.h"
#include "package/md5.h"
#include "package/package_extractor.h"

namespace {

std::vector<uint8_t> Hex(const std::string& hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::string ToHex(const uint8_t* p, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += kDigits[p[i] >> 4];
    s += kDigits[p[i] & 15];
  }
  return s;
}

struct AesCase {
  const char* key;
  const char* plain;
  const char* cipher;
};

// FIPS-197 appendices C.1 and B, and the ECB-AES128 examples of SP 800-38A.
const AesCase kAesCases[] = {
    {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
     "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
     "3925841d02dc09fbdc118597196a0b32"},
    {"2b7e151628aed2a6abf7158809cf4f3c",
     "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
     "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710",
     "3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf"
     "43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4"},
};

TEST(Aes128, KnownAnswersBothDirections) {
  for (const AesCase& c : kAesCases) {
    SCOPED_TRACE(c.cipher);
    std::vector<uint8_t> key = Hex(c.key), data = Hex(c.cipher);
    Aes128 aes;
    aes.SetDecryptKey(key.data());
    aes.DecryptBlocks(data.data(), data.size() / 16);
    EXPECT_EQ(ToHex(data.data(), data.size()), c.plain);

    data = Hex(c.plain);
    aes.SetEncryptKey(key.data());
    aes.EncryptBlocks(data.data(), data.size() / 16);
    EXPECT_EQ(ToHex(data.data(), data.size()), c.cipher);
  }
}

TEST(Aes128, RoundTripsAndTreatsEveryBlockAlone) {
  std::mt19937 rng(7);
  for (size_t blocks : {1u, 2u, 63u, 64u, 65u, 1000u}) {
    SCOPED_TRACE(blocks);
    uint8_t key[16];
    for (uint8_t& b : key) b = uint8_t(rng());
    std::vector<uint8_t> plain(blocks * 16);
    for (uint8_t& b : plain) b = uint8_t(rng());
    // Two equal plaintext blocks give equal ciphertext: no chaining.
    std::memcpy(plain.data() + plain.size() - 16, plain.data(), 16);

    Aes128 enc, dec;
    enc.SetEncryptKey(key);
    dec.SetDecryptKey(key);
    std::vector<uint8_t> data = plain;
    enc.EncryptBlocks(data.data(), blocks);
    EXPECT_NE(data, plain);
    EXPECT_EQ(0, std::memcmp(data.data(), data.data() + data.size() - 16, 16));

    // Decrypting block by block agrees with decrypting all at once.
    std::vector<uint8_t> single = data;
    for (size_t i = 0; i < blocks; ++i) dec.DecryptBlocks(single.data() + 16 * i, 1);
    dec.DecryptBlocks(data.data(), blocks);
    EXPECT_EQ(data, plain);
    EXPECT_EQ(single, plain);
  }
}

struct Md5Case {
  std::string input;
  const char* digest;
};

// RFC 1321's suite, then lengths around the padding boundaries.
const Md5Case kMd5Cases[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
    {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
    {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
    {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
    {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
    {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
    {std::string(119, 'a'), "8a7bd0732ed6a28ce75f6dabc90e1613"},
    {std::string(120, 'a'), "5f61c0ccad4cac44c75ff505e1f1e537"},
};

TEST(Md5, KnownAnswersOneShotAndChunked) {
  MD5_CTX ctx;
  for (const Md5Case& c : kMd5Cases) {
    SCOPED_TRACE(c.input.size());
    uint8_t digest[16];
    ctx.Update(c.input.data(), c.input.size());
    ctx.Final(digest);
    EXPECT_EQ(ToHex(digest, 16), c.digest);

    for (size_t chunk : {1u, 3u, 17u, 64u}) {
      for (size_t at = 0; at < c.input.size(); at += chunk)
        ctx.Update(c.input.data() + at, std::min(chunk, c.input.size() - at));
      ctx.Final(digest);
      EXPECT_EQ(ToHex(digest, 16), c.digest) << "chunk " << chunk;
    }
  }
}

TEST(Md5, FinalLeavesAFreshContext) {
  MD5_CTX used;
  used.Update("some earlier message", 20);
  uint8_t digest[16];
  used.Final(digest);
  MD5_CTX fresh;
  EXPECT_EQ(0, std::memcmp(used.state, fresh.state, sizeof fresh.state));
  EXPECT_EQ(0, std::memcmp(used.count, fresh.count, sizeof fresh.count));
  EXPECT_EQ(0x80, used.padding[0]);
  for (int i = 1; i < 64; ++i) ASSERT_EQ(0, used.padding[i]);
}

struct KeyCase {
  const char* password;
  const char* key;
  const char* why;
};

// Digests: 580274 c5279d21..., pw443 00000fe1 006c..., pw473 eeff8600...,
// pw49 062088cf 00..., pw162 ...8300...
const KeyCase kKeyCases[] = {
    {"580274", "d4279d302bb2c80a6a7f13fc4d705ac0", "the package password"},
    {"pw443", "11010ff0046c9de47a04e096e0e3de77", "zero at 0 -> 0x11, at 1 -> 1, at 4 -> 4"},
    {"pw473", "ffff8612d65296e4cb8b0eb624e3ac95", "zero at 3 -> 3 ^ 0x11"},
    {"pw49", "172088de0453138956f31e087c72ba5f", "zero at 4 -> 4, not xored"},
    {"pw162", "36d2fa6a186592072444714c95bd67ce", "zero at 7 -> 7; 6 xored, 7 not"},
    {"", "c51d8cc88f05a304e9910998fdf8426f", "empty password"},
};

TEST(DerivePackageKey, ZeroBytesThenEveryThirdXored) {
  for (const KeyCase& c : kKeyCases) {
    uint8_t key[16];
    DerivePackageKey(c.password, std::strlen(c.password), key);
    EXPECT_EQ(ToHex(key, 16), c.key) << c.why;
  }
  // Only the given length counts.
  uint8_t key[16];
  DerivePackageKey("580274trailing", 6, key);
  EXPECT_EQ(ToHex(key, 16), kKeyCases[0].key);
  EXPECT_STREQ(kPackagePassword, "580274");
}

}  // namespace
