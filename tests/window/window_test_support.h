// Shared pieces of the window's tests: a paint target whose pixels can be read back,
// recorded boxes and a message pump.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A 32-bit top-down DIB in its own memory DC, filled with one colour.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const;
  // Pixels inside area (left/top inclusive, right/bottom exclusive) that match.
  int Count(RECT area, const std::function<bool(COLORREF)>& match) const;
  int CountColour(RECT area, COLORREF colour) const {
    return Count(area, [colour](COLORREF c) { return c == colour; });
  }
  int CountOther(RECT area, COLORREF colour) const {
    return Count(area, [colour](COLORREF c) { return c != colour; });
  }
  // The smallest rectangle holding every pixel of area that matches; empty when none.
  RECT Extent(RECT area, const std::function<bool(COLORREF)>& match) const;

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  const BYTE* bits_ = nullptr;
};

struct BoxRecord {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};
// Every box the window or the engine asked for since the last ClearBoxes; all are
// answered with IDOK at once.
std::vector<BoxRecord>& Boxes();
void ClearBoxes();
// Routes the window's and the engine's boxes, the folder dialog and the browser to
// recorders. chosenFolder is what the folder dialog "returns".
void InstallRecordingSeams();
std::string& ChosenFolder();
std::string& LastFolderTitle();
int& FolderDialogCalls();
std::vector<std::string>& OpenedAddresses();

// Dispatches everything queued for this thread; true when WM_QUIT was among it.
bool PumpMessages();
