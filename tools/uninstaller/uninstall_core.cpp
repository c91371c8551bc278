#include "tools/uninstaller/uninstall_core.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

const char kUninstallKeyFormat[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s";

struct FindHandle {
  HANDLE h;
  explicit FindHandle(HANDLE handle) : h(handle) {}
  ~FindHandle() {
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
};

struct KernelHandle {
  HANDLE h;
  explicit KernelHandle(HANDLE handle) : h(handle) {}
  ~KernelHandle() {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  bool valid() const { return h != nullptr && h != INVALID_HANDLE_VALUE; }
};

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Paths are compared ASCII-case-insensitively byte by byte: folding a GBK trail byte
// can only make two different paths look equal, which errs on the side of refusing.
bool SamePrefix(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool SamePath(const char* a, const char* b) {
  size_t n = strlen(a);
  return n == strlen(b) && SamePrefix(a, b, n);
}

bool CopyText(char* out, size_t outSize, const char* text) {
  int n = snprintf(out, outSize, "%s", text);
  return n >= 0 && static_cast<size_t>(n) < outSize;
}

bool StartsWithSwitch(const char* arg, const char* name, const char** value) {
  size_t n = strlen(name);
  if (!SamePrefix(arg, name, n) || strlen(arg) < n) return false;
  *value = arg + n;
  return true;
}

// A relative path whose every component is a plain name ("bin\game" is fine).
bool IsPlainRelativePath(const char* path) {
  char part[MAX_PATH];
  const char* start = path;
  for (;;) {
    const char* end = start;
    while (*end && *end != '\\' && *end != '/') end += (IsDBCSLeadByte(static_cast<BYTE>(*end)) && end[1]) ? 2 : 1;
    size_t n = static_cast<size_t>(end - start);
    if (n == 0 || n >= sizeof part) return false;
    memcpy(part, start, n);
    part[n] = 0;
    if (!IsPlainName(part)) return false;
    if (*end == 0) return true;
    start = end + 1;
  }
}

// Reads [config] key into out; false when missing, empty or longer than out holds.
bool ReadIniValue(const char* ini, const char* key, char* out, size_t outSize, bool required) {
  char value[1024] = {};
  DWORD n = GetPrivateProfileStringA("config", key, "", value, sizeof value, ini);
  if (n >= sizeof value - 1) return false;  // cut by the profile function
  if (!CopyText(out, outSize, value)) return false;
  return !required || n > 0;
}

bool SpecialFolder(int csidl, char* out, size_t outSize) {
  char path[MAX_PATH] = {};
  if (SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
    return false;
  return NormalizeFolder(path, out, outSize);
}

bool ClearReadOnly(const char* path, DWORD attributes) {
  if (!(attributes & FILE_ATTRIBUTE_READONLY)) return false;
  return SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY) != 0;
}

bool DeleteOneFile(const char* path, DWORD attributes) {
  if (DeleteFileA(path)) return true;
  return ClearReadOnly(path, attributes) && DeleteFileA(path);
}

bool RemoveEmptyFolder(const char* path) {
  if (RemoveDirectoryA(path)) return true;
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && ClearReadOnly(path, attributes) &&
         RemoveDirectoryA(path);
}

int RemoveTree(const char* dir, const char* keep, bool& kept) {
  int failures = 0;
  char pattern[MAX_PATH];
  int n = snprintf(pattern, sizeof pattern, "%s\\*", dir);
  if (n < 0 || static_cast<size_t>(n) >= sizeof pattern) return 1;
  WIN32_FIND_DATAA found;
  FindHandle find(FindFirstFileA(pattern, &found));
  if (find.h != INVALID_HANDLE_VALUE) {
    do {
      const char* name = found.cFileName;
      if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
      char child[MAX_PATH];
      n = snprintf(child, sizeof child, "%s\\%s", dir, name);
      if (n < 0 || static_cast<size_t>(n) >= sizeof child) {
        ++failures;
        continue;
      }
      DWORD attributes = found.dwFileAttributes;
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // A junction or folder link goes, never what it points to.
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
          if (!RemoveEmptyFolder(child)) ++failures;
        } else {
          bool keptBelow = false;
          failures += RemoveTree(child, keep, keptBelow);
          kept = kept || keptBelow;
        }
      } else if (keep != nullptr && SamePath(child, keep)) {
        kept = true;
      } else if (!DeleteOneFile(child, attributes)) {
        ++failures;
      }
    } while (FindNextFileA(find.h, &found));
  }
  if (kept) return failures;
  if (!RemoveEmptyFolder(dir)) ++failures;
  return failures;
}

}  // namespace

bool ParseUninstallArgs(int argc, char** argv, UninstallArgs& args) {
  args = UninstallArgs();
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* value = nullptr;
    if (SamePath(arg, "/S")) {
      args.silent = true;
    } else if (StartsWithSwitch(arg, "/U:", &value)) {
      if (*value == 0 || !CopyText(args.iniPath, sizeof args.iniPath, value)) return false;
    } else if (StartsWithSwitch(arg, "/FINISH:", &value)) {
      char* end = nullptr;
      unsigned long pid = strtoul(value, &end, 10);
      if (*value < '0' || *value > '9' || *end != 0 || pid == 0) return false;
      args.finishPid = static_cast<DWORD>(pid);
    } else if (StartsWithSwitch(arg, "/EXE:", &value)) {
      if (*value == 0 || !CopyText(args.finishExe, sizeof args.finishExe, value)) return false;
    } else if (StartsWithSwitch(arg, "/DIR:", &value)) {
      if (*value == 0 || !CopyText(args.finishDir, sizeof args.finishDir, value)) return false;
    } else {
      return false;
    }
  }
  bool finishing = args.finishPid != 0 || args.finishExe[0] || args.finishDir[0];
  if (finishing) return args.finishPid != 0 && args.finishExe[0] && args.finishDir[0] && !args.iniPath[0];
  return args.iniPath[0] != 0;
}

bool IsPlainName(const char* name) {
  if (name == nullptr || *name == 0) return false;
  if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return false;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
    if (IsDBCSLeadByte(*p)) {
      if (p[1] == 0) return false;  // a lead byte without its trail byte
      ++p;                          // trail bytes may look like '\\' or '|'
      continue;
    }
    if (*p < 0x20 || strchr("\\/:*?\"<>|", *p) != nullptr) return false;
  }
  return true;
}

bool NormalizeFolder(const char* path, char* out, size_t outSize) {
  if (path == nullptr || outSize < 4) return false;
  char c = AsciiLower(path[0]);
  if (c < 'a' || c > 'z' || path[1] != ':' || (path[2] != '\\' && path[2] != '/')) return false;
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) return false;
  while (n > 3 && full[n - 1] == '\\') full[--n] = 0;
  return CopyText(out, outSize, full);
}

bool IsInsideFolder(const char* path, const char* folder) {
  size_t n = strlen(folder);
  if (n == 0 || strlen(path) <= n || !SamePrefix(path, folder, n)) return false;
  return folder[n - 1] == '\\' || path[n] == '\\';
}

bool IsProtectedFolder(const char* folder) {
  if (strlen(folder) <= 3) return true;  // a drive root
  static const int kFolders[] = {
      CSIDL_WINDOWS,           CSIDL_SYSTEM,          CSIDL_SYSTEMX86,
      CSIDL_PROGRAM_FILES,     CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
      CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILE, CSIDL_DESKTOPDIRECTORY,
      CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS,
      CSIDL_APPDATA,           CSIDL_LOCAL_APPDATA,   CSIDL_COMMON_APPDATA,
      CSIDL_STARTMENU,         CSIDL_COMMON_STARTMENU, CSIDL_PROGRAMS,
      CSIDL_COMMON_PROGRAMS,   CSIDL_STARTUP,         CSIDL_COMMON_STARTUP,
      CSIDL_MYMUSIC,           CSIDL_MYPICTURES,      CSIDL_MYVIDEO,
      CSIDL_FAVORITES,         CSIDL_FONTS,           CSIDL_TEMPLATES,
  };
  char special[MAX_PATH];
  for (int csidl : kFolders) {
    if (!SpecialFolder(csidl, special, sizeof special)) continue;
    if (SamePath(folder, special) || IsInsideFolder(special, folder)) return true;
  }
  char windows[MAX_PATH] = {};
  UINT n = GetWindowsDirectoryA(windows, sizeof windows);
  if (n > 0 && n < sizeof windows && NormalizeFolder(windows, special, sizeof special) &&
      IsInsideFolder(folder, special))
    return true;
  char temp[MAX_PATH] = {};
  DWORD t = GetTempPathA(sizeof temp, temp);
  if (t > 0 && t < sizeof temp && NormalizeFolder(temp, special, sizeof special) &&
      (SamePath(folder, special) || IsInsideFolder(special, folder)))
    return true;
  return false;
}

Refusal LoadUninstallConfig(const char* iniPath, UninstallConfig& config) {
  config = UninstallConfig();
  char ini[MAX_PATH];
  // The profile functions look up a bare name in the Windows folder: use a full path.
  DWORD n = GetFullPathNameA(iniPath, sizeof ini, ini, nullptr);
  if (n == 0 || n >= sizeof ini) return REFUSAL_INI_MISSING;
  {
    KernelHandle file(CreateFileA(ini, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return REFUSAL_INI_MISSING;
  }
  char setupdir[MAX_PATH];
  if (!ReadIniValue(ini, "setupdir", setupdir, sizeof setupdir, true) ||
      !ReadIniValue(ini, "gamename", config.gamename, sizeof config.gamename, true) ||
      !ReadIniValue(ini, "shortcutname", config.shortcutname, sizeof config.shortcutname, true) ||
      !ReadIniValue(ini, "ProductTitle", config.ProductTitle, sizeof config.ProductTitle, false))
    return REFUSAL_INI_INVALID;
  // Both name a folder or a key below a shared parent; ".." or a separator would climb out.
  if (!IsPlainName(config.gamename) || !IsPlainRelativePath(config.shortcutname))
    return REFUSAL_INI_INVALID;

  if (!NormalizeFolder(setupdir, config.setupdir, sizeof config.setupdir)) {
    CopyText(config.setupdir, sizeof config.setupdir, setupdir);
    return REFUSAL_UNSAFE_DIR;
  }
  if (IsProtectedFolder(config.setupdir)) return REFUSAL_UNSAFE_DIR;
  DWORD attributes = GetFileAttributesA(config.setupdir);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return REFUSAL_NO_PROGRAM;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return REFUSAL_UNSAFE_DIR;

  char program[MAX_PATH];
  int len = snprintf(program, sizeof program, "%s\\%s.exe", config.setupdir, config.shortcutname);
  if (len < 0 || static_cast<size_t>(len) >= sizeof program) return REFUSAL_NO_PROGRAM;
  attributes = GetFileAttributesA(program);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return REFUSAL_NO_PROGRAM;
  return REFUSAL_NONE;
}

void CloseRunningClient(const char* title) {
  if (title == nullptr || *title == 0) return;
  HWND window = FindWindowA(nullptr, title);
  if (window == nullptr) return;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == GetCurrentProcessId()) return;
  KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
  // A hung client must not hang the uninstaller with it.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  if (process.valid()) WaitForSingleObject(process.h, 5000);
}

void RemoveShellEntries(const UninstallConfig& config) {
  char folder[MAX_PATH];
  char path[MAX_PATH];
  if (SpecialFolder(CSIDL_DESKTOPDIRECTORY, folder, sizeof folder)) {
    int n = snprintf(path, sizeof path, "%s\\%s.lnk", folder, config.shortcutname);
    if (n > 0 && static_cast<size_t>(n) < sizeof path) {
      DWORD attributes = GetFileAttributesA(path);
      if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteOneFile(path, attributes);
    }
  }
  for (int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
    if (!SpecialFolder(csidl, folder, sizeof folder)) continue;
    int n = snprintf(path, sizeof path, "%s\\%s", folder, config.gamename);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof path) continue;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      RemoveEmptyFolder(path);
    } else {
      bool kept = false;
      RemoveTree(path, nullptr, kept);
    }
  }
  char key[MAX_PATH + 64];
  int n = snprintf(key, sizeof key, kUninstallKeyFormat, config.gamename);
  if (n > 0 && static_cast<size_t>(n) < sizeof key) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
  }
}

int RemoveFolderTree(const char* folder, const char* keep) {
  bool kept = false;
  return RemoveTree(folder, keep, kept);
}

bool StartFinisher(const char* ownExe, const char* setupdir) {
  char temp[MAX_PATH] = {};
  DWORD t = GetTempPathA(sizeof temp, temp);
  if (t == 0 || t >= sizeof temp) return false;
  const char* base = strrchr(ownExe, '\\');
  base = base ? base + 1 : ownExe;
  char copy[MAX_PATH];
  int n = snprintf(copy, sizeof copy, "%s%lu-%s", temp, GetCurrentProcessId(), base);
  if (n < 0 || static_cast<size_t>(n) >= sizeof copy) return false;
  if (!CopyFileA(ownExe, copy, FALSE)) return false;

  char commandLine[4 * MAX_PATH];
  n = snprintf(commandLine, sizeof commandLine, "\"%s\" /FINISH:%lu \"/EXE:%s\" \"/DIR:%s\"", copy,
               GetCurrentProcessId(), ownExe, setupdir);
  if (n < 0 || static_cast<size_t>(n) >= sizeof commandLine) {
    DeleteFileA(copy);
    return false;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // The helper's current folder is the temp folder, so it holds nothing it must delete.
  if (!CreateProcessA(copy, commandLine, nullptr, nullptr, FALSE, 0, nullptr, temp, &startup, &process)) {
    DeleteFileA(copy);
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

int RunFinisher(const UninstallArgs& args) {
  {
    KernelHandle original(OpenProcess(SYNCHRONIZE, FALSE, args.finishPid));
    if (original.valid()) WaitForSingleObject(original.h, 60000);
  }
  char dir[MAX_PATH];
  char exe[MAX_PATH];
  if (!NormalizeFolder(args.finishDir, dir, sizeof dir) || IsProtectedFolder(dir) ||
      !NormalizeFolder(args.finishExe, exe, sizeof exe) || !IsInsideFolder(exe, dir))
    return kExitRefused;
  size_t len = strlen(exe);
  if (len < 4 || !SamePath(exe + len - 4, ".exe")) return kExitRefused;

  // The image may stay mapped for a moment after its process has ended.
  for (int attempt = 0; attempt < 50; ++attempt) {
    DWORD attributes = GetFileAttributesA(exe);
    if (attributes == INVALID_FILE_ATTRIBUTES || DeleteOneFile(exe, attributes)) break;
    Sleep(100);
  }
  // Only folders the uninstall emptied go: from the exe's folder up to setupdir.
  char folder[MAX_PATH];
  CopyText(folder, sizeof folder, exe);
  for (;;) {
    char* slash = strrchr(folder, '\\');
    if (slash == nullptr) break;
    *slash = 0;
    if (!SamePath(folder, dir) && !IsInsideFolder(folder, dir)) break;
    RemoveEmptyFolder(folder);
    if (SamePath(folder, dir)) break;
  }

  char self[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
  if (n > 0 && n < sizeof self) MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return GetFileAttributesA(dir) == INVALID_FILE_ATTRIBUTES ? kExitOk : kExitIncomplete;
}
