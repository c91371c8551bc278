#include <windows.h>

#include <cstdio>

#include "window/gdi_holders.h"
#include "window/installer_window.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLightYellow = RGB(255, 246, 150);  // welcome title, directory heading
constexpr COLORREF kPaleYellow = RGB(254, 247, 167);   // status line, percentage

// The layout was made for this face; Wine substitutes a CJK font when it is missing.
HFONT CreateSkinFont(int height, int width, int weight) {
  return CreateFontA(height, width, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN,
                     "宋体");
}

// The composition surface: 24 bits, so the final key test sees plain RGB values (a
// 32-bit surface carries the blend's alpha byte, which Wine's key test compares too).
HBITMAP CreateSurfaceBitmap(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

void DrawAt(HDC dc, const char* text, RECT area, UINT flags) { DrawTextA(dc, text, -1, &area, flags); }

}  // namespace

void SizeWithUnit(int kilobytes, int& value, const char*& unit) {
  if (kilobytes / 1024 / 1024 > 0) {
    value = kilobytes / 1024 / 1024;
    unit = "GB";
  } else if (kilobytes / 1024 > 0) {
    value = kilobytes / 1024;
    unit = "MB";
  } else {
    value = kilobytes;
    unit = "KB";
  }
}

void FormatSpaceLine(int requiredKB, int freeKB, char* buffer, size_t capacity) {
  int required, free;
  const char* requiredUnit;
  const char* freeUnit;
  SizeWithUnit(requiredKB, required, requiredUnit);
  SizeWithUnit(freeKB, free, freeUnit);
  std::snprintf(buffer, capacity, "所需空间：%d%s(可用空间：%d%s)", required, requiredUnit, free, freeUnit);
}

void FormatPercent(int status, int percent, char* buffer, size_t capacity) {
  if (capacity == 0) return;
  buffer[0] = '\0';
  if (status >= STATUS_READING_CONFIG && status <= STATUS_DOWNLOADING)
    std::snprintf(buffer, capacity, "已下载%d%%", percent);
  else if (status >= STATUS_STARTING_INSTALL && status <= STATUS_COMPLETE)
    std::snprintf(buffer, capacity, "已安装%d%%", percent);
}

LRESULT fgWin32Dialog::OnPaint(HDC dc) {
  if (IsIconic(hWnd)) return 0;
  RECT client;
  GetClientRect(hWnd, &client);

  // Declared before the surface, so the surface lets go of them before they are deleted.
  GdiObject<HFONT> bodyFont(CreateSkinFont(12, 6, 400));
  GdiObject<HFONT> titleFont(CreateSkinFont(26, 14, 700));
  GdiObject<HFONT> pathFont(CreateSkinFont(14, 7, 400));
  GdiObject<HFONT> headingFont(CreateSkinFont(16, 8, 700));
  GdiObject<HBITMAP> bitmap(CreateSurfaceBitmap(client.right, client.bottom));
  MemoryDC surface(dc);
  if (!surface.Get() || !bitmap.Get()) return 0;
  SelectObject(surface, bitmap);

  if (!imgBackground.IsNull())
    SkinDrawBlended(imgBackground, surface, imgBackground.GetWidth(), imgBackground.GetHeight(),
                    imgBackground.GetWidth(), imgBackground.GetHeight());
  SetBkMode(surface, TRANSPARENT);
  SelectObject(surface, bodyFont);
  SetTextColor(surface, kWhite);

  char text[260] = {};
  switch (page) {
    case PAGE_WELCOME:
      if (!imgWelcome.IsNull())
        SkinDraw(imgWelcome, surface, imgWelcome.GetWidth(), imgWelcome.GetHeight(), 0,
                 imgWelcome.GetWidth(), imgWelcome.GetHeight());
      DrawAt(surface, agreeLabel, {50, 289, 150, 309}, 0);
      SelectObject(surface, titleFont);
      SetTextColor(surface, kLightYellow);
      std::snprintf(text, sizeof(text), "%s游戏 极速安装", kProductName);
      // Centred across the width, from the top of the plate (no DT_SINGLELINE).
      DrawAt(surface, text, {0, 146, client.right, 177}, DT_CENTER | DT_VCENTER);
      break;
    case PAGE_DIRECTORY:
      SelectObject(surface, pathFont);
      DrawAt(surface, "安装路径:", {40, 100, 290, 120}, 0);
      FormatSpaceLine(requiredKB, freeKB, text, sizeof(text));
      DrawAt(surface, text, {40, 128, 290, 148}, 0);
      SelectObject(surface, headingFont);
      SetTextColor(surface, kLightYellow);
      DrawAt(surface, "自定义安装", {26, 44, 126, 61}, 0);
      break;
    case PAGE_PROGRESS: {
      CImage& slide = imgSlides[slideIndex >= 0 && slideIndex < 3 ? slideIndex : 0];
      if (!slide.IsNull())
        SkinDraw(slide, surface, slide.GetWidth(), slide.GetHeight(), 0, slide.GetWidth(),
                 slide.GetHeight());
      SetTextColor(surface, kPaleYellow);
      DrawAt(surface, statusText.c_str(), statusRect, 0);
      FormatPercent(status, percent, text, sizeof(text));
      DrawAt(surface, text, percentRect, DT_RIGHT);
      break;
    }
    default:
      break;
  }

  TransparentBlt(dc, 0, 0, client.right, client.bottom, surface, 0, 0, client.right, client.bottom,
                 kSkinKeyColor);
  return 0;
}
