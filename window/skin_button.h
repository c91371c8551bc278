// An image button over a standard "button" window: a four-frame PNG strip
// (normal, hot, pressed, disabled), the window's shape taken from frame 0, hover
// tracking and an optional hand cursor. Without a strip it draws a fallback face.
#pragma once

#include <windows.h>

#include "window/skin_image.h"

enum ButtonFrame {
  FRAME_NORMAL = 0,
  FRAME_HOT = 1,
  FRAME_PRESSED = 2,
  FRAME_DISABLED = 3,
};

class CWINButton {
 public:
  CWINButton();
  virtual ~CWINButton();
  CWINButton(const CWINButton&) = delete;
  CWINButton& operator=(const CWINButton&) = delete;

  // Takes over an existing button window; FALSE when it is not a window.
  BOOL Attach(HWND window);
  // Loads the strip, sizes the window to one frame and shapes it.
  bool SetImage(HINSTANCE module, WORD id);
  void Enable(bool flag);

  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // The frame the current state shows (with a strip).
  ButtonFrame CurrentFrame() const;
  // Composes the face off screen and copies it to dc.
  void PaintButton(HDC dc);

  HWND hwnd = nullptr;
  WNDPROC prevWndProc = nullptr;
  CImage image;
  int hover = 0;
  int pressed = 0;
  int enabled = 1;
  int focused = 0;
  int hasImage = 0;
  char caption[256] = {};
  bool handCursor = false;
  HPEN outlinePen;
  HPEN hotPens[4];    // left, right, top, bottom
  HPEN focusPens[4];  // left, right, top, bottom
  HBRUSH hotFaceBrush;
  HBRUSH faceBrush;

 private:
  void BuildRegionFromImage();
  void DrawFallbackFace(HDC dc);
  void DrawCaption(HDC dc, RECT area);
  void Invalidate();
};
