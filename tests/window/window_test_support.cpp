#include "tests/window/window_test_support.h"

#include <mutex>

#include "engine/message_box.h"
#include "window/installer_window.h"

Canvas::Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<const BYTE*>(bits);
  dc_ = CreateCompatibleDC(nullptr);
  previous_ = SelectObject(dc_, bitmap_);
  HBRUSH brush = CreateSolidBrush(fill);
  RECT all = {0, 0, width, height};
  FillRect(dc_, &all, brush);
  DeleteObject(brush);
}

Canvas::~Canvas() {
  SelectObject(dc_, previous_);
  DeleteDC(dc_);
  DeleteObject(bitmap_);
}

COLORREF Canvas::At(int x, int y) const {
  GdiFlush();
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  const BYTE* pixel = bits_ + (static_cast<size_t>(y) * width_ + x) * 4;
  return RGB(pixel[2], pixel[1], pixel[0]);
}

int Canvas::Count(RECT area, const std::function<bool(COLORREF)>& match) const {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (match(At(x, y))) ++count;
  return count;
}

RECT Canvas::Extent(RECT area, const std::function<bool(COLORREF)>& match) const {
  RECT extent = {area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (match(At(x, y))) {
        if (x < extent.left) extent.left = x;
        if (y < extent.top) extent.top = y;
        if (x + 1 > extent.right) extent.right = x + 1;
        if (y + 1 > extent.bottom) extent.bottom = y + 1;
      }
  if (extent.left >= extent.right) return RECT{0, 0, 0, 0};
  return extent;
}

std::vector<BoxRecord>& Boxes() {
  static std::vector<BoxRecord> boxes;
  return boxes;
}

namespace {
std::mutex gBoxMutex;

int RecordBox(HWND owner, const char* text, const char* caption, UINT type) {
  std::lock_guard<std::mutex> hold(gBoxMutex);
  Boxes().push_back({owner, text ? text : "", caption ? caption : "", type});
  return IDOK;
}

int WINAPI RecordEngineBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  return RecordBox(owner, text, caption, type);
}

void RecordFolderChoice(HWND, const char* title, char path[MAX_PATH]) {
  ++FolderDialogCalls();
  LastFolderTitle() = title;
  std::snprintf(path, MAX_PATH, "%s", ChosenFolder().c_str());
}

void RecordAddress(const char* address) { OpenedAddresses().push_back(address); }
}  // namespace

void ClearBoxes() {
  std::lock_guard<std::mutex> hold(gBoxMutex);
  Boxes().clear();
}

std::string& ChosenFolder() {
  static std::string folder;
  return folder;
}
std::string& LastFolderTitle() {
  static std::string title;
  return title;
}
int& FolderDialogCalls() {
  static int calls = 0;
  return calls;
}
std::vector<std::string>& OpenedAddresses() {
  static std::vector<std::string> addresses;
  return addresses;
}

void InstallRecordingSeams() {
  gWindowSeams.messageBox = RecordBox;
  gWindowSeams.chooseFolder = RecordFolderChoice;
  gWindowSeams.openAddress = RecordAddress;
  g_engineMessageBox = RecordEngineBox;
}

bool PumpMessages() {
  bool quit = false;
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      quit = true;
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return quit;
}
