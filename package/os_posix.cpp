#include "package/package_os.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "package/text_encoding_posix.h"

namespace package_os {
namespace {

Hooks g_hooks;

// GBK bytes to UTF-8; bytes that are not GBK are kept as they are.
std::string GbkToUtf8(const std::string& in) {
  std::string out;
  return ConvertEncoding("UTF-8", "GBK", in, out) ? out : in;
}

std::string Native(const char* path) {
  std::string p(path);
  if (g_hooks.gbkFileNames) p = GbkToUtf8(p);
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  return p;
}

}  // namespace

void SetHooks(const Hooks& hooks) { g_hooks = hooks; }
const Hooks& GetHooks() { return g_hooks; }

FileHandle OpenForRead(const char* path) {
  int fd = open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kInvalidFile;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return kInvalidFile;
  }
  return fd;
}

uint32_t FileSizeLow(FileHandle file) {
  struct stat st;
  if (fstat(static_cast<int>(file), &st) != 0) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(static_cast<uint64_t>(st.st_size));
}

bool ReadFrom(FileHandle file, void* destination, uint32_t count, uint32_t* got) {
  if (g_hooks.readLimit) count = g_hooks.readLimit(g_hooks.context, count);
  ssize_t n;
  do {
    n = read(static_cast<int>(file), destination, count);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    *got = 0;
    return false;
  }
  *got = static_cast<uint32_t>(n);
  return true;
}

void CloseFile(FileHandle file) { close(static_cast<int>(file)); }

void PostProgress(void* window, uint32_t percent) {
  if (g_hooks.progress) g_hooks.progress(g_hooks.context, window, percent);
}

void Pause(unsigned milliseconds) {
  if (g_hooks.sleep) {
    g_hooks.sleep(g_hooks.context, milliseconds);
    return;
  }
  struct timespec ts = {static_cast<time_t>(milliseconds / 1000),
                        static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

void MakeDirectory(const char* path) { mkdir(Native(path).c_str(), 0777); }

bool GetAttributes(const char* path, uint32_t* attributes) {
  struct stat st;
  std::string p = Native(path);
  if (stat(p.c_str(), &st) != 0) return false;
  // A file nobody may write counts as read-only.
  *attributes = (st.st_mode & 0222) == 0 ? kReadOnlyAttribute : 0;
  return true;
}

void SetAttributes(const char* path, uint32_t attributes) {
  struct stat st;
  std::string p = Native(path);
  if (stat(p.c_str(), &st) != 0) return;
  mode_t mode = st.st_mode & 07777;
  mode = (attributes & kReadOnlyAttribute) ? (mode & ~0222) : (mode | 0200);
  chmod(p.c_str(), mode);
}

FILE* OpenForWrite(const char* path) { return std::fopen(Native(path).c_str(), "wb"); }

}  // namespace package_os

bool ConvertEncoding(const char* to, const char* from, const std::string& in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string buffer(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = &buffer[0];
  size_t dstLeft = buffer.size();
  size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1) || srcLeft != 0) return false;
  buffer.resize(buffer.size() - dstLeft);
  out = buffer;
  return true;
}
