// The frame composer: every frame is a copy of the base layer with the two
// garland layers and the star field drawn over it, then presented.
#pragma once

#include <cstdint>
#include <string>

struct TStar {
  std::int32_t Phase;  // twinkle counter, 0–10 when drawn
  double X;            // left edge; exactly 0.0 marks a star not yet placed
  double Y;            // top edge
  double DX;           // sideways step per frame, −2.0 … 2.9
};

constexpr int kStarCount = 150;
constexpr std::uint32_t kGarlandPeriodMs = 640;

extern bool StarsOn;
extern bool GarlandOn;
extern std::uint32_t LastGarlandTick;
extern std::string GarlandName0;
extern std::string GarlandName1;
extern TStar StarField[kStarCount];

// Builds and presents one frame; stops the timer when both animations are
// off.
void RenderFrame();
// Frees the bitmap frames are drawn in; the next frame makes a new one.
void ReleaseFrame();

// One frame's step of a star: initialise, wrap, respawn, retire. Returns the
// twinkle stage (1–6) to draw; AdvanceStar moves it on afterwards.
int PrepareStar(TStar& star);
void AdvanceStar(TStar& star);
// Round to nearest, ties to even.
int RoundHalfEven(double value);
