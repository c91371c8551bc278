#include <unistd.h>

#include "package/package_os.h"
#include "package/text_encoding_posix.h"
#include "tools/pack/native_names.h"


std::vector<std::string> CommandLineArgs(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

std::filesystem::path PathFromArg(const std::string& arg) { return std::filesystem::path(arg); }

bool NativeNameToGbk(const std::filesystem::path& name, std::string& gbk) {
  return ConvertEncoding("GBK", "UTF-8", name.native(), gbk);
}

bool ArgToGbk(const std::string& arg, std::string& gbk) { return ConvertEncoding("GBK", "UTF-8", arg, gbk); }

std::string GbkForDisplay(const std::string& gbk) {
  std::string utf8;
  return ConvertEncoding("UTF-8", "GBK", gbk, utf8) ? utf8 : gbk;
}

bool DirForPackageLibrary(const std::filesystem::path& dir, std::string& narrow) {
  return ConvertEncoding("GBK", "UTF-8", dir.native(), narrow);
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
