// Speed of the package code, beside OpenSSL and a plain copy. Not a test.
//   package_bench cipher             our AES-128-ECB decryption and OpenSSL EVP's
//   package_bench openssl            OpenSSL EVP only (run with OPENSSL_ia32cap set)
//   package_bench make <file> <MiB>  writes a package of that many MiB of contents
//   package_bench extract <file> <dir>   DecryptPackage + ExtractPackage, pauses skipped
//   package_bench copy <file> <dir>      the same bytes read and written plainly
#include <openssl/evp.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "package/aes128.h"
#include "package/package_extractor.h"
#include "package/package_os.h"
#include "package/package_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kCipherBytes = 64u << 20;
constexpr int kCipherRounds = 4;
constexpr uint32_t kFiles = 64;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

long PeakRssMiB() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

std::vector<uint8_t> Filled(size_t n) {
  std::vector<uint8_t> v(n);
  uint32_t x = 12345;
  for (uint8_t& b : v) {
    x = x * 1103515245u + 12345u;
    b = uint8_t(x >> 24);
  }
  return v;
}

const uint8_t kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

double OpenSslMBps(std::vector<uint8_t>& data) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_DecryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, kKey, nullptr);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  std::vector<uint8_t> out(data.size() + 16);
  int n = 0;
  auto start = Clock::now();
  for (int r = 0; r < kCipherRounds; ++r) EVP_DecryptUpdate(ctx, out.data(), &n, data.data(), int(data.size()));
  double s = Seconds(start);
  EVP_CIPHER_CTX_free(ctx);
  return double(data.size()) * kCipherRounds / s / 1e6;
}

int Cipher(bool oursToo) {
  std::vector<uint8_t> data = Filled(kCipherBytes);
  if (oursToo) {
    Aes128 aes;
    aes.SetDecryptKey(kKey);
    aes.DecryptBlocks(data.data(), data.size() / 16);  // warm up
    auto start = Clock::now();
    for (int r = 0; r < kCipherRounds; ++r) aes.DecryptBlocks(data.data(), data.size() / 16);
    std::printf("  %-52s %8.0f MB/s\n", "ours (portable tables)", data.size() * double(kCipherRounds) / Seconds(start) / 1e6);
  }
  const char* cap = std::getenv("OPENSSL_ia32cap");
  std::string label = cap ? "OpenSSL EVP, OPENSSL_ia32cap=" + std::string(cap) : "OpenSSL EVP (default)";
  std::printf("  %-52s %8.0f MB/s\n", label.c_str(), OpenSslMBps(data));
  return 0;
}

int Make(const char* path, unsigned mib) {
  FILE* out = std::fopen(path, "wb");
  if (!out) return 1;
  uint64_t fileSize = (uint64_t(mib) << 20) / kFiles;
  uint32_t contents = 4 + 268 * kFiles;
  std::vector<uint8_t> table(4, 0);
  table[0] = uint8_t(kFiles);
  for (uint32_t i = 0; i < kFiles; ++i) {
    AppendPackageRecord(table, "bench\\data\\file" + std::to_string(i) + ".bin",
                        uint32_t(contents + i * fileSize), uint32_t(fileSize));
  }
  PackageWriter writer(out);
  writer.Begin(uint32_t(contents + kFiles * fileSize));
  writer.Write(table.data(), table.size());
  std::vector<uint8_t> chunk = Filled(size_t(fileSize));
  for (uint32_t i = 0; i < kFiles; ++i) writer.Write(chunk.data(), chunk.size());
  bool ok = writer.Finish();
  return std::fclose(out) == 0 && ok ? 0 : 1;
}

int Extract(const char* path, const char* dir) {
  package_os::Hooks hooks;
  hooks.sleep = [](void*, unsigned) {};
  package_os::SetHooks(hooks);
  std::filesystem::create_directories(dir);
  auto start = Clock::now();
  PackageExtractor extractor;
  int rc = extractor.ExtractPackageFile(path, std::string(dir) + "/");
  double s = Seconds(start);
  uint64_t bytes = std::filesystem::file_size(path);
  std::printf("  %-52s %6.2f s %7.0f MB/s  peak RSS %5ld MiB%s\n",
              "DecryptPackage + ExtractPackage", s, bytes / s / 1e6, PeakRssMiB(),
              rc == 0 ? "" : "  (FAILED)");
  return rc;
}

int Copy(const char* path, const char* dir) {
  std::filesystem::create_directories(dir);
  auto start = Clock::now();
  FILE* in = std::fopen(path, "rb");
  if (!in) return 1;
  uint64_t size = std::filesystem::file_size(path);
  std::vector<uint8_t> all(size);
  size_t got = std::fread(all.data(), 1, size, in);
  std::fclose(in);
  // The same split into files as the package holds.
  uint64_t part = got / kFiles;
  for (uint32_t i = 0; i < kFiles; ++i) {
    std::string target = std::string(dir) + "/file" + std::to_string(i) + ".bin";
    FILE* out = std::fopen(target.c_str(), "wb");
    if (!out) return 1;
    std::fwrite(all.data() + i * part, part, 1, out);
    std::fclose(out);
  }
  double s = Seconds(start);
  std::printf("  %-52s %6.2f s %7.0f MB/s  peak RSS %5ld MiB\n", "plain read + write of the same bytes", s,
              size / s / 1e6, PeakRssMiB());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "cipher") return Cipher(true);
  if (mode == "openssl") return Cipher(false);
  if (mode == "make" && argc == 4) return Make(argv[2], unsigned(std::atoi(argv[3])));
  if (mode == "extract" && argc == 4) return Extract(argv[2], argv[3]);
  if (mode == "copy" && argc == 4) return Copy(argv[2], argv[3]);
  std::fprintf(stderr, "usage: package_bench cipher|openssl|make F MiB|extract F DIR|copy F DIR\n");
  return 2;
}
