// The picture framework of the window layer: assignable objects, the graphic
// base class that picture formats fill in, and the picture holder with its
// registry of formats.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "platform/wintypes.h"

namespace plat {

class TCanvas;

// An object that can take over the content of another. The default copy
// asks the source to copy itself into this object; an object that cannot
// do that raises EConvertError ("Cannot assign a %s to a %s").
class TPersistent {
 public:
  virtual ~TPersistent() = default;
  virtual const char* ClassName() const = 0;
  // Takes over `source`'s content (the framework's Assign).
  virtual void CopyFrom(TPersistent* source);
  // Copies this object into `target` (the framework's AssignTo).
  virtual void CopyTo(TPersistent* target);
};

// Base of picture formats. The slot order follows the framework's.
class TGraphic : public TPersistent {
 public:
  // Draws the graphic into `rect` of the canvas.
  virtual void Render(TCanvas& canvas, const RECT& rect) = 0;
  virtual bool IsEmpty() const = 0;
  virtual int PixelHeight() const = 0;
  virtual HPALETTE PaletteHandle() = 0;
  virtual bool IsTransparent() const = 0;
  virtual int PixelWidth() const = 0;
  virtual void SetPixelHeight(int height) = 0;
  virtual void SetPaletteHandle(HPALETTE palette) = 0;
  virtual void SetPixelWidth(int width) = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void ReadClipboardFormat(UINT format, HANDLE data, HPALETTE palette) = 0;
  virtual void WriteClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) = 0;
};

using TGraphicFactory = std::unique_ptr<TGraphic> (*)();

struct TGraphicFormat {
  std::string extension;
  std::string description;
  std::string className;
  TGraphicFactory create;
};

// Holds one picture and keeps the registry of picture formats.
class TPicture {
 public:
  static void RegisterFormat(const std::string& extension, const std::string& description,
                             const std::string& className, TGraphicFactory create);
  static void UnregisterFormat(const std::string& className);
  // The format whose class name matches exactly, or nullptr.
  static const TGraphicFormat* FindFormatByClassName(const std::string& className);
  static const std::vector<TGraphicFormat>& Formats();

  // Reads the stored form of a picture: a length byte and that many
  // characters naming the graphic class, then the graphic's own data, which
  // the new graphic reads from `stream`. An unknown class raises
  // EInvalidGraphic; an error of the graphic's read passes on and the new
  // graphic is discarded.
  void ReadStoredData(TStream& stream);

  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> graphic) { graphic_ = std::move(graphic); }

 private:
  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace plat
