// A uniquely named scratch folder below the user's temp directory, removed afterwards.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "shell/shortcuts.h"

class TempDir {
 public:
  TempDir() {
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    static int serial = 0;
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%standrel-shell-%lu-%d", base, GetCurrentProcessId(), ++serial);
    path_ = name;
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempDir() { RemoveDirectoryTree(path_.c_str()); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "\\" + rel; }

 private:
  std::string path_;
};

inline bool IsDirectory(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void WriteFileText(const std::string& path, const char* text) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return;
  fputs(text, f);
  fclose(f);
}
