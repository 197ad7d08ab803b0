#include "tests/desktop/backend_fixture.h"

#include <thread>

#include "platform/gtk/gtk_state.h"
#include "platform/native.h"

namespace fwdesktop {

using namespace plat;

void ProbeForm::FormMouseDown(TMouseButton button, TShiftState, int, int) {
  ++mouseDowns;
  lastButton = button;
  if (moveOnPress) {
    ReleaseCapture();
    SendMessageA(Handle(), WM_SYSCOMMAND, SC_DRAGMOVE, 0);
  }
}

void ProbeForm::FormCloseQuery(bool& canClose) {
  ++closeQueries;
  canClose = allowClose;
}

void BackendTest::SetUp() {
  screen_ = &TestDisplay::Get();
  Application().Reset();
}

void BackendTest::TearDown() { Application().Reset(); }

void BackendTest::ShowLayered(ProbeForm& form, BYTE opacity) {
  SetWindowLongA(form.Handle(), GWL_EXSTYLE, GetWindowLongA(form.Handle(), GWL_EXSTYLE) | WS_EX_LAYERED);
  ASSERT_TRUE(Present(form, opacity));
  form.Show();
  const int x = form.Left() + 5, y = form.Top() + 10;
  ASSERT_TRUE(PumpUntil([&] { return !Near(Screen(x, y), TestDisplay::DesktopAt(x, y), 4); }))
      << "the window did not show";
}

BOOL BackendTest::Present(ProbeForm& form, BYTE opacity, DWORD flags, POINT source, Source kind) {
  const int width = ProbeForm::kWidth, height = ProbeForm::kHeight;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = kind == Source::BottomUpSection ? height : -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<BYTE> pixels(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const BYTE red[4] = {0, 0, 255, 255}, green[4] = {0, 100, 0, 128}, clear[4] = {0, 0, 0, 0};
      const BYTE* c = y < 8 ? clear : x < 24 ? red : x < 40 ? green : clear;
      const int row = kind == Source::BottomUpSection ? height - 1 - y : y;
      std::copy(c, c + 4, pixels.data() + (static_cast<std::size_t>(row) * width + x) * 4);
    }
  }
  HDC screen = GetDC(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::copy(pixels.begin(), pixels.end(), static_cast<BYTE*>(bits));
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  if (kind == Source::DeviceBitmap) {
    // The same pixels copied into a device-dependent bitmap.
    HBITMAP device = CreateCompatibleBitmap(screen, width, height);
    HDC copy = CreateCompatibleDC(screen);
    HGDIOBJ copyPrevious = SelectObject(copy, device);
    BitBlt(copy, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(copy, copyPrevious);
    DeleteDC(copy);
    SelectObject(memory, device);
    DeleteObject(bitmap);
    bitmap = device;
  }
  POINT destination{form.Left(), form.Top()};
  SIZE size{width, height};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, opacity, AC_SRC_ALPHA};
  const BOOL shown = UpdateLayeredWindow(form.Handle(), screen, &destination, &size, memory, &source, 0, &blend, flags);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  return shown;
}

bool BackendTest::PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  return WaitFor(condition, timeout, [] {
    while (gtk_events_pending()) gtk_main_iteration();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  });
}

int BackendTest::XdotoolPumping(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ChildProcess tool;
  tool.Start(argv);
  int status = -1;
  PumpUntil([&] { return !tool.Running(); }, std::chrono::seconds(20));
  status = tool.Wait(std::chrono::milliseconds(0));
  // What the input caused is still in the queue.
  PumpUntil([] { return false; }, std::chrono::milliseconds(150));
  return status;
}

}  // namespace fwdesktop
