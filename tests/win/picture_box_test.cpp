#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "core/Jpeg.h"
#include "toolkit/Error.h"
#include "toolkit/PictureBox.h"

namespace {

constexpr int kBoxId = 42;
constexpr int kBoxW = 200, kBoxH = 100;

struct Sent {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Sent> g_sent;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND || message == WM_CONTEXTMENU) g_sent.push_back({message, wParam, lParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

unsigned Rgb(COLORREF c) { return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c); }

Picture Solid(int width, int height, const std::vector<unsigned>& columns) {
  RgbImage image{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned c = columns[x * columns.size() / width];
      for (int shift : {16, 8, 0}) image.pixels.push_back(static_cast<uint8_t>(c >> shift));
    }
  return Picture::FromImage(image);
}

class PictureBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterPictureBox(instance);
    RegisterPictureBox(instance);  // a second call is harmless
    WNDCLASSA parentClass{};
    parentClass.lpfnWndProc = ParentProc;
    parentClass.hInstance = instance;
    parentClass.lpszClassName = "CvPictureBoxTestParent";
    RegisterClassA(&parentClass);
    parent_ = CreateWindowExA(0, parentClass.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                              nullptr, nullptr, instance, nullptr);
    box_ = MakeBox(WS_CHILD | WS_VISIBLE, kBoxId);
    ASSERT_TRUE(box_);
    g_sent.clear();
  }
  void TearDown() override { DestroyWindow(parent_); }

  HWND MakeBox(DWORD style, int id) {
    return CreateWindowExA(0, kPictureBoxClass, "", style, 10, 10, kBoxW, kBoxH, parent_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
  }

  // What the box paints, as 0xRRGGBB per pixel, row by row.
  std::vector<unsigned> Capture() {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, kBoxW, -kBoxH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    SendMessageA(box_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    std::vector<unsigned> pixels(static_cast<const unsigned*>(bits),
                                 static_cast<const unsigned*>(bits) + kBoxW * kBoxH);
    for (unsigned& p : pixels) p &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(target);
    return pixels;
  }

  HWND parent_ = nullptr;
  HWND box_ = nullptr;
};

TEST_F(PictureBoxTest, PaintsThePictureFittedAndCentred) {
  const unsigned face = Rgb(GetSysColor(COLOR_BTNFACE));
  const unsigned red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
  struct Point {
    int x, y;
    unsigned colour;
  };
  struct Case {
    const char* name;
    int width, height;
    std::vector<unsigned> columns;  // empty: no picture
    std::vector<Point> points;
  } cases[] = {
      {"empty", 0, 0, {}, {{0, 0, face}, {100, 50, face}, {199, 99, face}}},
      // Enlarged to 100 x 100 in the middle.
      {"square", 1, 1, {green}, {{100, 50, green}, {52, 2, green}, {147, 97, green}, {10, 50, face},
                                 {190, 50, face}}},
      // Enlarged to 200 x 50 across the middle.
      {"wide", 4, 1, {red, blue}, {{10, 50, red}, {190, 50, blue}, {100, 5, face}, {100, 94, face}}},
      // Reduced; fills the box exactly.
      {"large", 400, 200, {red, green}, {{0, 0, red}, {10, 90, red}, {199, 99, green}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.columns.empty())
      ClearPicture(box_);
    else
      SetPicture(box_, Solid(c.width, c.height, c.columns));
    EXPECT_EQ(HasPicture(box_), !c.columns.empty());
    std::vector<unsigned> pixels = Capture();
    for (const Point& p : c.points)
      EXPECT_EQ(pixels[p.y * kBoxW + p.x], p.colour) << "at " << p.x << "," << p.y << std::hex;
  }
}

// With the stretch style the picture covers the box, whatever its aspect.
TEST_F(PictureBoxTest, StretchStyleFillsTheWholeBox) {
  DestroyWindow(box_);
  box_ = MakeBox(WS_CHILD | WS_VISIBLE | kPictureBoxStretch, kBoxId);
  const unsigned red = 0xFF0000, blue = 0x0000FF;
  // 4 x 1, red left and blue right: 200 x 100 in the box, split down the middle.
  SetPicture(box_, Solid(4, 1, {red, blue}));
  std::vector<unsigned> pixels = Capture();
  for (int y : {0, 5, 50, 94, 99}) {
    EXPECT_EQ(pixels[y * kBoxW + 0], red) << "left edge, row " << y;
    EXPECT_EQ(pixels[y * kBoxW + 10], red) << "row " << y;
    EXPECT_EQ(pixels[y * kBoxW + 190], blue) << "row " << y;
    EXPECT_EQ(pixels[y * kBoxW + kBoxW - 1], blue) << "right edge, row " << y;
  }
  // 1 x 1 is not only enlarged to the height but over the whole width.
  SetPicture(box_, Solid(1, 1, {red}));
  pixels = Capture();
  for (int x : {0, 50, 199}) EXPECT_EQ(pixels[50 * kBoxW + x], red) << "column " << x;
}

TEST_F(PictureBoxTest, ClicksAndContextMenuReachTheParent) {
  const auto box = reinterpret_cast<WPARAM>(box_);
  struct Case {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    Sent expected;
  } cases[] = {
      {"click", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5),
       {WM_COMMAND, MAKEWPARAM(kBoxId, STN_CLICKED), static_cast<LPARAM>(box)}},
      {"double click", WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5),
       {WM_COMMAND, MAKEWPARAM(kBoxId, STN_DBLCLK), static_cast<LPARAM>(box)}},
      // DefWindowProc makes the menu request of a right-button release...
      {"right click", WM_RBUTTONUP, 0, MAKELPARAM(5, 5), {WM_CONTEXTMENU, box, 0}},
      // ...and of Shift+F10 (lParam -1), and hands it to the parent.
      {"menu key", WM_CONTEXTMENU, box, -1, {WM_CONTEXTMENU, box, -1}},
  };
  for (const Case& c : cases) {
    g_sent.clear();
    SendMessageA(box_, c.message, c.wParam, c.lParam);
    ASSERT_EQ(g_sent.size(), 1u) << c.name;
    EXPECT_EQ(g_sent[0].message, c.expected.message) << c.name;
    EXPECT_EQ(g_sent[0].wParam, c.expected.wParam) << c.name;
    // A right click's position is the cursor's, not one to compare.
    if (c.message != WM_RBUTTONUP) {
      EXPECT_EQ(g_sent[0].lParam, c.expected.lParam) << c.name;
    }
  }
  // Without CS_DBLCLKS a real double click would arrive as two plain clicks.
  EXPECT_TRUE(GetClassLongA(box_, GCL_STYLE) & CS_DBLCLKS);
}

TEST_F(PictureBoxTest, TakesTheFocusOnlyAsATabStop) {
  HWND tabStop = MakeBox(WS_CHILD | WS_VISIBLE | WS_TABSTOP, kBoxId + 1);
  ShowWindow(parent_, SW_SHOW);
  SetFocus(parent_);
  SendMessageA(box_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(GetFocus(), parent_);
  SendMessageA(tabStop, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(GetFocus(), tabStop);
}

TEST_F(PictureBoxTest, OnlyPictureBoxesTakePictures) {
  EXPECT_THROW(SetPicture(parent_, Solid(1, 1, {0})), Error);
  EXPECT_THROW(HasPicture(parent_), Error);
  SetPicture(box_, Solid(3, 2, {0}));
  ASSERT_NE(PictureOf(box_), nullptr);
  EXPECT_EQ(PictureOf(box_)->Width(), 3);
  ClearPicture(box_);
  EXPECT_EQ(PictureOf(box_), nullptr);
}

}  // namespace
