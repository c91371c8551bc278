#include "shell/shortcuts.h"
#include "shell/path_helpers.h"
#include "shell/path_helpers_internal.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <direct.h>

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// The full shortcut path, ".lnk" included, must stay below this.
constexpr size_t kLinkPathSize = 264;

// Balances a successful CoInitialize (S_FALSE included) on every path.
class ComScope {
 public:
  ComScope() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComScope() {
    if (ok_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (p_) p_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  void** out() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

class ItemList {
 public:
  ItemList() = default;
  ~ItemList() { CoTaskMemFree(p_); }
  ItemList(const ItemList&) = delete;
  ItemList& operator=(const ItemList&) = delete;
  LPITEMIDLIST* out() { return &p_; }
  LPCITEMIDLIST get() const { return p_; }

 private:
  LPITEMIDLIST p_ = nullptr;
};

class FindHandle {
 public:
  explicit FindHandle(HANDLE h) : h_(h) {}
  ~FindHandle() {
    if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

int FolderId(int location, bool forCreate) {
  switch (location) {
    case SHORTCUT_PROGRAMS:
      return CSIDL_PROGRAMS;
    case SHORTCUT_COMMON_PROGRAMS:
      // Creating for all users needs rights the installer does not ask for.
      return forCreate ? CSIDL_DESKTOPDIRECTORY : CSIDL_COMMON_PROGRAMS;
    default:
      return CSIDL_DESKTOPDIRECTORY;
  }
}

// folder\name[suffix] into out; false when the folder is unknown or the result would
// not fit (a cut-off name would point at some other file).
bool ResolvePath(int csidl, const char* name, const char* suffix, char* out, size_t size) {
  ItemList items;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, items.out()))) return false;
  char folder[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(items.get(), folder)) return false;
  int n = snprintf(out, size, "%s\\%s%s", folder, name, suffix);
  return n >= 0 && static_cast<size_t>(n) < size;
}

// The target's folder, drive letter upper-cased; empty when the target has no backslash.
// The caller makes sure the target is shorter than out.
void WorkingDirectoryOf(const char* target, char* out) {
  out[0] = '\0';
  const char* slash = LastSeparator(target, false);
  if (!slash) return;
  size_t len = static_cast<size_t>(slash - target);
  memcpy(out, target, len);
  out[len] = '\0';
  unsigned char first = static_cast<unsigned char>(out[0]);
  if (first < 0x80 && isalpha(first)) out[0] = static_cast<char>(toupper(first));
}

bool SaveLink(const char* target, const char* linkPath) {
  // A link cannot hold a longer target, and a cut-off one would point elsewhere.
  if (strlen(target) >= MAX_PATH) return false;
  char workDir[MAX_PATH];
  WorkingDirectoryOf(target, workDir);
  WCHAR widePath[MAX_PATH];
  if (!MultiByteToWideChar(CP_THREAD_ACP, MB_PRECOMPOSED, linkPath, -1, widePath, MAX_PATH))
    return false;

  ComRef<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.out())))
    return false;
  link->SetPath(target);
  if (workDir[0]) link->SetWorkingDirectory(workDir);
  ComRef<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return false;
  return SUCCEEDED(file->Save(widePath, FALSE));
}

}  // namespace

bool CreateShortcut(const char* target, const char* name, int location, bool isFolder) {
  if (!name || (!isFolder && !target)) return false;
  ComScope com;
  if (!com.ok()) return false;
  char full[kLinkPathSize];
  if (!ResolvePath(FolderId(location, true), name, isFolder ? "" : ".lnk", full, sizeof full))
    return false;
  if (isFolder) return CreateDirectoryTree(full);
  return SaveLink(target, full);
}

void DeleteShortcut(const char* name, int location, bool isFolder) {
  if (!name) return;
  ComScope com;
  if (!com.ok()) return;
  char full[kLinkPathSize];
  if (!ResolvePath(FolderId(location, false), name, isFolder ? "" : ".lnk", full, sizeof full))
    return;
  if (isFolder)
    RemoveDirectoryTree(full);
  else
    DeleteFileA(full);
}

void RemoveDirectoryTree(const char* path) {
  if (!path) return;
  const char* sep = EndsWithSeparator(path, false) ? "" : "\\";
  char pattern[MAX_PATH];
  int n = snprintf(pattern, sizeof pattern, "%s%s*", path, sep);
  if (n < 0 || static_cast<size_t>(n) >= sizeof pattern) return;

  WIN32_FIND_DATAA entry;
  {
    FindHandle find(FindFirstFileA(pattern, &entry));
    if (find.valid()) {
      do {
        if (!strcmp(entry.cFileName, ".") || !strcmp(entry.cFileName, "..")) continue;
        char child[MAX_PATH];
        n = snprintf(child, sizeof child, "%s%s%s", path, sep, entry.cFileName);
        // A child that does not fit is kept, and so its folder stays too.
        if (n < 0 || static_cast<size_t>(n) >= sizeof child) continue;
        DWORD attributes = entry.dwFileAttributes;
        // A linked folder is unlinked, never emptied: its files live elsewhere.
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
          _rmdir(child);
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveDirectoryTree(child);
        else
          DeleteFileA(child);
      } while (FindNextFileA(find.get(), &entry));
    }
  }
  _rmdir(path);
}
