#include "package/aes128.h"

#include <array>

namespace {

using Table = std::array<uint32_t, 256>;
using ByteTable = std::array<uint8_t, 256>;

constexpr uint8_t XTime(uint8_t x) { return uint8_t((x << 1) ^ ((x & 0x80) ? 0x1b : 0)); }

constexpr uint8_t Mul(uint8_t a, uint8_t b) {
  uint8_t r = 0;
  while (b) {
    if (b & 1) r ^= a;
    a = XTime(a);
    b >>= 1;
  }
  return r;
}

constexpr uint8_t Rotl8(uint8_t x, int n) { return uint8_t((x << n) | (x >> (8 - n))); }

// S-box from the multiplicative inverse and the affine map; 3 generates GF(2^8)*.
constexpr ByteTable MakeSbox() {
  ByteTable s{};
  uint8_t p = 1, q = 1;
  do {
    p = uint8_t(p ^ XTime(p));  // p *= 3
    q ^= uint8_t(q << 1);       // q /= 3
    q ^= uint8_t(q << 2);
    q ^= uint8_t(q << 4);
    if (q & 0x80) q ^= 0x09;
    s[p] = uint8_t(q ^ Rotl8(q, 1) ^ Rotl8(q, 2) ^ Rotl8(q, 3) ^ Rotl8(q, 4) ^ 0x63);
  } while (p != 1);
  s[0] = 0x63;
  return s;
}

constexpr ByteTable MakeInverse(const ByteTable& s) {
  ByteTable inv{};
  for (int i = 0; i < 256; ++i) inv[s[i]] = uint8_t(i);
  return inv;
}

constexpr uint32_t Ror(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

// Big-endian column words: the first state byte of a column is the top byte.
constexpr Table MakeTe(const ByteTable& s, int rot) {
  Table t{};
  for (int i = 0; i < 256; ++i) {
    uint8_t v = s[i];
    uint32_t w = uint32_t(Mul(v, 2)) << 24 | uint32_t(v) << 16 | uint32_t(v) << 8 | Mul(v, 3);
    t[i] = rot ? Ror(w, rot) : w;
  }
  return t;
}

constexpr Table MakeTd(const ByteTable& inv, int rot) {
  Table t{};
  for (int i = 0; i < 256; ++i) {
    uint8_t v = inv[i];
    uint32_t w = uint32_t(Mul(v, 0x0e)) << 24 | uint32_t(Mul(v, 0x09)) << 16 |
                 uint32_t(Mul(v, 0x0d)) << 8 | Mul(v, 0x0b);
    t[i] = rot ? Ror(w, rot) : w;
  }
  return t;
}

constexpr ByteTable kSbox = MakeSbox();
constexpr ByteTable kInvSbox = MakeInverse(kSbox);
constexpr Table kTe0 = MakeTe(kSbox, 0), kTe1 = MakeTe(kSbox, 8), kTe2 = MakeTe(kSbox, 16),
                kTe3 = MakeTe(kSbox, 24);
constexpr Table kTd0 = MakeTd(kInvSbox, 0), kTd1 = MakeTd(kInvSbox, 8),
                kTd2 = MakeTd(kInvSbox, 16), kTd3 = MakeTd(kInvSbox, 24);

static_assert(kSbox[0x53] == 0xed && kSbox[0x00] == 0x63 && kSbox[0xff] == 0x16, "S-box");
static_assert(kInvSbox[0x63] == 0x00, "inverse S-box");

inline uint32_t Load(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline void Store(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

inline uint32_t B0(uint32_t w) { return w >> 24; }
inline uint32_t B1(uint32_t w) { return (w >> 16) & 0xff; }
inline uint32_t B2(uint32_t w) { return (w >> 8) & 0xff; }
inline uint32_t B3(uint32_t w) { return w & 0xff; }

void ExpandKey(const uint8_t key[16], uint32_t rk[44]) {
  static constexpr uint32_t kRcon[10] = {0x01000000, 0x02000000, 0x04000000, 0x08000000,
                                         0x10000000, 0x20000000, 0x40000000, 0x80000000,
                                         0x1b000000, 0x36000000};
  for (int i = 0; i < 4; ++i) rk[i] = Load(key + 4 * i);
  for (int i = 4; i < 44; ++i) {
    uint32_t t = rk[i - 1];
    if (i % 4 == 0) {
      t = (uint32_t(kSbox[B1(t)]) << 24 | uint32_t(kSbox[B2(t)]) << 16 |
           uint32_t(kSbox[B3(t)]) << 8 | kSbox[B0(t)]) ^
          kRcon[i / 4 - 1];
    }
    rk[i] = rk[i - 4] ^ t;
  }
}

}  // namespace

void Aes128::SetEncryptKey(const uint8_t key[16]) { ExpandKey(key, roundKeys_); }

void Aes128::SetDecryptKey(const uint8_t key[16]) {
  uint32_t rk[44];
  ExpandKey(key, rk);
  // Round keys in reverse order; the inner ones pass through InvMixColumns
  // (the S-box lookup cancels the inverse S-box inside the Td tables).
  for (int round = 0; round <= 10; ++round) {
    for (int j = 0; j < 4; ++j) {
      uint32_t w = rk[4 * (10 - round) + j];
      if (round > 0 && round < 10) {
        w = kTd0[kSbox[B0(w)]] ^ kTd1[kSbox[B1(w)]] ^ kTd2[kSbox[B2(w)]] ^ kTd3[kSbox[B3(w)]];
      }
      roundKeys_[4 * round + j] = w;
    }
  }
}

namespace {

struct State {
  uint32_t w[4];
};

inline State LoadState(const uint8_t* p, const uint32_t* k) {
  return State{{Load(p) ^ k[0], Load(p + 4) ^ k[1], Load(p + 8) ^ k[2], Load(p + 12) ^ k[3]}};
}

inline State InvRound(const State& s, const uint32_t* k) {
  const uint32_t* w = s.w;
  return State{{kTd0[B0(w[0])] ^ kTd1[B1(w[3])] ^ kTd2[B2(w[2])] ^ kTd3[B3(w[1])] ^ k[0],
                kTd0[B0(w[1])] ^ kTd1[B1(w[0])] ^ kTd2[B2(w[3])] ^ kTd3[B3(w[2])] ^ k[1],
                kTd0[B0(w[2])] ^ kTd1[B1(w[1])] ^ kTd2[B2(w[0])] ^ kTd3[B3(w[3])] ^ k[2],
                kTd0[B0(w[3])] ^ kTd1[B1(w[2])] ^ kTd2[B2(w[1])] ^ kTd3[B3(w[0])] ^ k[3]}};
}

inline uint32_t InvLastWord(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  return uint32_t(kInvSbox[B0(a)]) << 24 | uint32_t(kInvSbox[B1(b)]) << 16 |
         uint32_t(kInvSbox[B2(c)]) << 8 | kInvSbox[B3(d)];
}

inline void InvLastRound(const State& s, const uint32_t* k, uint8_t* out) {
  const uint32_t* w = s.w;
  Store(out, InvLastWord(w[0], w[3], w[2], w[1]) ^ k[0]);
  Store(out + 4, InvLastWord(w[1], w[0], w[3], w[2]) ^ k[1]);
  Store(out + 8, InvLastWord(w[2], w[1], w[0], w[3]) ^ k[2]);
  Store(out + 12, InvLastWord(w[3], w[2], w[1], w[0]) ^ k[3]);
}

}  // namespace

void Aes128::DecryptBlocks(uint8_t* data, size_t blockCount) const {
  const uint32_t* const rk = roundKeys_;
  // Two independent blocks per pass keep more table loads in flight.
  for (; blockCount >= 2; blockCount -= 2, data += 32) {
    State a = LoadState(data, rk), b = LoadState(data + 16, rk);
    for (int r = 1; r < 10; ++r) {
      a = InvRound(a, rk + 4 * r);
      b = InvRound(b, rk + 4 * r);
    }
    InvLastRound(a, rk + 40, data);
    InvLastRound(b, rk + 40, data + 16);
  }
  if (blockCount == 1) {
    State a = LoadState(data, rk);
    for (int r = 1; r < 10; ++r) a = InvRound(a, rk + 4 * r);
    InvLastRound(a, rk + 40, data);
  }
}

void Aes128::EncryptBlocks(uint8_t* data, size_t blockCount) const {
  const uint32_t* const rk = roundKeys_;
  for (; blockCount > 0; --blockCount, data += 16) {
    uint32_t s0 = Load(data) ^ rk[0], s1 = Load(data + 4) ^ rk[1];
    uint32_t s2 = Load(data + 8) ^ rk[2], s3 = Load(data + 12) ^ rk[3];
    for (int r = 1; r < 10; ++r) {
      const uint32_t* k = rk + 4 * r;
      uint32_t t0 = kTe0[B0(s0)] ^ kTe1[B1(s1)] ^ kTe2[B2(s2)] ^ kTe3[B3(s3)] ^ k[0];
      uint32_t t1 = kTe0[B0(s1)] ^ kTe1[B1(s2)] ^ kTe2[B2(s3)] ^ kTe3[B3(s0)] ^ k[1];
      uint32_t t2 = kTe0[B0(s2)] ^ kTe1[B1(s3)] ^ kTe2[B2(s0)] ^ kTe3[B3(s1)] ^ k[2];
      uint32_t t3 = kTe0[B0(s3)] ^ kTe1[B1(s0)] ^ kTe2[B2(s1)] ^ kTe3[B3(s2)] ^ k[3];
      s0 = t0;
      s1 = t1;
      s2 = t2;
      s3 = t3;
    }
    const uint32_t* k = rk + 40;
    auto last = [](uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
      return uint32_t(kSbox[B0(a)]) << 24 | uint32_t(kSbox[B1(b)]) << 16 |
             uint32_t(kSbox[B2(c)]) << 8 | kSbox[B3(d)];
    };
    Store(data, last(s0, s1, s2, s3) ^ k[0]);
    Store(data + 4, last(s1, s2, s3, s0) ^ k[1]);
    Store(data + 8, last(s2, s3, s0, s1) ^ k[2]);
    Store(data + 12, last(s3, s0, s1, s2) ^ k[3]);
  }
}
