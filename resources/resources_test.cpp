// The resources as the program meets them: looked up in its own module by id.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

const WORD kChineseSimplified = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

struct Blob {
  const unsigned char* data = nullptr;
  DWORD size = 0;
};

Blob Lock(HRSRC found) {
  Blob blob;
  if (!found) return blob;
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return blob;
  blob.data = static_cast<const unsigned char*>(LockResource(loaded));
  blob.size = SizeofResource(nullptr, found);
  return blob;
}

uint32_t BigEndian32(const unsigned char* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

struct Skin {
  int id;
  uint32_t width, height;
  int colourType;  // 6 RGBA, 2 RGB
};

const Skin kSkins[] = {
    {154, 455, 325, 6}, {155, 455, 200, 2}, {156, 88, 22, 6},  {158, 188, 12, 6},
    {159, 144, 12, 6},  {160, 188, 12, 6},  {161, 284, 12, 6}, {162, 284, 12, 6},
    {163, 88, 22, 6},   {164, 532, 55, 6},  {166, 455, 200, 2}, {167, 455, 200, 2},
    {168, 455, 200, 2}, {169, 208, 31, 6},
};

TEST(Skins, EachIdHoldsAPngOfItsSizeUnderSimplifiedChinese) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  for (const Skin& skin : kSkins) {
    SCOPED_TRACE(skin.id);
    HRSRC exact = FindResourceExA(nullptr, "PNG", MAKEINTRESOURCEA(skin.id), kChineseSimplified);
    ASSERT_NE(exact, nullptr);
    // The program asks without a language; the lookup must still land on this one.
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(skin.id), "PNG"), exact);

    Blob png = Lock(exact);
    ASSERT_GE(png.size, 33u);
    ASSERT_EQ(std::memcmp(png.data, kSignature, 8), 0);
    ASSERT_EQ(std::memcmp(png.data + 12, "IHDR", 4), 0);
    EXPECT_EQ(BigEndian32(png.data + 16), skin.width);
    EXPECT_EQ(BigEndian32(png.data + 20), skin.height);
    EXPECT_EQ(png.data[24], 8) << "bit depth";
    EXPECT_EQ(png.data[25], skin.colourType);
  }
}

// The image layer keeps 32 bits with alpha for RGBA pictures and 24 bits for RGB ones,
// as the platform's decoder reports them; a picture it cannot decode shows nothing.
TEST(Skins, DecoderSeesEachPictureWithTheIntendedPixelFormat) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  for (const Skin& skin : kSkins) {
    SCOPED_TRACE(skin.id);
    Blob png = Lock(FindResourceA(nullptr, MAKEINTRESOURCEA(skin.id), "PNG"));
    ASSERT_NE(png.data, nullptr);
    IStream* stream = SHCreateMemStream(png.data, png.size);
    ASSERT_NE(stream, nullptr);
    Gdiplus::GpBitmap* bitmap = nullptr;
    const Gdiplus::Status status = Gdiplus::DllExports::GdipCreateBitmapFromStream(stream, &bitmap);
    stream->Release();
    ASSERT_EQ(status, Gdiplus::Ok);
    UINT width = 0, height = 0;
    Gdiplus::PixelFormat format = 0;
    Gdiplus::DllExports::GdipGetImageWidth(bitmap, &width);
    Gdiplus::DllExports::GdipGetImageHeight(bitmap, &height);
    Gdiplus::DllExports::GdipGetImagePixelFormat(bitmap, &format);
    EXPECT_EQ(width, skin.width);
    EXPECT_EQ(height, skin.height);
    EXPECT_EQ(format, skin.colourType == 6 ? PixelFormat32bppARGB : PixelFormat24bppRGB);
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
  }
  Gdiplus::GdiplusShutdown(token);
}

TEST(Skins, GapsInTheIdsStayEmpty) {
  for (int id : {153, 157, 165, 170}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(id), "PNG"), nullptr);
  }
}

TEST(Skins, SlidesAreOneAndTheSamePicture) {
  Blob first = Lock(FindResourceA(nullptr, MAKEINTRESOURCEA(166), "PNG"));
  ASSERT_NE(first.data, nullptr);
  for (int id : {167, 168}) {
    SCOPED_TRACE(id);
    Blob other = Lock(FindResourceA(nullptr, MAKEINTRESOURCEA(id), "PNG"));
    ASSERT_EQ(other.size, first.size);
    EXPECT_EQ(std::memcmp(other.data, first.data, first.size), 0);
  }
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct GroupIconHeader {
  WORD reserved, type, count;
};
#pragma pack(pop)

std::vector<int> IconSizes(int id) {
  std::vector<int> sizes;
  Blob group = Lock(FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14)));  // RT_GROUP_ICON
  if (group.size < sizeof(GroupIconHeader)) return sizes;
  GroupIconHeader header;
  std::memcpy(&header, group.data, sizeof header);
  if (group.size < sizeof header + header.count * sizeof(GroupIconEntry)) return sizes;
  for (WORD i = 0; i < header.count; ++i) {
    GroupIconEntry entry;
    std::memcpy(&entry, group.data + sizeof header + i * sizeof entry, sizeof entry);
    sizes.push_back(entry.width == 0 ? 256 : entry.width);
  }
  return sizes;
}

TEST(Icons, LargeHasThreeSizesSmallHasOne) {
  EXPECT_EQ(IconSizes(107), (std::vector<int>{16, 32, 48}));
  EXPECT_EQ(IconSizes(108), (std::vector<int>{16}));
  for (int id : {107, 108}) {
    SCOPED_TRACE(id);
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(icon, nullptr);
    DestroyIcon(icon);
  }
}

std::string ManifestText() {
  Blob manifest = Lock(FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)));  // RT_MANIFEST
  return manifest.data ? std::string(reinterpret_cast<const char*>(manifest.data), manifest.size) : std::string();
}

TEST(Manifest, AsksForAdministratorCommonControlsAndNoDpiScalingOfItsOwn) {
  const std::string text = ManifestText();
  ASSERT_FALSE(text.empty());
  const char* kWanted[] = {
      "level=\"requireAdministrator\"",
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
      ">false</dpiAware>",
  };
  for (const char* wanted : kWanted) EXPECT_NE(text.find(wanted), std::string::npos) << wanted;
}

std::wstring VersionString(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, path, MAX_PATH)) return L"";
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return L"";
  std::vector<unsigned char> info(size);
  if (!GetFileVersionInfoW(path, 0, size, info.data())) return L"";
  std::wstring key = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
  wchar_t* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return L"";
  return value;
}

TEST(Version, NamesTheProductInChinese) {
  EXPECT_EQ(VersionString(L"ProductName"), L"Tandrel");
  EXPECT_EQ(VersionString(L"FileDescription"), L"Tandrel \u5728\u7ebf\u5b89\u88c5\u7a0b\u5e8f");  // 在线安装程序
}

}  // namespace
