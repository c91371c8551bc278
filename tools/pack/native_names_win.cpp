#include <io.h>
#include <windows.h>

#include "tools/pack/native_names.h"

namespace {

constexpr UINT kGbk = 936;

std::wstring Widen(const std::string& s, UINT codePage) {
  if (s.empty()) return std::wstring();
  int n = MultiByteToWideChar(codePage, 0, s.data(), int(s.size()), nullptr, 0);
  std::wstring w(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, s.data(), int(s.size()), &w[0], n);
  return w;
}

bool Narrow(const std::wstring& w, UINT codePage, std::string& out) {
  out.clear();
  if (w.empty()) return true;
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, w.data(), int(w.size()), nullptr, 0,
                              nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  out.assign(size_t(n), '\0');
  WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, w.data(), int(w.size()), &out[0], n, nullptr,
                      &usedDefault);
  return !usedDefault;
}

}  // namespace

std::vector<std::string> CommandLineArgs(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

std::filesystem::path PathFromArg(const std::string& arg) {
  return std::filesystem::path(Widen(arg, CP_ACP));
}

bool NativeNameToGbk(const std::filesystem::path& name, std::string& gbk) {
  return Narrow(name.native(), kGbk, gbk);
}

bool ArgToGbk(const std::string& arg, std::string& gbk) {
  return Narrow(Widen(arg, CP_ACP), kGbk, gbk);
}

// The console shows the ANSI code page, which is GBK on the systems we serve.
std::string GbkForDisplay(const std::string& gbk) { return gbk; }

bool DirForPackageLibrary(const std::filesystem::path& dir, std::string& narrow) {
  return Narrow(dir.native(), CP_ACP, narrow);
}

void UseGbkFileNames(bool) {}

std::string PathForDisplay(const std::filesystem::path& path) {
  std::string shown;
  int n = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return shown;
  shown.assign(size_t(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, &shown[0], n, nullptr, nullptr);
  shown.resize(size_t(n - 1));
  return shown;
}

FILE* OpenNative(const std::filesystem::path& path, const char* mode) {
  return _wfopen(path.c_str(), Widen(mode, CP_ACP).c_str());
}

bool IsTerminal(FILE* stream) { return _isatty(_fileno(stream)) != 0; }
