#include <windows.h>
// After windows.h, which it builds on.
#include <wininet.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>

#include "engine/bounded_text.h"
#include "engine/engine_internal.h"
#include "engine/message_box.h"
#include "engine/setup_info.h"

namespace {

constexpr DWORD kReadBlock = 65536;
constexpr DWORD kRequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
static_assert(kRequestFlags == 0x84000100, "request flags");
constexpr char kAcceptHeader[] = "Accept: */*\r\n\r\n";
static_assert(sizeof kAcceptHeader - 1 == 15, "header length passed with it");

class InternetHandle {
 public:
  InternetHandle() = default;
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  ~InternetHandle() { Close(); }
  void Reset(HINTERNET handle) { Close(); handle_ = handle; }
  HINTERNET Get() const { return handle_; }
  void Close() {
    if (handle_ != nullptr) InternetCloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HINTERNET handle_ = nullptr;
};

class LocalFile {
 public:
  LocalFile() = default;
  LocalFile(const LocalFile&) = delete;
  LocalFile& operator=(const LocalFile&) = delete;
  ~LocalFile() { Close(); }
  bool Open(const char* path) {
    file_ = fopen(path, "w+b");
    return file_ != nullptr;
  }
  FILE* Get() const { return file_; }
  void Close() {
    if (file_ != nullptr) fclose(file_);
    file_ = nullptr;
  }

 private:
  FILE* file_ = nullptr;
};

// The server's last response text after a failed WinINet call. The query stores its
// own error code in error, as the caller's kept number.
bool LastResponseText(DWORD& error, char (&text)[999]) {
  memset(text, 0, sizeof text);
  DWORD length = sizeof text - 1;
  return InternetGetLastResponseInfoA(&error, text, &length) && text[0] != '\0';
}

}  // namespace

DWORD DownloadPercentage(DWORD received, DWORD contentLength) {
  // Past 1 MiB both counts are taken in KB, keeping the product within 32 bits.
  if (contentLength > 1048576) {
    received /= 1024;
    contentLength /= 1024;
  }
  return received * 100 / contentLength;
}

int SetupInfo::DownloadFile(const char* destination, const char* address,
                            std::string& localPath) {
  memset(errorText, 0, sizeof errorText);
  PostToWindow(*this, WM_INSTALL_PROGRESS, 0);

  InternetHandle internet;
  InternetHandle request;
  LocalFile file;
  char path[512] = {};
  bool opened = false;

  auto fail = [&]() {
    file.Close();
    if (opened) DeleteFileA(path);
    request.Close();
    internet.Close();
    if (errorText[0] != '\0') EngineMessageBox(notifyWindow, errorText, "错误", MB_OK);
    PostToWindow(*this, WM_INSTALL_STATUS, STATUS_ERROR);
    return 1;
  };

  if (destination != nullptr) {
    if (destination[0] == '\\') ++destination;
    if (!FormatText(path, sizeof path, "%s\\%s", installDir, destination)) {
      FormatText(errorText, sizeof errorText, "文件路径过长: %s", destination);
      return fail();
    }
  } else {
    char tempDir[260] = {};
    DWORD length = GetTempPathA(sizeof tempDir, tempDir);
    if (length == 0 || length > sizeof tempDir ||
        GetTempFileNameA(tempDir, "fgl", 0, path) == 0) {
      CopyText(errorText, sizeof errorText, "获取临时文件路径出错");
      return fail();
    }
  }
  localPath = path;

  DWORD connection = 0;
  InternetGetConnectedState(&connection, 0);
  DWORD access = (connection & INTERNET_CONNECTION_PROXY) != 0
                     ? INTERNET_OPEN_TYPE_PRECONFIG
                     : INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
  char agent[64] = {};
  FormatText(agent, sizeof agent, "Agent%ld", static_cast<long>(timeGetTime()));
  internet.Reset(InternetOpenA(agent, access, nullptr, nullptr, 0));
  if (internet.Get() == nullptr) {
    FormatText(errorText, sizeof errorText, "InternetOpen错误. %d.",
               static_cast<int>(GetLastError()));
    return fail();
  }

  if (stopRequested) return fail();

  request.Reset(InternetOpenUrlA(internet.Get(), address, kAcceptHeader,
                                 sizeof kAcceptHeader - 1, kRequestFlags, 0));
  if (request.Get() == nullptr) {
    DWORD error = GetLastError();
    internet.Close();
    char response[999];
    if (LastResponseText(error, response)) {
      FormatText(errorText, sizeof errorText, "InternetOpenUrl 错误.\n网址:%s.\n错误信息:%s.",
                 address, response);
    } else {
      FormatText(errorText, sizeof errorText, "InternetOpenUrl 错误.\n网址:%s.\n错误号:%d.",
                 address, static_cast<int>(error));
    }
    return fail();
  }

  if (!file.Open(path)) {
    // The destination's folder may be missing; one level is created, then one retry.
    char folder[512] = {};
    CopyText(folder, sizeof folder, path);
    char* slash = strrchr(folder, '\\');
    if (slash != nullptr) {
      *slash = '\0';
      CreateDirectoryA(folder, nullptr);
    }
    if (!file.Open(path)) {
      FormatText(errorText, sizeof errorText, "无法创建文件 %s", path);
      return fail();
    }
  }
  opened = true;

  if (stopRequested) return fail();

  DWORD contentLength = 0;
  DWORD lengthSize = sizeof contentLength;
  if (!HttpQueryInfoA(request.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                      &contentLength, &lengthSize, nullptr)) {
    contentLength = 0;
  }

  if (stopRequested) return fail();

  std::string buffer(kReadBlock, '\0');
  DWORD received = 0;
  for (;;) {
    if (stopRequested) return fail();
    DWORD count = 0;
    if (!InternetReadFile(request.Get(), &buffer[0], kReadBlock, &count)) {
      DWORD error = GetLastError();
      file.Close();
      DeleteFileA(path);
      opened = false;
      request.Close();
      internet.Close();
      char response[999];
      if (LastResponseText(error, response)) {
        FormatText(errorText, sizeof errorText, "InternetReadFile 错误.\n 错误信息:%s.", response);
      } else {
        FormatText(errorText, sizeof errorText, "InternetReadFile 错误.\n 错误号:%d.",
                   static_cast<int>(error));
      }
      return fail();
    }
    if (count == 0) break;
    fwrite(buffer.data(), 1, count, file.Get());
    received += count;
    // Without an announced length there is no percentage to give.
    if (contentLength != 0) {
      PostToWindow(*this, WM_INSTALL_PROGRESS, DownloadPercentage(received, contentLength));
    }
  }

  file.Close();
  request.Close();
  internet.Close();
  PostToWindow(*this, WM_INSTALL_PROGRESS, 100);
  return 0;
}
