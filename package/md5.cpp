#include "package/md5.h"

#include <cstring>

namespace {

inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void StoreLe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

}  // namespace

MD5_CTX::MD5_CTX() { Init(); }

void MD5_CTX::Init() {
  state[0] = 0x67452301;
  state[1] = 0xefcdab89;
  state[2] = 0x98badcfe;
  state[3] = 0x10325476;
  count[0] = count[1] = 0;
  std::memset(buffer, 0, sizeof buffer);
  std::memset(padding, 0, sizeof padding);
  padding[0] = 0x80;
}

void MD5_CTX::Transform(const uint8_t block[64]) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = LoadLe32(block + 4 * i);
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) & 15;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) & 15;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) & 15;
    }
    uint32_t next = b + Rotl(a + f + kSine[i] + x[g], kShift[i]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

void MD5_CTX::Update(const void* data, size_t length) {
  const uint8_t* in = static_cast<const uint8_t*>(data);
  size_t used = (count[0] >> 3) & 63;
  // The bit count wraps at 2^64 as RFC 1321 allows.
  uint64_t bits = (uint64_t(count[1]) << 32 | count[0]) + (uint64_t(length) << 3);
  count[0] = uint32_t(bits);
  count[1] = uint32_t(bits >> 32);

  if (used > 0) {
    size_t take = 64 - used;
    if (length < take) {
      std::memcpy(buffer + used, in, length);
      return;
    }
    std::memcpy(buffer + used, in, take);
    Transform(buffer);
    in += take;
    length -= take;
  }
  for (; length >= 64; in += 64, length -= 64) Transform(in);
  if (length > 0) std::memcpy(buffer, in, length);
}

void MD5_CTX::Final(uint8_t digest[16]) {
  uint8_t bits[8];
  StoreLe32(bits, count[0]);
  StoreLe32(bits + 4, count[1]);
  size_t used = (count[0] >> 3) & 63;
  size_t padLength = used < 56 ? 56 - used : 120 - used;
  Update(padding, padLength);
  Update(bits, 8);
  for (int i = 0; i < 4; ++i) StoreLe32(digest + 4 * i, state[i]);
  Init();
}
