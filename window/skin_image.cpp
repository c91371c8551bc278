#include "window/skin_image.h"

#include <gdiplus.h>

#include <cstring>

namespace {

// One process-wide record: the GDI+ token and the number of live images.
struct CodecRecord {
  CRITICAL_SECTION lock;
  ULONG_PTR token = 0;
  int imageCount = 0;

  CodecRecord() { InitializeCriticalSection(&lock); }
  ~CodecRecord() {
    if (token) Gdiplus::GdiplusShutdown(token);
    DeleteCriticalSection(&lock);
  }
};

CodecRecord& Codec() {
  // Built before WinMain by static initialisation of this translation unit.
  static CodecRecord record;
  return record;
}
// Forces construction during static initialisation, before any thread exists.
CodecRecord& gCodecAtStart = Codec();

class CodecLock {
 public:
  CodecLock() { EnterCriticalSection(&Codec().lock); }
  ~CodecLock() { LeaveCriticalSection(&Codec().lock); }
};

bool EnsureCodec() {
  CodecLock hold;
  CodecRecord& codec = Codec();
  if (codec.token) return true;
  Gdiplus::GdiplusStartupInput input;  // version 1, no callback, background thread on
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  codec.token = token;
  return true;
}

// The image's own memory DC for one draw or pixel read.
class ImageDC {
 public:
  explicit ImageDC(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_) previous_ = SelectObject(dc_, bitmap);
  }
  ~ImageDC() {
    if (!dc_) return;
    if (previous_) SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  ImageDC(const ImageDC&) = delete;
  ImageDC& operator=(const ImageDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

// Disposes of a GDI+ bitmap on every path.
struct GpBitmapHolder {
  Gdiplus::GpBitmap* bitmap = nullptr;
  ~GpBitmapHolder() {
    if (bitmap) Gdiplus::DllExports::GdipDisposeImage(bitmap);
  }
};

// A top-down DIB section of the given depth.
HBITMAP CreateTopDownDib(UINT width, UINT height, int bitsPerPixel, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.bmiHeader.biCompression = BI_RGB;
  *bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
  if (dib && !*bits) {
    DeleteObject(dib);
    return nullptr;
  }
  return dib;
}

size_t DibStride(UINT width, int bitsPerPixel) {
  return (static_cast<size_t>(width) * (bitsPerPixel / 8) + 3) & ~static_cast<size_t>(3);
}

}  // namespace

CImage::CImage() {
  CodecLock hold;
  ++Codec().imageCount;
}

CImage::~CImage() {
  Destroy();
  CodecLock hold;
  CodecRecord& codec = Codec();
  if (--codec.imageCount == 0 && codec.token) {
    Gdiplus::GdiplusShutdown(codec.token);
    codec.token = 0;
  }
}

void CImage::Destroy() {
  if (bitmap_) DeleteObject(bitmap_);
  if (keyedBitmap_) DeleteObject(keyedBitmap_);
  bitmap_ = keyedBitmap_ = nullptr;
  width_ = height_ = bitsPerPixel_ = 0;
  hasAlpha_ = false;
  bits_ = nullptr;
  stride_ = 0;
}

HRESULT CImage::Load(IStream* stream) {
  using namespace Gdiplus::DllExports;
  Destroy();
  if (!stream || !EnsureCodec()) return E_FAIL;

  GpBitmapHolder source;
  if (GdipCreateBitmapFromStream(stream, &source.bitmap) != Gdiplus::Ok || !source.bitmap)
    return E_FAIL;
  UINT width = 0, height = 0;
  Gdiplus::PixelFormat format = 0;
  if (GdipGetImageWidth(source.bitmap, &width) != Gdiplus::Ok ||
      GdipGetImageHeight(source.bitmap, &height) != Gdiplus::Ok ||
      GdipGetImagePixelFormat(source.bitmap, &format) != Gdiplus::Ok)
    return E_FAIL;
  if (width == 0 || height == 0 || width > 16384 || height > 16384) return E_FAIL;

  const bool alpha = (format & PixelFormatAlpha) != 0;
  const int bpp = alpha ? 32 : 24;
  const Gdiplus::PixelFormat lockFormat = alpha ? PixelFormat32bppARGB : PixelFormat24bppRGB;

  void* bits = nullptr;
  HBITMAP dib = CreateTopDownDib(width, height, bpp, &bits);
  if (!dib) return E_FAIL;
  void* keyedBits = nullptr;
  HBITMAP keyed = alpha ? CreateTopDownDib(width, height, 24, &keyedBits) : nullptr;
  if (alpha && !keyed) {
    DeleteObject(dib);
    return E_FAIL;
  }

  Gdiplus::GpRect area(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData data = {};
  if (GdipBitmapLockBits(source.bitmap, &area, Gdiplus::ImageLockModeRead, lockFormat, &data) !=
      Gdiplus::Ok) {
    DeleteObject(dib);
    if (keyed) DeleteObject(keyed);
    return E_FAIL;
  }
  // DIB rows are padded to 4 bytes; GDI+ rows have their own stride.
  const size_t rowBytes = static_cast<size_t>(width) * (bpp / 8);
  const size_t dibStride = DibStride(width, bpp);
  const size_t keyedStride = DibStride(width, 24);
  for (UINT y = 0; y < height; ++y) {
    const BYTE* from = static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
    std::memcpy(static_cast<BYTE*>(bits) + y * dibStride, from, rowBytes);
    if (!keyed) continue;
    BYTE* to = static_cast<BYTE*>(keyedBits) + y * keyedStride;
    for (UINT x = 0; x < width; ++x) std::memcpy(to + x * 3, from + x * 4, 3);
  }
  GdipBitmapUnlockBits(source.bitmap, &data);
  GdiFlush();

  bitmap_ = dib;
  keyedBitmap_ = keyed;
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  bitsPerPixel_ = bpp;
  hasAlpha_ = alpha;
  bits_ = static_cast<const BYTE*>(bits);
  stride_ = dibStride;
  return S_OK;
}

void LoadPngResource(HMODULE module, CImage& image, HRSRC resource) {
  HGLOBAL loaded = LoadResource(module, resource);
  if (!loaded) return;
  const DWORD size = SizeofResource(module, resource);
  const void* bytes = LockResource(loaded);
  if (!bytes || size == 0) return;

  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return;
  void* target = GlobalLock(block);
  if (!target) {
    GlobalFree(block);
    return;
  }
  std::memcpy(target, bytes, size);
  GlobalUnlock(block);

  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)) || !stream) {
    GlobalFree(block);
    return;
  }
  image.Load(stream);
  stream->Release();  // frees the block
}

BOOL SkinDraw(CImage& image, HDC target, int destWidth, int destHeight, int srcX, int srcWidth,
              int srcHeight) {
  if (image.IsNull()) return FALSE;
  ImageDC source(image.GetKeyedBitmap());
  if (!static_cast<HDC>(source)) return FALSE;
  return TransparentBlt(target, 0, 0, destWidth, destHeight, source, srcX, 0, srcWidth, srcHeight,
                        kSkinKeyColor);
}

BOOL SkinDrawBlended(CImage& image, HDC target, int destWidth, int destHeight, int srcWidth,
                     int srcHeight) {
  if (image.IsNull()) return FALSE;
  ImageDC source(image.GetBitmap());
  if (!static_cast<HDC>(source)) return FALSE;
  if (image.HasAlpha()) {
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return AlphaBlend(target, 0, 0, destWidth, destHeight, source, 0, 0, srcWidth, srcHeight, blend);
  }
  return StretchBlt(target, 0, 0, destWidth, destHeight, source, 0, 0, srcWidth, srcHeight, SRCCOPY);
}

// Reads the DIB's own bits: the same value GetPixel on the image's DC gives, without
// a DC per pixel (a button shape reads every pixel of frame 0).
COLORREF SkinPixel(CImage& image, int x, int y) {
  if (image.IsNull() || !image.bits_) return CLR_INVALID;
  if (x < 0 || y < 0 || x >= image.width_ || y >= image.height_) return CLR_INVALID;
  const BYTE* pixel = image.bits_ + static_cast<size_t>(y) * image.stride_ +
                      static_cast<size_t>(x) * (image.bitsPerPixel_ / 8);
  return RGB(pixel[2], pixel[1], pixel[0]);
}

int SkinImageCount() {
  CodecLock hold;
  return Codec().imageCount;
}

bool SkinCodecRunning() {
  CodecLock hold;
  return Codec().token != 0;
}
