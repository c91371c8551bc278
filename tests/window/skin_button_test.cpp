// The skinned button and the skin images, on a plain parent window.
#include <gtest/gtest.h>

#include <memory>

#include "tests/window/window_test_support.h"
#include "window/skin_button.h"
#include "window/skin_image.h"
#include "window_fixtures.h"

namespace {

constexpr COLORREF kSentinel = RGB(1, 99, 1);

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

void LoadFixture(CImage& image, WORD id) {
  HRSRC resource = FindResourceA(Module(), MAKEINTRESOURCEA(id), "PNG");
  ASSERT_NE(resource, nullptr) << id;
  LoadPngResource(Module(), image, resource);
}

class SkinButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExA(0, "static", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, Module(),
                              nullptr);
    ASSERT_NE(parent_, nullptr);
    button.reset(new CWINButton);
    HWND window = CreateWindowExA(0, "button", "", WS_CHILD | WS_VISIBLE, 10, 10, 37, 31, parent_,
                                  reinterpret_cast<HMENU>(1004), Module(), nullptr);
    ASSERT_TRUE(button->Attach(window));
  }
  void TearDown() override {
    button.reset();
    DestroyWindow(parent_);
    PumpMessages();
  }
  SIZE ClientSize() const {
    RECT client;
    GetClientRect(button->hwnd, &client);
    return {client.right, client.bottom};
  }
  // The button's face as PaintButton composes it.
  std::unique_ptr<Canvas> Face() {
    SIZE size = ClientSize();
    auto canvas = std::make_unique<Canvas>(size.cx, size.cy, kSentinel);
    button->PaintButton(canvas->dc());
    return canvas;
  }
  void Send(UINT message, WPARAM wParam = 0) { SendMessageA(button->hwnd, message, wParam, 0); }

  HWND parent_ = nullptr;
  std::unique_ptr<CWINButton> button;
};

}  // namespace

TEST_F(SkinButtonTest, AttachMakesAnOwnerDrawnSubclassedWindow) {
  EXPECT_EQ(GetPropA(button->hwnd, "CWINBUTTON"), button.get());
  EXPECT_EQ(GetWindowLongPtrA(button->hwnd, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(button->hwnd, GWLP_WNDPROC)),
            &CWINButton::SubclassProc);
  // Rounded: the very corner is outside the shape, the middle inside.
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(button->hwnd, shape), ERROR);
  EXPECT_FALSE(PtInRegion(shape, 0, 0));
  EXPECT_TRUE(PtInRegion(shape, 18, 15));
  DeleteObject(shape);

  CWINButton other;
  EXPECT_FALSE(other.Attach(nullptr));
  EXPECT_FALSE(other.Attach(reinterpret_cast<HWND>(0x12345678)));
}

TEST_F(SkinButtonTest, DestructionGivesTheWindowItsProcedureBack) {
  HWND window = button->hwnd;
  WNDPROC previous = button->prevWndProc;
  button.reset();
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)), previous);
  EXPECT_EQ(GetPropA(window, "CWINBUTTON"), nullptr);
}

TEST_F(SkinButtonTest, StripSizesAndShapesTheButtonFromFrameZero) {
  ASSERT_TRUE(button->SetImage(Module(), kShapedStrip));
  EXPECT_EQ(button->hasImage, 1);
  EXPECT_EQ(ClientSize().cx, 20);
  EXPECT_EQ(ClientSize().cy, 10);

  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(button->hwnd, shape), ERROR);
  struct Case {
    int x, y;
    bool inside;
  } cases[] = {
      {0, 0, false}, {19, 0, false},                // row 0 of frame 0 is all key
      {4, 1, true},  {5, 1, false}, {6, 1, true},   // one key pixel splits row 1
      {0, 2, true},  {19, 9, true}, {20, 5, false}, // the rest is the full frame
  };
  for (const Case& c : cases) EXPECT_EQ(PtInRegion(shape, c.x, c.y) != FALSE, c.inside) << c.x << "," << c.y;
  DeleteObject(shape);
}

TEST_F(SkinButtonTest, FrameFollowsTheState) {
  ASSERT_TRUE(button->SetImage(Module(), kShapedStrip));
  struct Step {
    const char* what;
    UINT message;
    WPARAM wParam;
    ButtonFrame frame;
  } steps[] = {
      {"start", 0, 0, FRAME_NORMAL},
      {"mouse enters", WM_MOUSEMOVE, 0, FRAME_HOT},
      {"press", WM_LBUTTONDOWN, 0, FRAME_PRESSED},
      {"release over it", WM_LBUTTONUP, 0, FRAME_HOT},
      {"mouse leaves with focus", WM_MOUSELEAVE, 0, FRAME_NORMAL},
      {"focus", WM_SETFOCUS, 0, FRAME_HOT},
      {"focus lost", WM_KILLFOCUS, 0, FRAME_NORMAL},
      {"press again", WM_LBUTTONDOWN, 0, FRAME_PRESSED},
      {"disabled wins over pressed", WM_ENABLE, FALSE, FRAME_DISABLED},
      {"and over hover", WM_MOUSEMOVE, 0, FRAME_DISABLED},
      {"enabled again", WM_ENABLE, TRUE, FRAME_PRESSED},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    if (step.message) Send(step.message, step.wParam);
    EXPECT_EQ(button->CurrentFrame(), step.frame);
    // Row 5 of every frame is its own colour; the painted face shows the chosen one.
    EXPECT_EQ(Face()->At(10, 5), kFixtureFrames[step.frame]);
  }
}

TEST_F(SkinButtonTest, EnableSetsTheWindowAndTheFrame) {
  ASSERT_TRUE(button->SetImage(Module(), kShapedStrip));
  button->Enable(false);
  EXPECT_FALSE(IsWindowEnabled(button->hwnd));
  EXPECT_EQ(Face()->At(10, 5), kFixtureFrames[FRAME_DISABLED]);
  button->Enable(true);
  EXPECT_TRUE(IsWindowEnabled(button->hwnd));
  EXPECT_EQ(Face()->At(10, 5), kFixtureFrames[FRAME_NORMAL]);
}

TEST_F(SkinButtonTest, DisabledButtonLoadsNoStrip) {
  button->Enable(false);
  EXPECT_FALSE(button->SetImage(Module(), kShapedStrip));
  EXPECT_TRUE(button->image.IsNull());
  EXPECT_EQ(button->hasImage, 0);
  EXPECT_EQ(ClientSize().cx, 37);
}

TEST_F(SkinButtonTest, MissingOrBrokenStripKeepsTheFallbackFace) {
  for (WORD id : {WORD(157), WORD(165), kBrokenPng}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(button->SetImage(Module(), id));
    EXPECT_EQ(button->hasImage, 0);
    EXPECT_EQ(ClientSize().cx, 37);
    EXPECT_EQ(ClientSize().cy, 31);
  }
  const int ey = GetSystemMetrics(SM_CYEDGE);
  const int ih = 31 - 2 * ey;
  struct Case {
    const char* what;
    int hover, focused;
    int rgDivisor, blueDivisor;
    COLORREF leftEdge;  // 0: no edge drawn
  } cases[] = {
      {"plain", 0, 0, 3, 5, 0},
      {"hover", 1, 0, 4, 5, RGB(250, 196, 88)},
      {"focus", 0, 1, 3, 4, RGB(153, 198, 252)},
      {"hover and focus", 1, 1, 4, 3, RGB(250, 196, 88)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    button->hover = c.hover;
    button->focused = c.focused;
    auto face = Face();
    // The gradient darkens downwards by the state's divisors.
    for (int y : {ey + 3, 15, 26}) {
      const int shade = std::min(63, y * 63 / ih);
      const int rg = 255 - shade / c.rgDivisor;
      EXPECT_EQ(face->At(18, y), RGB(rg, rg, 255 - shade / c.blueDivisor)) << "row " << y;
    }
    // White rounded outline along the top edge, away from the corners.
    EXPECT_EQ(face->At(18, 0), RGB(255, 255, 255));
    const RECT leftColumn = {0, 12, 5, 18};
    if (c.leftEdge) {
      EXPECT_GT(face->CountColour(leftColumn, c.leftEdge), 0);
    } else {
      EXPECT_EQ(face->CountColour(leftColumn, RGB(250, 196, 88)) +
                    face->CountColour(leftColumn, RGB(153, 198, 252)),
                0);
    }
  }
}

TEST_F(SkinButtonTest, HandCursorComesOnceOnEntryForAnEnabledButton) {
  ASSERT_TRUE(button->SetImage(Module(), kShapedStrip));
  button->handCursor = true;
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  Send(WM_MOUSEMOVE);
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  Send(WM_MOUSEMOVE);  // still inside: nothing new
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));

  Send(WM_MOUSELEAVE);
  button->Enable(false);
  Send(WM_MOUSEMOVE);
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST(SkinImageTest, LoadsStripsWithAlphaAndPicturesWithout) {
  CImage strip, plain;
  LoadFixture(strip, kShapedStrip);
  LoadFixture(plain, kPlainRgb);
  ASSERT_FALSE(strip.IsNull());
  EXPECT_EQ(strip.GetWidth(), 80);
  EXPECT_EQ(strip.GetHeight(), 10);
  EXPECT_EQ(strip.GetBPP(), 32);
  EXPECT_TRUE(strip.HasAlpha());
  EXPECT_EQ(SkinPixel(strip, 0, 0), kSkinKeyColor);
  EXPECT_EQ(SkinPixel(strip, 4, 1), kFixtureFrames[0]);
  EXPECT_EQ(SkinPixel(strip, 79, 9), kFixtureFrames[3]);
  EXPECT_EQ(SkinPixel(strip, 80, 0), CLR_INVALID);

  ASSERT_FALSE(plain.IsNull());
  EXPECT_EQ(plain.GetBPP(), 24);
  EXPECT_FALSE(plain.HasAlpha());
  EXPECT_EQ(SkinPixel(plain, 7, 3), kFixturePlain);
}

TEST(SkinImageTest, BrokenOrMissingResourceLeavesTheImageEmpty) {
  CImage broken;
  LoadFixture(broken, kBrokenPng);
  EXPECT_TRUE(broken.IsNull());
  EXPECT_EQ(broken.GetWidth(), 0);
  EXPECT_EQ(FindResourceA(Module(), MAKEINTRESOURCEA(157), "PNG"), nullptr);

  // An empty image draws nothing.
  Canvas canvas(4, 4, kSentinel);
  EXPECT_FALSE(SkinDraw(broken, canvas.dc(), 4, 4, 0, 4, 4));
  EXPECT_FALSE(SkinDrawBlended(broken, canvas.dc(), 4, 4, 4, 4));
  EXPECT_EQ(canvas.CountColour({0, 0, 4, 4}, kSentinel), 16);
  EXPECT_EQ(SkinPixel(broken, 0, 0), CLR_INVALID);
}

TEST(SkinImageTest, KeyedDrawSkipsKeyPixelsAndPicksTheSourceColumns) {
  CImage strip;
  LoadFixture(strip, kShapedStrip);
  for (int frame = 0; frame < 4; ++frame) {
    SCOPED_TRACE(frame);
    Canvas canvas(20, 10, kSentinel);
    ASSERT_TRUE(SkinDraw(strip, canvas.dc(), 20, 10, frame * 20, 20, 10));
    EXPECT_EQ(canvas.At(10, 5), kFixtureFrames[frame]);
    EXPECT_EQ(canvas.At(0, 0), frame == 0 ? kSentinel : kFixtureFrames[frame]);
    EXPECT_EQ(canvas.At(5, 1), frame == 0 ? kSentinel : kFixtureFrames[frame]);
  }
}

TEST(SkinImageTest, BlendedDrawCopiesOpaqueAndPlainPictures) {
  CImage strip, plain;
  LoadFixture(strip, kShapedStrip);
  LoadFixture(plain, kPlainRgb);
  Canvas canvas(80, 10, kSentinel);
  ASSERT_TRUE(SkinDrawBlended(strip, canvas.dc(), 80, 10, 80, 10));
  EXPECT_EQ(canvas.At(0, 0), kSkinKeyColor);  // blending keys nothing
  EXPECT_EQ(canvas.At(30, 5), kFixtureFrames[1]);
  ASSERT_TRUE(SkinDrawBlended(plain, canvas.dc(), 8, 4, 8, 4));
  EXPECT_EQ(canvas.At(7, 3), kFixturePlain);
  EXPECT_EQ(canvas.At(8, 3), kFixtureFrames[0]);
}

TEST(SkinImageTest, CodecRunsWhileImagesLive) {
  const int before = SkinImageCount();
  {
    CImage first;
    EXPECT_EQ(SkinImageCount(), before + 1);
    LoadFixture(first, kPlainRgb);
    EXPECT_TRUE(SkinCodecRunning());
    {
      CImage second;
      LoadFixture(second, kShapedStrip);
    }
    EXPECT_TRUE(SkinCodecRunning());  // first still lives
    EXPECT_EQ(SkinImageCount(), before + 1);
  }
  EXPECT_EQ(SkinImageCount(), before);
  if (before == 0) {
    EXPECT_FALSE(SkinCodecRunning());
  }
  // And it starts again for the next load.
  CImage again;
  LoadFixture(again, kPlainRgb);
  EXPECT_FALSE(again.IsNull());
}
