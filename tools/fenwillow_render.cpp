// fenwillow-render: runs the real ornament on the headless platform and
// writes what the screen shows — frames composited over a desktop, as PNG
// files, and an animated preview — or, with --bench, how long frames take.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "ornament/program.h"
#include "platform/headless/headless.h"
#include "tools/bench_compare.h"
#include "tools/desktop_scene.h"
#include "tools/png_write.h"

namespace {

namespace headless = plat::headless;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsage =
    "usage: fenwillow-render [options]\n"
    "Runs the ornament headless and writes the frames it presents.\n"
    "  --frames N        ticks of 40 ms to render, a frame for each (default 75)\n"
    "  --out DIR         where to write frame-NNNN.png and preview.png (default fenwillow-frames)\n"
    "  --desktop FILE    a PNG to use as the desktop (default: a winter night)\n"
    "  --stars on|off    the \"Stars\" menu item (default on)\n"
    "  --garland on|off  the \"Garland\" menu item (default on)\n"
    "  --level 0..90     the \"Transparent\" level in percent, in steps of 10 (default 0)\n"
    "  --ontop on|off    the \"OnTop\" menu item (default on)\n"
    "  --add             start as with the \"add\" argument: a random place, seeded from the clock\n"
    "  --full-screen     write the whole screen, not the corner around the ornament\n"
    "  --bench           time frames instead of writing them (--frames sets the count, default 2000)\n"
    "  --against PROGRAM with --bench: run this bench and PROGRAM's (another build of this tool) by turns\n"
    "                    and print both and their ratios\n"
    "  --rounds N        turns of --against (default 5)\n";

struct Options {
  int frames = -1;
  std::string out = "fenwillow-frames";
  std::string desktop;
  bool stars = true, garland = true, onTop = true, add = false, fullScreen = false, bench = false;
  int level = 0;
  std::string against;
  int rounds = 5;
};

bool OnOff(const std::string& value, const char* option) {
  if (value == "on") return true;
  if (value == "off") return false;
  throw std::invalid_argument(std::string(option) + " takes on or off, not \"" + value + "\"");
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw std::invalid_argument(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "--frames") {
      o.frames = std::stoi(value());
      if (o.frames < 1 || o.frames > 100000) throw std::invalid_argument("--frames takes 1 to 100000");
    } else if (arg == "--out") {
      o.out = value();
    } else if (arg == "--desktop") {
      o.desktop = value();
    } else if (arg == "--stars") {
      o.stars = OnOff(value(), "--stars");
    } else if (arg == "--garland") {
      o.garland = OnOff(value(), "--garland");
    } else if (arg == "--ontop") {
      o.onTop = OnOff(value(), "--ontop");
    } else if (arg == "--level") {
      o.level = std::stoi(value());
      if (o.level < 0 || o.level > 90 || o.level % 10 != 0) throw std::invalid_argument("--level takes 0, 10, … 90");
    } else if (arg == "--add") {
      o.add = true;
    } else if (arg == "--full-screen") {
      o.fullScreen = true;
    } else if (arg == "--bench") {
      o.bench = true;
    } else if (arg == "--against") {
      o.against = value();
    } else if (arg == "--rounds") {
      o.rounds = std::stoi(value());
      if (o.rounds < 1 || o.rounds > 1000) throw std::invalid_argument("--rounds takes 1 to 1000");
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else {
      throw std::invalid_argument("unknown option " + arg);
    }
  }
  if (!o.against.empty() && !o.bench) throw std::invalid_argument("--against goes with --bench");
  if (o.frames < 0) o.frames = o.bench ? 2000 : 75;
  return o;
}

// Chooses a menu item the way a user does: the context-menu key, then the
// item by its caption.
void Choose(const std::string& caption) {
  headless::QueueMenuChoice(caption);
  headless::ContextMenuKey();
}

// A fresh first run starts with every check item on and level "0%".
void ApplyMenuState(const Options& o) {
  if (!o.stars) Choose("Stars");
  if (!o.garland) Choose("Garland");
  if (!o.onTop) Choose("OnTop");
  if (o.level != 0) Choose(std::to_string(o.level) + "%");
}

// A private settings directory, so rendering never touches the user's own.
std::string TemporaryConfigHome() {
  char pattern[] = "/tmp/fenwillow-render-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot make a temporary directory");
  setenv("XDG_CONFIG_HOME", pattern, 1);
  return pattern;
}

RgbaImage Crop(const std::vector<std::uint8_t>& bgra, int screenWidth, const plat::RECT& area) {
  RgbaImage image;
  image.width = area.right - area.left;
  image.height = area.bottom - area.top;
  image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 4);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* in = bgra.data() + (static_cast<std::size_t>(area.top + y) * screenWidth + area.left) * 4;
    std::uint8_t* out = image.pixels.data() + static_cast<std::size_t>(y) * image.width * 4;
    for (int x = 0; x < image.width; ++x) {
      out[4 * x] = in[4 * x + 2];
      out[4 * x + 1] = in[4 * x + 1];
      out[4 * x + 2] = in[4 * x];
      out[4 * x + 3] = 255;
    }
  }
  return image;
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const std::size_t index = std::min(values.size() - 1, static_cast<std::size_t>(p * (values.size() - 1) + 0.5));
  return values[index];
}

// The frames and preview an earlier run left in `dir`, so that a shorter
// run leaves no frames of another beside its own. Nothing else is touched.
void RemoveEarlierFrames(const std::filesystem::path& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    const bool frame = name.size() > 10 && name.compare(0, 6, "frame-") == 0 &&
                       name.compare(name.size() - 4, 4, ".png") == 0 &&
                       std::all_of(name.begin() + 6, name.end() - 4, [](unsigned char c) { return std::isdigit(c); });
    if ((frame || name == "preview.png") && entry.is_regular_file()) std::filesystem::remove(entry.path());
  }
}

int Render(const Options& o, const char* program) {
  constexpr int kScreenWidth = 1920, kScreenHeight = 1080;
  const std::vector<std::uint8_t> desktop = o.desktop.empty()
                                                ? WinterNightDesktop(kScreenWidth, kScreenHeight)
                                                : DesktopFromFile(o.desktop, kScreenWidth, kScreenHeight);
  std::filesystem::create_directories(o.out);
  RemoveEarlierFrames(o.out);
  std::vector<RgbaImage> frames;
  int written = 0;
  headless::SetDriver([&] {
    ApplyMenuState(o);
    const auto write = [&](const headless::Presentation& shown) {
      const std::vector<std::uint8_t> screen = headless::CompositeOver(shown, desktop, kScreenWidth, kScreenHeight);
      plat::RECT area{0, 0, kScreenWidth, kScreenHeight};
      if (!o.fullScreen) {
        area = plat::RECT{std::max(0, shown.position.x - 100), std::max(0, shown.position.y - 60),
                          std::min(kScreenWidth, shown.position.x + shown.size.cx + 100),
                          std::min(kScreenHeight, shown.position.y + shown.size.cy + 60)};
      }
      RgbaImage image = Crop(screen, kScreenWidth, area);
      char name[64];
      std::snprintf(name, sizeof name, "frame-%04d.png", written++);
      WritePng(o.out + "/" + name, image);
      if (!o.fullScreen && frames.size() < 400) frames.push_back(std::move(image));
    };
    headless::OnPresent(write);
    // A frame for every presentation, and for every tick that presented
    // nothing new: the screen then shows what it showed.
    for (int i = 0; i < o.frames; ++i) {
      const std::size_t before = headless::PresentationCount();
      headless::AdvanceTime(40);
      const headless::Presentation* shown = headless::LastPresentation();
      if (headless::PresentationCount() == before && shown != nullptr) write(*shown);
    }
    headless::OnPresent(nullptr);
    Choose("Exit");
  });
  char* argv[] = {const_cast<char*>(program), const_cast<char*>("add"), nullptr};
  const int status = FenwillowMain(o.add ? 2 : 1, argv);
  if (status != 0) return status;
  // Said as absolute paths: the caller may be anywhere.
  const std::string out = std::filesystem::absolute(o.out).lexically_normal().string();
  const std::string preview = out + "/preview.png";
  if (!frames.empty()) WriteAnimatedPng(preview, frames, 40);
  std::printf("wrote %d frames to %s/frame-NNNN.png\n", written, out.c_str());
  if (!frames.empty()) std::printf("animated preview (APNG, opens in a web browser): %s\n", preview.c_str());
  return 0;
}

int Bench(const Options& o, const char* program) {
  const auto started = Clock::now();
  double startupMs = 0;
  std::vector<double> frameUs;
  double copyUs = 0;
  headless::SetDriver([&] {
    startupMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    ApplyMenuState(o);
    frameUs.reserve(o.frames);
    for (int i = 0; i < o.frames; ++i) {
      const auto t0 = Clock::now();
      headless::AdvanceTime(40);
      frameUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    // One plain copy of a frame's pixels, for comparison.
    const headless::Presentation* shown = headless::LastPresentation();
    std::vector<std::uint8_t> copy(shown->pixels.size());
    std::vector<double> copies;
    for (int i = 0; i < 200; ++i) {
      const auto t0 = Clock::now();
      std::memcpy(copy.data(), shown->pixels.data(), copy.size());
      copies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    copyUs = Percentile(copies, 0.5);
    Choose("Exit");
  });
  char* argv[] = {const_cast<char*>(program), const_cast<char*>("add"), nullptr};
  const int status = FenwillowMain(o.add ? 2 : 1, argv);
  if (status != 0) return status;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("frames           %d (stars %s, garland %s)\n", o.frames, o.stars ? "on" : "off",
              o.garland ? "on" : "off");
  std::printf("frame median     %.1f us\n", Percentile(frameUs, 0.5));
  std::printf("frame p99        %.1f us\n", Percentile(frameUs, 0.99));
  std::printf("plain copy       %.1f us (one frame's pixels, memcpy)\n", copyUs);
  std::printf("start-up         %.2f ms (pictures decoded, base layer built, first frame presented)\n", startupMs);
  std::printf("peak resident    %.1f MB\n", usage.ru_maxrss / 1024.0);
  return 0;
}

// The bench's own options, for running it again in another process.
std::vector<std::string> BenchArguments(const Options& o) {
  std::vector<std::string> arguments = {"--bench", "--frames", std::to_string(o.frames)};
  if (!o.stars) arguments.insert(arguments.end(), {"--stars", "off"});
  if (!o.garland) arguments.insert(arguments.end(), {"--garland", "off"});
  if (!o.onTop) arguments.insert(arguments.end(), {"--ontop", "off"});
  if (o.level != 0) arguments.insert(arguments.end(), {"--level", std::to_string(o.level)});
  if (o.add) arguments.push_back("--add");
  return arguments;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options options = Parse(argc, argv);
    if (!options.against.empty()) {
      return CompareBenches(std::filesystem::read_symlink("/proc/self/exe"), options.against, BenchArguments(options),
                            options.rounds);
    }
    const std::string config = TemporaryConfigHome();
    headless::Reset();
    // "add" seeds from the performance counter, which the headless clock
    // keeps at 0; give it the real clock so that each --add run differs.
    if (options.add) headless::SetPerformanceCounter(Clock::now().time_since_epoch().count());
    const int status = options.bench ? Bench(options, argv[0]) : Render(options, argv[0]);
    std::filesystem::remove_all(config);
    for (const auto& box : headless::MessageBoxes()) {
      std::fprintf(stderr, "message box \"%s\": %s\n", box.caption.c_str(), box.text.c_str());
    }
    return status;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "fenwillow-render: %s\n", error.what());
    return 2;
  }
}
