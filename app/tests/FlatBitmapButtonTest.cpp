#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <vector>

#include "FlatBitmapButton.h"
#include "GdiHandles.h"
#include "resource.h"

namespace {

constexpr int kButtonId = 1033;

// A top-level window holding one button, forwarding WM_DRAWITEM to its
// FlatBitmapButton and recording the button's notifications.
class ButtonHost {
 public:
  explicit ButtonHost(DWORD buttonStyle) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = hostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FlatBitmapButtonTestHost";
    RegisterClassA(&wc);  // fails harmlessly when already registered
    host_ = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 80, 60, nullptr, nullptr, wc.hInstance,
                            this);
    button_ = CreateWindowExA(0, "Button", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | buttonStyle, 10, 10, 19,
                              18, host_, reinterpret_cast<HMENU>(kButtonId), wc.hInstance, nullptr);
    ShowWindow(host_, SW_SHOWNOACTIVATE);
  }
  ~ButtonHost() { DestroyWindow(host_); }

  HWND host() const { return host_; }
  HWND button() const { return button_; }
  FlatBitmapButton flat;
  int clicks = 0;
  int doubleClicks = 0;
  int checkedWhenClicked = -1;  // what BM_GETCHECK said when the last click was reported

  // The button's client area as drawn for WM_PRINTCLIENT, 0x00RRGGBB per pixel.
  std::vector<std::uint32_t> render() const {
    RECT r{};
    GetClientRect(button_, &r);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = r.right;
    info.bmiHeader.biHeight = -r.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle target(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!target) return {};
    MemoryDC dc(nullptr);
    SelectGuard select(dc.get(), target.get());
    SendMessageA(button_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(p, p + static_cast<size_t>(r.right) * r.bottom);
    for (auto& px : pixels) px &= 0xFFFFFFu;
    return pixels;
  }

 private:
  static LRESULT CALLBACK hostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
      SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<ButtonHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && message == WM_DRAWITEM) {
      self->flat.draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    }
    if (self && message == WM_COMMAND && LOWORD(wParam) == kButtonId) {
      if (HIWORD(wParam) == BN_CLICKED) {
        ++self->clicks;
        self->checkedWhenClicked = static_cast<int>(IsDlgButtonChecked(hwnd, kButtonId));
      }
      if (HIWORD(wParam) == BN_DOUBLECLICKED) ++self->doubleClicks;
      return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }

  HWND host_ = nullptr;
  HWND button_ = nullptr;
};

BitmapHandle loadGlyph(int id) {
  return BitmapHandle(static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
}

bool isGrey(std::uint32_t rgb) {
  const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return std::max({r, g, b}) - std::min({r, g, b}) <= 12;
}

int brightness(std::uint32_t rgb) {
  return (299 * ((rgb >> 16) & 0xFF) + 587 * ((rgb >> 8) & 0xFF) + 114 * (rgb & 0xFF)) / 1000;
}

// Positions of the pixels inside the one-pixel frame that are not the face.
std::set<size_t> glyphPixels(const std::vector<std::uint32_t>& pixels, int width, int height,
                             std::uint32_t face) {
  std::set<size_t> at;
  for (int y = 1; y + 1 < height; ++y)
    for (int x = 1; x + 1 < width; ++x)
      if (pixels[static_cast<size_t>(y) * width + x] != face) at.insert(static_cast<size_t>(y) * width + x);
  return at;
}

TEST(FlatBitmapButton, GreyingKeepsTheBackgroundAndMakesNoHoles) {
  const std::uint32_t key = 0xA0A0A0;
  // Brightness 200 lightened towards a face of 100 lands exactly on the key.
  std::vector<std::uint32_t> pixels{key, 0xE5534B, 0xC8C8C8, 0x2EA866, key};
  greyGlyphPixels(pixels, key, RGB(100, 100, 100));
  EXPECT_EQ(pixels[0], key);
  EXPECT_EQ(pixels[4], key);
  EXPECT_NE(pixels[2], key) << "a glyph pixel became transparent";
  EXPECT_LE(std::max(pixels[2], key) - std::min(pixels[2], key), 1u);
  for (size_t i : {1u, 3u}) {
    EXPECT_TRUE(isGrey(pixels[i])) << std::hex << pixels[i];
    EXPECT_NE(pixels[i], key);
  }
}

// The glyph of a disabled button keeps its shape in grey, instead of the
// solid block the system's greying makes of a glyph with an opaque
// background; enabled, it shows its own colours again.
TEST(FlatBitmapButton, DisabledButtonShowsItsGlyphGreyed) {
  BitmapHandle glyph = loadGlyph(IDB_CLEAR);
  if (!glyph) GTEST_SKIP() << "no button glyphs among the test's resources";
  ButtonHost host(BS_PUSHBUTTON | BS_BITMAP | BS_FLAT);
  ASSERT_TRUE(host.flat.attach(host.button()));
  EXPECT_FALSE(host.flat.attach(host.button())) << "taken over twice";
  host.flat.setGlyph(glyph.get());

  RECT r{};
  GetClientRect(host.button(), &r);
  const std::uint32_t face = GetSysColor(COLOR_3DFACE);
  const std::uint32_t faceRgb = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  const auto enabled = host.render();
  ASSERT_EQ(enabled.size(), static_cast<size_t>(r.right) * r.bottom);
  EnableWindow(host.button(), FALSE);
  const auto disabled = host.render();
  ASSERT_EQ(disabled.size(), enabled.size());

  const auto shapeEnabled = glyphPixels(enabled, r.right, r.bottom, faceRgb);
  const auto shapeDisabled = glyphPixels(disabled, r.right, r.bottom, faceRgb);
  const size_t inside = static_cast<size_t>(r.right - 2) * (r.bottom - 2);
  EXPECT_GT(shapeDisabled.size(), 20u) << "the disabled glyph vanished";
  EXPECT_LT(shapeDisabled.size(), inside / 2) << "the disabled glyph is a block";
  EXPECT_EQ(shapeDisabled, shapeEnabled) << "the greyed glyph lost its shape";
  int coloured = 0, colouredWhenDisabled = 0, notLighter = 0;
  for (size_t at : shapeEnabled) {
    if (!isGrey(enabled[at])) ++coloured;
    if (!isGrey(disabled[at])) ++colouredWhenDisabled;
    if (brightness(disabled[at]) <= brightness(enabled[at])) ++notLighter;
  }
  EXPECT_GT(coloured, 20) << "the enabled glyph lost its colours";
  EXPECT_EQ(colouredWhenDisabled, 0) << "the disabled glyph is not grey";
  EXPECT_EQ(notLighter, 0) << "the disabled glyph is not lighter";

  EnableWindow(host.button(), TRUE);
  EXPECT_EQ(host.render(), enabled);

  // A glyph set later through the button message is greyed as well.
  BitmapHandle other = loadGlyph(IDB_ADD);
  ASSERT_TRUE(other);
  EXPECT_EQ(SendMessageA(host.button(), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(other.get())),
            reinterpret_cast<LRESULT>(glyph.get()));
  EXPECT_EQ(SendMessageA(host.button(), BM_GETIMAGE, IMAGE_BITMAP, 0),
            reinterpret_cast<LRESULT>(other.get()));
  EnableWindow(host.button(), FALSE);
  const auto otherDisabled = host.render();
  EXPECT_NE(otherDisabled, disabled);
  const auto otherShape = glyphPixels(otherDisabled, r.right, r.bottom, faceRgb);
  EXPECT_GT(otherShape.size(), 20u);
  EXPECT_TRUE(std::all_of(otherShape.begin(), otherShape.end(),
                          [&](size_t at) { return isGrey(otherDisabled[at]); }));
}

// A push-like check box keeps answering for its checked state: a click flips
// it before the parent hears of the click, a quick second click counts as a
// click, and the program can set and read it.
TEST(FlatBitmapButton, PushLikeCheckBoxKeepsItsCheckedState) {
  ButtonHost host(BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_BITMAP | BS_FLAT);
  CheckDlgButton(host.host(), kButtonId, BST_CHECKED);
  ASSERT_TRUE(host.flat.attach(host.button()));
  EXPECT_TRUE(host.flat.isToggle());
  EXPECT_EQ(IsDlgButtonChecked(host.host(), kButtonId), BST_CHECKED)
      << "the state before taking over was lost";
  BitmapHandle glyph = loadGlyph(IDB_PLAY);
  if (glyph) host.flat.setGlyph(glyph.get());

  const auto checkedLook = host.render();
  SendMessageA(host.button(), BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(host.host(), kButtonId), BST_UNCHECKED);
  EXPECT_EQ(host.clicks, 1);
  EXPECT_EQ(host.checkedWhenClicked, BST_UNCHECKED);
  EXPECT_NE(host.render(), checkedLook) << "checked and unchecked look the same";

  SendMessageA(host.button(), BM_CLICK, 0, 0);
  EXPECT_EQ(host.clicks, 2);
  EXPECT_EQ(host.checkedWhenClicked, BST_CHECKED);
  EXPECT_EQ(SendMessageA(host.button(), BM_GETSTATE, 0, 0) & 3, BST_CHECKED);

  SendMessageA(host.button(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(host.button(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(host.clicks, 3);
  EXPECT_EQ(host.doubleClicks, 0);
  EXPECT_EQ(IsDlgButtonChecked(host.host(), kButtonId), BST_UNCHECKED);

  // Released outside the button: no click, no change.
  SendMessageA(host.button(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(host.button(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 200));
  SendMessageA(host.button(), WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
  EXPECT_EQ(host.clicks, 3);
  EXPECT_EQ(IsDlgButtonChecked(host.host(), kButtonId), BST_UNCHECKED);

  CheckDlgButton(host.host(), kButtonId, BST_CHECKED);
  EXPECT_TRUE(host.flat.isChecked());
  EXPECT_EQ(host.render(), checkedLook);
}

TEST(FlatBitmapButton, PushButtonClicksWithoutCheckState) {
  ButtonHost host(BS_PUSHBUTTON | BS_BITMAP | BS_FLAT);
  ASSERT_TRUE(host.flat.attach(host.button()));
  EXPECT_FALSE(host.flat.isToggle());
  SendMessageA(host.button(), BM_CLICK, 0, 0);
  SendMessageA(host.button(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(host.button(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(host.clicks, 2);
  EXPECT_EQ(host.doubleClicks, 0);
  EXPECT_EQ(IsDlgButtonChecked(host.host(), kButtonId), BST_UNCHECKED);
  EXPECT_EQ(GetWindowLongPtrA(host.button(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
}

// Counts the messages a subclass sees.
LRESULT CALLBACK countingSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR count) {
  if (message == WM_NULL) ++*reinterpret_cast<int*>(count);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

// Given back, the button is what it was, with its state, whatever else
// subclassed it before or after the take-over, and can be taken over again.
TEST(FlatBitmapButton, GivenBackAsItWasAmongOtherSubclasses) {
  ButtonHost host(BS_AUTOCHECKBOX | BS_PUSHLIKE);
  int before = 0, after = 0;
  ASSERT_TRUE(SetWindowSubclass(host.button(), countingSubclass, 1, reinterpret_cast<DWORD_PTR>(&before)));
  {
    FlatBitmapButton flat;
    ASSERT_TRUE(flat.attach(host.button()));
    ASSERT_TRUE(SetWindowSubclass(host.button(), countingSubclass, 2, reinterpret_cast<DWORD_PTR>(&after)));
    CheckDlgButton(host.host(), kButtonId, BST_CHECKED);
  }
  EXPECT_EQ(GetWindowLongPtrA(host.button(), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
  EXPECT_EQ(IsDlgButtonChecked(host.host(), kButtonId), BST_CHECKED);
  SendMessageA(host.button(), WM_NULL, 0, 0);
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 1);
  ASSERT_TRUE(host.flat.attach(host.button()));
  EXPECT_TRUE(host.flat.isChecked());
  RemoveWindowSubclass(host.button(), countingSubclass, 2);
  RemoveWindowSubclass(host.button(), countingSubclass, 1);
}

}  // namespace
