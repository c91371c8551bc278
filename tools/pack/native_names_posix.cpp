#include <iconv.h>
#include <unistd.h>

#include "package/package_os.h"
#include "tools/pack/native_names.h"

namespace {

bool Convert(const char* to, const char* from, const std::string& in, std::string& out) {
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

}  // namespace

std::vector<std::string> CommandLineArgs(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

std::filesystem::path PathFromArg(const std::string& arg) { return std::filesystem::path(arg); }

bool NativeNameToGbk(const std::filesystem::path& name, std::string& gbk) {
  return Convert("GBK", "UTF-8", name.native(), gbk);
}

bool ArgToGbk(const std::string& arg, std::string& gbk) { return Convert("GBK", "UTF-8", arg, gbk); }

std::string GbkForDisplay(const std::string& gbk) {
  std::string utf8;
  return Convert("UTF-8", "GBK", gbk, utf8) ? utf8 : gbk;
}

bool DirForPackageLibrary(const std::filesystem::path& dir, std::string& narrow) {
  return Convert("GBK", "UTF-8", dir.native(), narrow);
}

void UseGbkFileNames(bool on) {
  package_os::Hooks hooks = package_os::GetHooks();
  hooks.gbkFileNames = on;
  package_os::SetHooks(hooks);
}

std::string PathForDisplay(const std::filesystem::path& path) { return path.string(); }

FILE* OpenNative(const std::filesystem::path& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

bool IsTerminal(FILE* stream) { return isatty(fileno(stream)) != 0; }
