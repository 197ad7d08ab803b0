#include "tests/desktop/test_display.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace fwdesktop {

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::string Describe(const Rgb& c) {
  return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

TestDisplay& TestDisplay::Get() {
  const char* chosen = std::getenv("FENWILLOW_TEST_WM");
  static TestDisplay display(chosen != nullptr ? chosen : "");
  setenv("DISPLAY", display.Name().c_str(), 1);
  return display;
}

namespace {

// The display number Xvfb chose, as it writes it to the pipe.
int ReadDisplayNumber(int fd) {
  std::string text;
  pollfd p{fd, POLLIN, 0};
  while (text.find('\n') == std::string::npos && poll(&p, 1, 15000) > 0) {
    char buffer[32];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text.empty() ? -1 : std::atoi(text.c_str());
}

// Windows come and go while the tests look at them; a request about one
// that has just gone fails, and is no reason to end the test.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

// The window manager's command line; each leaves the compositing to
// xcompmgr.
std::vector<std::string> ManagerCommand(const std::string& name) {
  if (name == "xfwm4") return {"xfwm4", "--compositor=off"};
  if (name == "metacity") return {"metacity", "--no-composite", "--sm-disable"};
  if (name == "mutter") return {"mutter", "--x11", "--replace", "--sm-disable"};
  return {name};
}

// A window manager that runs owns WM_S0 or names itself on the root window.
bool ManagerRuns(Display* display) {
  if (XGetSelectionOwner(display, XInternAtom(display, "WM_S0", False)) != None) return true;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const bool named =
      XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False),
                         0, 1, False, AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
      type != None;
  if (data != nullptr) XFree(data);
  return named;
}

}  // namespace

TestDisplay::TestDisplay(const std::string& windowManager) : windowManager_(windowManager) {
  // Accessibility and desktop services are not part of these tests.
  setenv("NO_AT_BRIDGE", "1", 1);
  int pipeFds[2];
  if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  server_.Start({"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen", "0",
                 std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24", "-nolisten", "tcp", "-noreset"});
  close(pipeFds[1]);
  const int number = ReadDisplayNumber(pipeFds[0]);
  close(pipeFds[0]);
  if (number < 0) throw std::runtime_error("Xvfb did not start");
  name_ = ":" + std::to_string(number);
  XSetErrorHandler(IgnoreXErrors);
  display_ = XOpenDisplay(name_.c_str());
  if (display_ == nullptr) throw std::runtime_error("cannot open " + name_);
  PaintDesktop();
  const std::map<std::string, std::string> here{{"DISPLAY", name_}};
  if (!windowManager_.empty() && windowManager_ != "none") {
    manager_.Start(ManagerCommand(windowManager_), here);
    if (!WaitFor([this] { return ManagerRuns(display_); }, std::chrono::seconds(15))) {
      throw std::runtime_error(windowManager_ + " did not take over the screen");
    }
  }
  // Mutter composites on its own; xcompmgr would race it for the screen.
  const bool ownCompositor = windowManager_ == "mutter";
  if (!ownCompositor) compositor_.Start({"xcompmgr"}, here);
  if (!WaitFor([this] { return Composited(); }, std::chrono::seconds(10))) {
    throw std::runtime_error((ownCompositor ? windowManager_ : "xcompmgr") + " did not take over the screen");
  }
}

TestDisplay::~TestDisplay() {
  if (display_ != nullptr && server_.Running()) XCloseDisplay(display_);
}

void TestDisplay::KillServer() {
  server_.Signal(SIGKILL);
  server_.Wait(std::chrono::seconds(10));
}

Rgb TestDisplay::DesktopAt(int x, int y) { return Rgb{x * 255 / (kWidth - 1), y * 255 / (kHeight - 1), 96}; }

void TestDisplay::PaintDesktop() {
  const int screen = DefaultScreen(display_);
  Window root = RootWindow(display_, screen);
  Pixmap pixmap = XCreatePixmap(display_, root, kWidth, kHeight, DefaultDepth(display_, screen));
  XImage* image = XCreateImage(display_, DefaultVisual(display_, screen), DefaultDepth(display_, screen), ZPixmap, 0,
                               nullptr, kWidth, kHeight, 32, 0);
  image->data = static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) * kHeight));
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Rgb c = DesktopAt(x, y);
      XPutPixel(image, x, y, (static_cast<unsigned long>(c.r) << 16) | (c.g << 8) | c.b);
    }
  }
  GC gc = XCreateGC(display_, pixmap, 0, nullptr);
  XPutImage(display_, pixmap, gc, image, 0, 0, 0, 0, kWidth, kHeight);
  XFreeGC(display_, gc);
  XDestroyImage(image);
  // The compositor paints the desktop from this property.
  Atom rootPixmap = XInternAtom(display_, "_XROOTPMAP_ID", False);
  XChangeProperty(display_, root, rootPixmap, XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&pixmap), 1);
  XSetWindowBackgroundPixmap(display_, root, pixmap);
  XClearWindow(display_, root);
  XSync(display_, False);
}

bool TestDisplay::Composited() {
  Atom selection = XInternAtom(display_, ("_NET_WM_CM_S" + std::to_string(DefaultScreen(display_))).c_str(), False);
  return XGetSelectionOwner(display_, selection) != None;
}

Rgb TestDisplay::ScreenAt(int x, int y) {
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return Rgb{-1, -1, -1};
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return Rgb{static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
             static_cast<int>(pixel & 0xFF)};
}

void TestDisplay::SaveScreen(const std::string& path) {
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  if (image == nullptr) return;
  std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(path.c_str(), "wb"), std::fclose);
  if (out) {
    std::fprintf(out.get(), "P6\n%d %d\n255\n", kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const unsigned long pixel = XGetPixel(image, x, y);
        const unsigned char rgb[3] = {static_cast<unsigned char>(pixel >> 16), static_cast<unsigned char>(pixel >> 8),
                                      static_cast<unsigned char>(pixel)};
        std::fwrite(rgb, 1, 3, out.get());
      }
    }
  }
  XDestroyImage(image);
}

Window TestDisplay::FindWindow(const std::string& name) {
  std::vector<Window> pending{DefaultRootWindow(display_)};
  while (!pending.empty()) {
    Window parent = pending.back(), root, up, *children = nullptr;
    pending.pop_back();
    unsigned int count = 0;
    if (!XQueryTree(display_, parent, &root, &up, &children, &count)) continue;
    for (unsigned int i = 0; i < count; ++i) {
      char* windowName = nullptr;
      const bool named = XFetchName(display_, children[i], &windowName) && windowName != nullptr && name == windowName;
      if (windowName != nullptr) XFree(windowName);
      XWindowAttributes attributes{};
      if (named && XGetWindowAttributes(display_, children[i], &attributes) && attributes.map_state == IsViewable) {
        const Window found = children[i];
        XFree(children);
        return found;
      }
      pending.push_back(children[i]);
    }
    if (children != nullptr) XFree(children);
  }
  return 0;
}

std::uint64_t TestDisplay::Fingerprint(int x, int y, int width, int height) {
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, width, height, AllPlanes, ZPixmap);
  if (image == nullptr) return 0;
  std::uint64_t hash = 1469598103934665603ull;
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      hash = (hash ^ XGetPixel(image, column, row)) * 1099511628211ull;
    }
  }
  XDestroyImage(image);
  return hash;
}

WindowPlace TestDisplay::WorkArea() {
  WindowPlace area{0, 0, kWidth, kHeight};
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_, DefaultRootWindow(display_), XInternAtom(display_, "_NET_WORKAREA", False), 0, 4,
                         False, XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
      count == 4) {
    const long* values = reinterpret_cast<const long*>(data);
    area = WindowPlace{static_cast<int>(values[0]), static_cast<int>(values[1]), static_cast<int>(values[2]),
                       static_cast<int>(values[3])};
  }
  if (data != nullptr) XFree(data);
  return area;
}

WindowPlace TestDisplay::Place(Window window) {
  XWindowAttributes attributes{};
  WindowPlace place;
  if (!XGetWindowAttributes(display_, window, &attributes)) return place;
  Window child;
  XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &place.x, &place.y, &child);
  place.width = attributes.width;
  place.height = attributes.height;
  return place;
}

int TestDisplay::CountMenus() {
  Window root = DefaultRootWindow(display_), parent, *children = nullptr;
  unsigned int count = 0;
  int menus = 0;
  if (!XQueryTree(display_, root, &root, &parent, &children, &count)) return 0;
  const Atom typeProperty = XInternAtom(display_, "_NET_WM_WINDOW_TYPE", False);
  const Atom popupMenu = XInternAtom(display_, "_NET_WM_WINDOW_TYPE_POPUP_MENU", False);
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, children[i], &attributes) || attributes.map_state != IsViewable) continue;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, children[i], typeProperty, 0, 1, False, XA_ATOM, &type, &format, &items, &after,
                           &data) == Success &&
        items == 1 && *reinterpret_cast<const Atom*>(data) == popupMenu) {
      ++menus;
    }
    if (data != nullptr) XFree(data);
  }
  if (children != nullptr) XFree(children);
  return menus;
}

std::vector<std::string> TestDisplay::NetWmState(Window window) {
  std::vector<std::string> names;
  Atom type;
  int format;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  Atom property = XInternAtom(display_, "_NET_WM_STATE", False);
  if (XGetWindowProperty(display_, window, property, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) ==
          Success &&
      data != nullptr) {
    const Atom* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) {
      char* atomName = XGetAtomName(display_, atoms[i]);
      names.emplace_back(atomName);
      XFree(atomName);
    }
    XFree(data);
  }
  return names;
}

int TestDisplay::Xdotool(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunProgram(argv, {{"DISPLAY", name_}});
}

}  // namespace fwdesktop
