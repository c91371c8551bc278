// The package code's only contact with the operating system. os_win.cpp maps it to
// Win32 and the C runtime; os_posix.cpp to POSIX, turning backslashes into '/'.
// Hooks let tests and tools watch progress, skip pauses and cut reads short.
#pragma once

#include <cstdint>
#include <cstdio>

namespace package_os {

constexpr uint32_t kReadOnlyAttribute = 0x1;

struct Hooks {
  // Replaces the progress post (WM_INSTALL_PROGRESS, wParam 0) when set.
  void (*progress)(void* context, void* window, uint32_t percent) = nullptr;
  // Replaces the pause when set.
  void (*sleep)(void* context, unsigned milliseconds) = nullptr;
  // Caps the byte count of one file read; returns at most wanted.
  uint32_t (*readLimit)(void* context, uint32_t wanted) = nullptr;
  void* context = nullptr;
  // POSIX only: paths reaching the file system are GBK and become UTF-8 there.
  bool gbkFileNames = false;
};

// Process-wide; set before the package code runs on another thread.
void SetHooks(const Hooks& hooks);
const Hooks& GetHooks();

using FileHandle = intptr_t;
constexpr FileHandle kInvalidFile = -1;

FileHandle OpenForRead(const char* path);
uint32_t FileSizeLow(FileHandle file);  // low 32 bits of the size
// False on failure; otherwise got holds the bytes read (0 at end of file).
bool ReadFrom(FileHandle file, void* destination, uint32_t count, uint32_t* got);
void CloseFile(FileHandle file);

void PostProgress(void* window, uint32_t percent);
void Pause(unsigned milliseconds);

void MakeDirectory(const char* path);
// False when the path does not exist.
bool GetAttributes(const char* path, uint32_t* attributes);
void SetAttributes(const char* path, uint32_t attributes);
FILE* OpenForWrite(const char* path);  // fopen "wb"

}  // namespace package_os
