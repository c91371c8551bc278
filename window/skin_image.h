// Skin pictures: PNG resources of type "PNG", decoded once through GDI+ into a DIB
// section, then drawn keyed (TransparentBlt) or blended (AlphaBlend).
#pragma once

#include <windows.h>
#include <objidl.h>

// A source pixel of exactly this colour is never drawn and lies outside a button.
constexpr COLORREF kSkinKeyColor = RGB(255, 0, 255);

// The image container the skins live in: a 32-bit (with alpha) or 24-bit DIB,
// colours exactly as decoded (straight alpha). GDI+ runs while any CImage exists.
class CImage {
 public:
  CImage();
  ~CImage();
  CImage(const CImage&) = delete;
  CImage& operator=(const CImage&) = delete;

  bool IsNull() const { return bitmap_ == nullptr; }
  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  int GetBPP() const { return bitsPerPixel_; }
  bool HasAlpha() const { return hasAlpha_; }
  HBITMAP GetBitmap() const { return bitmap_; }
  // The bitmap keyed draws read: for an image with alpha a 24-bit copy, because a
  // key test on 32-bit pixels can trip over the alpha byte (Wine compares it).
  HBITMAP GetKeyedBitmap() const { return keyedBitmap_ ? keyedBitmap_ : bitmap_; }

  // Decodes a PNG stream; E_FAIL leaves the image empty.
  HRESULT Load(IStream* stream);
  void Destroy();

 private:
  HBITMAP bitmap_ = nullptr;
  HBITMAP keyedBitmap_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  bool hasAlpha_ = false;
  const BYTE* bits_ = nullptr;  // top-down rows of the DIB section
  size_t stride_ = 0;

  friend COLORREF SkinPixel(CImage& image, int x, int y);
};

// Loads one PNG resource into an empty image; any failure leaves it empty.
void LoadPngResource(HMODULE module, CImage& image, HRSRC resource);

// Keyed copy of (srcX, 0, srcWidth, srcHeight) to (0, 0, destWidth, destHeight).
BOOL SkinDraw(CImage& image, HDC target, int destWidth, int destHeight, int srcX, int srcWidth,
              int srcHeight);
// The whole image to the target's origin, alpha-blended when the image has alpha.
BOOL SkinDrawBlended(CImage& image, HDC target, int destWidth, int destHeight, int srcWidth,
                     int srcHeight);
// Colour of one pixel (alpha plays no part); CLR_INVALID outside or for an empty image.
COLORREF SkinPixel(CImage& image, int x, int y);

// Live image objects and whether GDI+ is running; for tests of the codec lifetime.
int SkinImageCount();
bool SkinCodecRunning();
