// The base layer: the tree picture as a premultiplied 32-bit bitmap, sized
// to the window and presented through the layered-window call with one
// constant opacity.
#pragma once

#include <cstdint>
#include <memory>

#include "ornament/shown_layer.h"
#include "platform/bitmap.h"

class TPNGObject;

extern std::unique_ptr<TPNGObject> BasePng;         // private copy of imgTree
extern std::unique_ptr<plat::TBitmap> BaseBitmap;   // premultiplied B, G, R, A
extern std::uint8_t Opacity;                         // 255 = opaque; 0 at start
extern bool PresentationBoxOpen;                    // a failed presentation's box is showing
extern TShownLayer Shown;                            // what the window shows
extern std::uint64_t BaseLayerBuilds;               // layers built so far, to tell one from the next

// Constant opacity of the ten transparency levels ("0%" … "90%").
constexpr std::uint8_t kLevelOpacity[10] = {255, 233, 211, 189, 167, 145, 123, 101, 79, 57};

// Makes the window layered, rebuilds BasePng and BaseBitmap from imgTree,
// sizes the window to the picture and presents it with Opacity.
void BuildBaseLayer();
// Stores `value` in Opacity and presents the layer again, built anew when
// the tree picture changed since the last build.
void ApplyOpacity(std::uint8_t value);
// Writes the PNG's alpha plane into the fourth byte of every pixel of a
// 32-bit bitmap of the same size.
void CopyPngAlpha(plat::TBitmap& bitmap, TPNGObject& png);
// Every colour byte c of a 32-bit bitmap becomes c × A div 255.
void Premultiply(plat::TBitmap& bitmap);
// Presents a 32-bit premultiplied bitmap at the window's position with the
// current Opacity; shows `failureText` in a message box when the window
// system refuses it. Returns whether the window shows the bitmap. With
// `compare`, only where it differs from what the window shows, and not at
// all when nothing does; without, whole, for a caller that knows it
// differs almost everywhere, where comparing would cost more than it saves.
bool PresentLayer(plat::TBitmap& bitmap, const char* failureText, bool compare = true);
// Shows `text` in the program's message box (one OK button, the
// application title as caption).
void ShowMessage(const std::string& text);
