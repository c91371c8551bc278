#include "shell/uninstall_registry.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct Value {
  std::string name;
  DWORD type;
  std::string data;  // raw bytes, NUL included for strings
};

class UninstallRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    char unique[64];
    snprintf(unique, sizeof unique, "TandrelTest%lu_%d", GetCurrentProcessId(), ++serial_);
    keyName_ = unique;
    keyPath_ = std::string(kUninstallRoot) + keyName_;
  }
  void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, keyPath_.c_str()); }

  bool KeyExists() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    return true;
  }

  // Every value of the key (the registry may list them in any order).
  std::vector<Value> Values() {
    std::vector<Value> values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return values;
    for (DWORD i = 0;; ++i) {
      char name[256];
      DWORD nameLen = sizeof name;
      BYTE data[2048];
      DWORD dataLen = sizeof data;
      DWORD type = 0;
      if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS)
        break;
      values.push_back({name, type, std::string(reinterpret_cast<char*>(data), dataLen)});
    }
    RegCloseKey(key);
    return values;
  }

  static const Value* Find(const std::vector<Value>& values, const std::string& name) {
    for (const Value& v : values)
      if (v.name == name) return &v;
    return nullptr;
  }

  static std::string Sz(const std::string& s) { return s + '\0'; }
  static std::string Dword(DWORD v) { return std::string(reinterpret_cast<char*>(&v), sizeof v); }

  static int serial_;
  std::string keyName_, keyPath_;
};
int UninstallRegistry::serial_ = 0;

TEST_F(UninstallRegistry, WritesTheSevenValuesWithTypesAndData) {
  RegisterUninstall("示例发行", "客服 400-000", keyName_.c_str(), "Tandrel 游戏",
                    "C:\\Games\\Client\\uninstall\\unins.exe",
                    "C:\\Games\\Client\\uninstall\\uninstall.ini");
  std::vector<Value> expected = {
      {"DisplayName", REG_SZ, Sz("Tandrel 游戏")},
      {"NoModify", REG_DWORD, Dword(1)},
      {"NoRepair", REG_DWORD, Dword(1)},
      {"UninstallString", REG_SZ,
       Sz("\"C:\\Games\\Client\\uninstall\\unins.exe\" "
          "\"/U:C:\\Games\\Client\\uninstall\\uninstall.ini\"")},
      {"Publisher", REG_SZ, Sz("示例发行")},
      {"Contact", REG_SZ, Sz("客服 400-000")},
      {"DisplayIcon", REG_SZ, Sz("\"C:\\Games\\Client\\uninstall\\unins.exe\"")},
  };
  std::vector<Value> got = Values();
  EXPECT_EQ(got.size(), expected.size());
  for (const Value& want : expected) {
    const Value* have = Find(got, want.name);
    ASSERT_NE(have, nullptr) << want.name;
    EXPECT_EQ(have->type, want.type) << want.name;
    EXPECT_EQ(have->data, want.data) << want.name;
  }
}

TEST_F(UninstallRegistry, WithoutIniTheCommandIsTheQuotedProgram) {
  RegisterUninstall("P", "C", keyName_.c_str(), "D", "C:\\x\\unins.exe", nullptr);
  std::vector<Value> got = Values();
  const Value* command = Find(got, "UninstallString");
  const Value* icon = Find(got, "DisplayIcon");
  ASSERT_NE(command, nullptr);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(command->data, Sz("\"C:\\x\\unins.exe\""));
  EXPECT_EQ(icon->data, command->data);
}

TEST_F(UninstallRegistry, AnyMissingRequiredTextWritesNothing) {
  const char* k = keyName_.c_str();
  struct Case {
    const char *publisher, *contact, *key, *display, *uninstaller;
  } cases[] = {
      {nullptr, "C", k, "D", "U"}, {"P", nullptr, k, "D", "U"}, {"P", "C", nullptr, "D", "U"},
      {"P", "C", k, nullptr, "U"}, {"P", "C", k, "D", nullptr},
  };
  for (const Case& c : cases) {
    RegisterUninstall(c.publisher, c.contact, c.key, c.display, c.uninstaller, "I");
    EXPECT_FALSE(KeyExists());
  }
}

TEST_F(UninstallRegistry, SecondRunOverwritesAndKeepsOtherValues) {
  RegisterUninstall("Old", "old", keyName_.c_str(), "Old name", "C:\\old\\u.exe", "C:\\old\\u.ini");
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath_.c_str(), 0, KEY_SET_VALUE, &key),
            ERROR_SUCCESS);
  const char extra[] = "kept";
  RegSetValueExA(key, "InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(extra),
                 sizeof extra);
  RegCloseKey(key);

  RegisterUninstall("New", "new", keyName_.c_str(), "New name", "C:\\new\\u.exe", nullptr);
  std::vector<Value> got = Values();
  auto find = [&](const char* name) -> std::string {
    const Value* v = Find(got, name);
    return v ? v->data : "(missing)";
  };
  EXPECT_EQ(got.size(), 8u);
  EXPECT_EQ(find("DisplayName"), Sz("New name"));
  EXPECT_EQ(find("Publisher"), Sz("New"));
  EXPECT_EQ(find("Contact"), Sz("new"));
  EXPECT_EQ(find("UninstallString"), Sz("\"C:\\new\\u.exe\""));
  EXPECT_EQ(find("DisplayIcon"), Sz("\"C:\\new\\u.exe\""));
  EXPECT_EQ(find("InstallLocation"), Sz("kept"));
}

TEST_F(UninstallRegistry, TextsTooLongForTheirBufferWriteNothing) {
  // The command line "<u>" "/U:<i>" holds 8 bytes around the two paths.
  std::string ini(1024 - 8 - 5, 'i');
  RegisterUninstall("P", "C", keyName_.c_str(), "D", "U.exe", ini.c_str());
  EXPECT_FALSE(KeyExists());

  ini.pop_back();  // 1023 bytes: the largest that fits
  RegisterUninstall("P", "C", keyName_.c_str(), "D", "U.exe", ini.c_str());
  std::vector<Value> got = Values();
  const Value* command = Find(got, "UninstallString");
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->data.size(), 1024u);

  std::string longUninstaller(1100, 'u');
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, keyPath_.c_str());
  RegisterUninstall("P", "C", keyName_.c_str(), "D", std::string(1100, 'u').c_str(), nullptr);
  EXPECT_FALSE(KeyExists());
}

}  // namespace
