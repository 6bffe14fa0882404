// The placement wrappers on real windows of the Wine desktop.
#include "placement_win32.h"

#include <gtest/gtest.h>

#include "win32/unique_resource.h"

namespace brimlet::win32 {
namespace {

constexpr wchar_t kClass[] = L"BrimletPlacementTest";

void RegisterTestClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  ::RegisterClassExW(&wc);
}

UniqueHWnd MakeWindow(int x, int y, int width, int height, DWORD exStyle = 0) {
  RegisterTestClass();
  HWND hwnd = ::CreateWindowExW(exStyle, kClass, L"placement", WS_POPUP | WS_VISIBLE, x, y, width,
                                height, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  return UniqueHWnd(hwnd);
}

RECT PrimaryMonitor() {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
  return info.rcMonitor;
}

RECT PrimaryWorkArea() {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

TEST(PlacementWin32Test, CentresOnTheMonitorUnderTheCursorKeepingTheSize) {
  const RECT monitor = PrimaryMonitor();
  ASSERT_GT(monitor.right - monitor.left, 400) << "no usable monitor on this display";
  ASSERT_TRUE(::SetCursorPos(monitor.left + 20, monitor.top + 20));
  UniqueHWnd window = MakeWindow(5, 7, 301, 101);
  ASSERT_TRUE(window);
  CentreOnCursorMonitor(window.get());
  RECT rect{};
  ASSERT_TRUE(::GetWindowRect(window.get(), &rect));
  EXPECT_EQ(rect.left, monitor.left + (monitor.right - monitor.left - 301) / 2);
  EXPECT_EQ(rect.top, monitor.top + (monitor.bottom - monitor.top - 101) / 2);
  EXPECT_EQ(rect.right - rect.left, 301);
  EXPECT_EQ(rect.bottom - rect.top, 101);
}

TEST(PlacementWin32Test, ABoxLargerThanTheMonitorStartsLeftOfIt) {
  const RECT monitor = PrimaryMonitor();
  ::SetCursorPos(monitor.left + 20, monitor.top + 20);
  const int width = monitor.right - monitor.left + 101;
  UniqueHWnd window = MakeWindow(0, 0, width, 50);
  CentreOnCursorMonitor(window.get());
  RECT rect{};
  ::GetWindowRect(window.get(), &rect);
  EXPECT_EQ(rect.left, monitor.left - 50);
}

TEST(PlacementWin32Test, SnapsToTheWorkAreaWithinTheDistanceOnly) {
  const RECT work = PrimaryWorkArea();
  UniqueHWnd window = MakeWindow(work.left + 100, work.top + 100, 200, 80);
  RECT close{work.left + 10, work.top + 200, work.left + 210, work.top + 280};
  SnapWindowRect(window.get(), close);
  EXPECT_EQ(close.left, work.left);
  EXPECT_EQ(close.right, work.left + 200);
  EXPECT_EQ(close.top, work.top + 200);

  RECT distant{work.left + 17, work.top + 200, work.left + 217, work.top + 280};
  SnapWindowRect(window.get(), distant);
  EXPECT_EQ(distant.left, work.left + 17);

  RECT bottom{work.left + 300, work.bottom - 80 - 5, work.left + 500, work.bottom - 5};
  SnapWindowRect(window.get(), bottom);
  EXPECT_EQ(bottom.bottom, work.bottom);
  EXPECT_EQ(bottom.top, work.bottom - 80);
}

TEST(PlacementWin32Test, OpacityBecomesTheLayeredAlpha) {
  UniqueHWnd window = MakeWindow(50, 50, 100, 100);
  const struct {
    int percent;
    BYTE alpha;
  } cases[] = {{90, 229}, {20, 51}, {100, 255}};
  for (const auto& c : cases) {
    ASSERT_TRUE(ApplyOpacity(window.get(), c.percent));
    EXPECT_TRUE(::GetWindowLongPtrW(window.get(), GWL_EXSTYLE) & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(window.get(), nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, c.alpha) << c.percent;
    EXPECT_TRUE(flags & LWA_ALPHA);
  }
}

}  // namespace
}  // namespace brimlet::win32
