#include "shell/uninstall_registry.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kTextSize = 1024;

class RegKey {
 public:
  RegKey() = default;
  ~RegKey() {
    if (key_) RegCloseKey(key_);
  }
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

bool FormatInto(char (&buffer)[kTextSize], const char* format, const char* a,
                const char* b = nullptr) {
  memset(buffer, 0, sizeof buffer);
  int n = b ? snprintf(buffer, sizeof buffer, format, a, b) : snprintf(buffer, sizeof buffer, format, a);
  return n >= 0 && static_cast<size_t>(n) < sizeof buffer;
}

void SetText(HKEY key, const char* name, const char* text) {
  // The terminating NUL is part of the stored length.
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(strlen(text) + 1));
}

void SetNumber(HKEY key, const char* name, DWORD number) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

}  // namespace

void RegisterUninstall(const char* publisher, const char* contact, const char* keyName,
                       const char* displayName, const char* uninstallerPath, const char* iniPath) {
  if (!keyName || !displayName || !publisher || !contact || !uninstallerPath) return;

  // Everything is formed before the key is touched, so a text too long for its buffer
  // leaves no half-written entry behind.
  char keyPath[kTextSize];
  char command[kTextSize];
  char icon[kTextSize];
  if (!FormatInto(keyPath, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s", keyName))
    return;
  bool commandFits = iniPath ? FormatInto(command, "\"%s\" \"/U:%s\"", uninstallerPath, iniPath)
                             : FormatInto(command, "\"%s\"", uninstallerPath);
  if (!commandFits || !FormatInto(icon, "\"%s\"", uninstallerPath)) return;

  RegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, key.out()) != ERROR_SUCCESS &&
      RegCreateKeyA(HKEY_LOCAL_MACHINE, keyPath, key.out()) != ERROR_SUCCESS)
    return;

  SetText(key.get(), "DisplayName", displayName);
  SetNumber(key.get(), "NoModify", 1);
  SetNumber(key.get(), "NoRepair", 1);
  SetText(key.get(), "UninstallString", command);
  SetText(key.get(), "Publisher", publisher);
  SetText(key.get(), "Contact", contact);
  SetText(key.get(), "DisplayIcon", icon);
}
