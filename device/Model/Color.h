#pragma once
// The colour of a channel or a group: four 8-bit components, each a Clamped value with the range
// 0...255. Documents carry it as eight lower-case hexadecimal digits, alpha first ("ff702482").
// Hue, saturation and brightness are computed in 32-bit floats step by step, so the palette comes
// out the same on every machine (the build turns floating-point contraction off).
// A value type; any thread may use its own copy.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/Model/Clamped.h"

namespace device {

class Color {
 public:
  // Each component is clamped into 0...255 (so any int is accepted); bytes pass unchanged.
  Color(int r, int g, int b, int a);
  // Opaque white after setHSV(hue, saturation, brightness), then alpha.
  static Color fromHSV(float hue, float saturation, float brightness, std::uint8_t alpha);

  // Hexadecimal text read as one unsigned 32-bit number (optional "+", or "-" for zero; any number
  // of digits of either case; nothing else) and split into bytes: aarrggbb, xxrrggbb with opaque
  // alpha, rrggbbaa. No value for any other text.
  static std::optional<Color> fromArgbHex(std::string_view text);
  static std::optional<Color> fromRgbHex(std::string_view text);
  static std::optional<Color> fromRgbaHex(std::string_view text);

  std::uint8_t r() const { return _r; }
  std::uint8_t g() const { return _g; }
  std::uint8_t b() const { return _b; }
  std::uint8_t a() const { return _a; }
  void setR(std::uint8_t value) { _r = value; }
  void setG(std::uint8_t value) { _g = value; }
  void setB(std::uint8_t value) { _b = value; }
  void setA(std::uint8_t value) { _a = value; }

  std::string argbHex() const;  // "aarrggbb", the form written into documents
  std::string rgbHex() const;   // "rrggbb"
  std::string rgbaHex() const;  // "rrggbbaa"
  std::string description() const { return argbHex(); }

  float hue() const;         // 0 <= hue < 1; 0 for greys
  float saturation() const;  // 0 for black
  float brightness() const;
  // Each setter ignores a value outside 0...1 (NaN included); otherwise it keeps the other two
  // of the current colour and applies setHSV. Alpha stays.
  void setHue(float value);
  void setSaturation(float value);
  void setBrightness(float value);

  // Replaces red, green and blue; alpha stays. Only the fractional part of the hue counts; a hue
  // that is not finite counts as 0, and saturation and brightness are clamped into 0...1 (NaN
  // counts as 0), so every component computed lies in 0...255.
  void setHSV(float hue, float saturation, float brightness);
  // This colour's hue plus `amount` (minus 1 when the sum exceeds 1), same saturation,
  // brightness and alpha.
  Color rotatingHue(float amount) const;

  // The 64 palette colours, computed anew on each call; entry 0 is the colour of every new group
  // and channel.
  static std::vector<Color> defaultPalette();
  // Entry 0 of the palette, opaque (112, 36, 130), without computing the others.
  static Color firstPaletteColor() { return Color(112, 36, 130, 255); }
  // The palette colour at `index`; entry 0 when index is outside 0...63.
  static Color paletteColor(int index);

  // Compares the four components only, not their ranges.
  friend bool operator==(const Color& x, const Color& y) {
    return x.r() == y.r() && x.g() == y.g() && x.b() == y.b() && x.a() == y.a();
  }

 private:
  Clamped<std::uint8_t> _r{0, 0, 255};
  Clamped<std::uint8_t> _g{0, 0, 255};
  Clamped<std::uint8_t> _b{0, 0, 255};
  Clamped<std::uint8_t> _a{255, 0, 255};
};

}  // namespace device
