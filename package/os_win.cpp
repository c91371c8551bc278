#include "package/package_os.h"

#include <direct.h>
#include <windows.h>

namespace package_os {
namespace {

Hooks g_hooks;
constexpr UINT kProgressMessage = 20000;  // WM_INSTALL_PROGRESS

}  // namespace

void SetHooks(const Hooks& hooks) { g_hooks = hooks; }
const Hooks& GetHooks() { return g_hooks; }

FileHandle OpenForRead(const char* path) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return kInvalidFile;
  return reinterpret_cast<FileHandle>(h);
}

uint32_t FileSizeLow(FileHandle file) {
  return GetFileSize(reinterpret_cast<HANDLE>(file), nullptr);
}

bool ReadFrom(FileHandle file, void* destination, uint32_t count, uint32_t* got) {
  if (g_hooks.readLimit) count = g_hooks.readLimit(g_hooks.context, count);
  DWORD n = 0;
  BOOL ok = ReadFile(reinterpret_cast<HANDLE>(file), destination, count, &n, nullptr);
  *got = n;
  return ok != FALSE;
}

void CloseFile(FileHandle file) { CloseHandle(reinterpret_cast<HANDLE>(file)); }

void PostProgress(void* window, uint32_t percent) {
  if (g_hooks.progress) {
    g_hooks.progress(g_hooks.context, window, percent);
    return;
  }
  PostMessageA(static_cast<HWND>(window), kProgressMessage, 0, static_cast<LPARAM>(percent));
}

void Pause(unsigned milliseconds) {
  if (g_hooks.sleep) {
    g_hooks.sleep(g_hooks.context, milliseconds);
    return;
  }
  Sleep(milliseconds);
}

void MakeDirectory(const char* path) { _mkdir(path); }

bool GetAttributes(const char* path, uint32_t* attributes) {
  DWORD a = GetFileAttributesA(path);
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  *attributes = a;
  return true;
}

void SetAttributes(const char* path, uint32_t attributes) { SetFileAttributesA(path, attributes); }

FILE* OpenForWrite(const char* path) { return std::fopen(path, "wb"); }

}  // namespace package_os
