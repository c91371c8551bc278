// Prints what a shortcut points to, read through the shell's own link object:
//   tandrel-lnk-read.exe <desktop|programs> <name without .lnk>
// Output: "target=<path>" and "workdir=<path>" lines; exit 1 when the link is unreadable.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstring>

namespace {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (p_ != nullptr) p_->Release();
  }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  void** out() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

int Read(const char* path) {
  ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              link.out()))) {
    return 1;
  }
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return 1;
  wchar_t wide[MAX_PATH] = {};
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) == 0) return 1;
  if (FAILED(file->Load(wide, STGM_READ))) return 1;
  char target[MAX_PATH] = {};
  char workdir[MAX_PATH] = {};
  if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) return 1;
  link->GetWorkingDirectory(workdir, MAX_PATH);
  printf("target=%s\nworkdir=%s\n", target, workdir);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: tandrel-lnk-read.exe <desktop|programs> <name>\n");
    return 2;
  }
  int csidl = strcmp(argv[1], "programs") == 0 ? CSIDL_PROGRAMS : CSIDL_DESKTOPDIRECTORY;
  char folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, folder, csidl, FALSE)) return 1;
  char path[MAX_PATH * 2];
  int n = snprintf(path, sizeof path, "%s\\%s.lnk", folder, argv[2]);
  if (n < 0 || static_cast<size_t>(n) >= sizeof path) return 1;
  if (FAILED(CoInitialize(nullptr))) return 1;
  int result = Read(path);
  CoUninitialize();
  return result;
}
