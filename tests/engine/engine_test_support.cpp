#include "tests/engine/engine_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "engine/message_box.h"
#include "package/aes128.h"
#include "package/package_extractor.h"
#include "shell/shortcuts.h"

namespace {

std::mutex g_boxMutex;
std::vector<Box> g_boxes;

int WINAPI CaptureBox(HWND, LPCSTR text, LPCSTR caption, UINT) {
  std::lock_guard<std::mutex> lock(g_boxMutex);
  g_boxes.push_back({caption != nullptr ? caption : "", text != nullptr ? text : ""});
  return IDOK;
}

constexpr char kNotifyClass[] = "TandrelEngineTestNotify";

void PutU32(std::string& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Downloads to temporary files are never removed by the engine; the ones this run made
// go, and so do the scratch folders when every test passed (else they help the reader).
void RemoveTestLeftovers(const FILETIME& started, bool passed) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((std::string(temp) + "fgl*.tmp").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (CompareFileTime(&found.ftCreationTime, &started) >= 0) {
        DeleteFileA((std::string(temp) + found.cFileName).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  if (passed) RemoveDirectoryTree((std::string(temp) + "tandrel-engine-tests").c_str());
}

}  // namespace

TestServer& Server() {
  static TestServer server;
  return server;
}

std::vector<Box> TakeBoxes() {
  std::lock_guard<std::mutex> lock(g_boxMutex);
  std::vector<Box> boxes;
  boxes.swap(g_boxes);
  return boxes;
}

NotifyWindow::NotifyWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kNotifyClass;
  RegisterClassA(&windowClass);  // fails harmlessly when already registered
  // Message-only: needs no display, and FindWindowA never sees it.
  window_ = CreateWindowExA(0, kNotifyClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            windowClass.hInstance, nullptr);
}

NotifyWindow::~NotifyWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

std::vector<Posted> NotifyWindow::Drain() {
  std::vector<Posted> posted;
  MSG message;
  while (PeekMessageA(&message, window_, 0, 0, PM_REMOVE)) {
    if (message.message == WM_INSTALL_PROGRESS || message.message == WM_INSTALL_STATUS) {
      posted.push_back({message.message, message.wParam, message.lParam});
    }
  }
  return posted;
}

std::string Outline(const std::vector<Posted>& posted) {
  std::string out;
  for (size_t i = 0; i < posted.size(); ++i) {
    if (!out.empty()) out += ' ';
    if (posted[i].message == WM_INSTALL_STATUS) {
      out += "S" + std::to_string(posted[i].lParam);
      continue;
    }
    size_t last = i;
    while (last + 1 < posted.size() && posted[last + 1].message == WM_INSTALL_PROGRESS) ++last;
    out += "P" + std::to_string(posted[i].lParam);
    if (last > i) out += ".." + std::to_string(posted[last].lParam);
    i = last;
  }
  return out;
}

std::vector<LPARAM> ProgressValues(const std::vector<Posted>& posted) {
  std::vector<LPARAM> values;
  for (const Posted& p : posted) {
    if (p.message == WM_INSTALL_PROGRESS) values.push_back(p.lParam);
  }
  return values;
}

std::vector<Posted> RunWorker(SetupInfo& setup, NotifyWindow& window, const std::string& dir) {
  setup.StartInstallWorker(window.Handle(), dir.c_str());
  EXPECT_NE(setup.workerThread, nullptr);
  std::vector<Posted> posted;
  if (setup.workerThread == nullptr) return posted;
  // Pump while waiting: the install command may send to windows of this thread.
  for (;;) {
    DWORD wake = MsgWaitForMultipleObjects(1, &setup.workerThread, FALSE, 60000, QS_SENDMESSAGE);
    if (wake != WAIT_OBJECT_0 + 1) break;
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  CloseHandle(setup.workerThread);
  setup.workerThread = nullptr;
  // The worker changed the process's current directory; leave the scratch folder free.
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  SetCurrentDirectoryA(temp);
  for (const Posted& p : window.Drain()) posted.push_back(p);
  return posted;
}

std::string ScratchDir(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  std::string root = std::string(temp) + "tandrel-engine-tests";
  CreateDirectoryA(root.c_str(), nullptr);
  std::string dir = root + "\\" + name;
  RemoveDirectoryTree(dir.c_str());
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir + "\\";
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  char chunk[8192];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  fclose(file);
  return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && ok;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string BuildPackage(const std::vector<std::pair<std::string, std::string>>& files) {
  constexpr size_t kRecord = 268;
  size_t tableEnd = 4 + kRecord * files.size();
  std::string payload(tableEnd, '\0');
  PutU32(payload, 0, static_cast<uint32_t>(files.size()));
  for (size_t i = 0; i < files.size(); ++i) {
    size_t record = 4 + kRecord * i;
    memcpy(&payload[record], files[i].first.c_str(), files[i].first.size() + 1);
    PutU32(payload, record + 260, static_cast<uint32_t>(payload.size()));
    PutU32(payload, record + 264, static_cast<uint32_t>(files[i].second.size()));
    payload += files[i].second;
  }
  uint32_t payloadLength = static_cast<uint32_t>(payload.size());
  payload.resize((payload.size() + 15) / 16 * 16, '\0');

  uint8_t key[16];
  DerivePackageKey(kPackagePassword, strlen(kPackagePassword), key);
  Aes128 aes;
  aes.SetEncryptKey(key);
  aes.EncryptBlocks(reinterpret_cast<uint8_t*>(&payload[0]), payload.size() / 16);

  std::string package(8, '\0');
  PutU32(package, 0, payloadLength);
  return package + payload;
}

std::string TestClientBytes() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string path(self);
  path = path.substr(0, path.rfind('\\') + 1) + "engine-test-client.exe";
  std::string bytes = ReadFileBytes(path);
  EXPECT_FALSE(bytes.empty()) << path;
  return bytes;
}

std::string WriteConfig(const std::string& dir, const std::string& configSection) {
  std::string path = dir + "online_setup.txt";
  WriteFileBytes(path, "[setup]\r\ngamename=x\r\nsize=1\r\n[config]\r\n" + configSection);
  return path;
}

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  g_engineMessageBox = CaptureBox;
  if (!Server().Start(PortOfUrl(kSetupConfigUrl))) {
    fprintf(stderr, "cannot listen on the port of %s\n", kSetupConfigUrl);
    return 1;
  }
  FILETIME started;
  GetSystemTimeAsFileTime(&started);
  int result = RUN_ALL_TESTS();
  Server().Stop();
  RemoveTestLeftovers(started, result == 0);
  return result;
}
