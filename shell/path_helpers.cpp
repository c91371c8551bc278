#include "shell/path_helpers.h"
#include "shell/path_helpers_internal.h"

#include <windows.h>
#include <direct.h>

#include <climits>
#include <cstdio>
#include <cstring>

void GetSystemDriveRoot(char* buffer, int& capacity) {
  if (capacity < 4) {
    capacity = 4;
    return;
  }
  memset(buffer, 0, static_cast<size_t>(capacity));
  char systemDir[MAX_PATH] = {};
  UINT n = GetSystemDirectoryA(systemDir, sizeof systemDir);
  // A failed or oversized answer leaves the buffer empty rather than half a root.
  if (n < 3 || n >= sizeof systemDir) return;
  memcpy(buffer, systemDir, 3);
}

bool CreateDirectoryTree(const char* path) {
  if (!path) return true;
  char s[MAX_PATH];
  int n = snprintf(s, sizeof s, "%s\\", path);
  // A chain that does not fit is left alone: creating a cut-off prefix of it would
  // make directories nobody asked for.
  if (n < 0 || static_cast<size_t>(n) >= sizeof s) return true;
  for (char* p = s; *p; ++p) {
    if (*p != '\\' && *p != '/') continue;
    char saved = p[1];
    p[1] = '\0';
    _mkdir(s);
    p[1] = saved;
  }
  return true;
}

int KiBFromFreeBytes(unsigned long long bytes) {
  unsigned long long kib = bytes / 1024;
  // Keeping only the low 32 bits would turn a huge drive into a negative "failure".
  if (kib > static_cast<unsigned long long>(INT_MAX)) return INT_MAX;
  return static_cast<int>(kib);
}

int GetFreeDiskSpaceKB(const char* path) {
  if (!path || !path[0] || !path[1]) return -1;
  char root[3] = {path[0], path[1], '\0'};
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExA(root, &available, nullptr, nullptr)) return -1;
  return KiBFromFreeBytes(available.QuadPart);
}

// Code page 936 has double-byte characters whose second byte is 0x5C, the backslash, so
// separators are looked for character by character.
const char* LastSeparator(const char* s, bool slashToo) {
  const char* last = nullptr;
  for (const char* p = s; *p; p = CharNextA(p)) {
    if (*p == '\\' || (slashToo && *p == '/')) last = p;
  }
  return last;
}

bool EndsWithSeparator(const char* s, bool slashToo) {
  const char* last = LastSeparator(s, slashToo);
  return last && last[1] == '\0';
}

bool PathEndsWith(const char* path, const char* name) {
  if (!path || !name) return false;
  size_t lp = strlen(path);
  size_t ln = strlen(name);
  if (lp <= ln) return false;
  size_t end = lp;
  if (EndsWithSeparator(path, true)) --end;
  return memcmp(path + end - ln, name, ln) == 0;
}
