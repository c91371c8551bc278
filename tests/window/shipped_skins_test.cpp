// The window with the skins it ships with: every control lands where the layout
// puts it, at the size of one frame of its strip, shaped as a full rectangle.
#include "tests/window/window_fixture.h"

namespace {

struct Placement {
  int id;
  int x, y, width, height;
  bool skinned;
};

// The layout of the window, client pixels.
const Placement kLayout[] = {
    {IDC_CLOSE, 419, 16, 22, 22, true},         {IDC_MINIMIZE, 392, 16, 22, 22, true},
    {IDC_INSTALL, 163, 209, 133, 55, true},     {IDC_LICENCE, 126, 289, 47, 12, true},
    {IDC_CUSTOM, 358, 289, 71, 12, true},       {IDC_AGREE, 24, 289, 13, 13, false},
    {IDC_BROWSE, 378, 94, 52, 31, true},        {IDC_DEFAULT_DIR, 295, 128, 71, 12, true},
    {IDC_BACK, 393, 289, 36, 12, true},         {IDC_PATH, 106, 98, 266, 20, false},
    {IDC_CANCEL_INSTALL, 384, 289, 47, 12, true}, {IDC_PROGRESS, 18, 259, 419, 19, false},
};

}  // namespace

TEST_F(InstallerWindowTest, ShippedSkinsSizeAndShapeEveryControl) {
  ASSERT_TRUE(Open());
  RECT bounds;
  GetWindowRect(window->hWnd, &bounds);
  EXPECT_EQ(bounds.right - bounds.left, 455);
  EXPECT_EQ(bounds.bottom - bounds.top, 325);
  EXPECT_FALSE(window->imgWelcome.IsNull());
  for (const CImage& slide : window->imgSlides) EXPECT_FALSE(slide.IsNull());

  for (const Placement& p : kLayout) {
    SCOPED_TRACE(p.id);
    HWND control = GetDlgItem(window->hWnd, p.id);
    ASSERT_NE(control, nullptr);
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(HWND_DESKTOP, window->hWnd, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, p.x);
    EXPECT_EQ(place.top, p.y);
    EXPECT_EQ(place.right - place.left, p.width);
    EXPECT_EQ(place.bottom - place.top, p.height);
    if (!p.skinned) continue;
    // No shipped strip holds the key colour: the shape is the whole frame.
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(control, shape), ERROR);
    HRGN full = CreateRectRgn(0, 0, p.width, p.height);
    EXPECT_TRUE(EqualRgn(shape, full));
    DeleteObject(full);
    DeleteObject(shape);
  }
}
