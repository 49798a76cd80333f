#include "device/Model/Color.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace device {
namespace {

std::uint8_t clampByte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

// Rounds half away from zero into a byte; NaN gives 0. With the inputs setHSV admits every value
// already lies in 0...255: the clamp only keeps the conversion defined.
std::uint8_t roundedByte(float value) {
  const float rounded = std::round(value);
  if (!(rounded >= 0.0f)) return 0;
  return rounded >= 255.0f ? 255 : static_cast<std::uint8_t>(rounded);
}

float unitOrZero(float value) { return value >= 0.0f ? std::min(value, 1.0f) : 0.0f; }
bool isUnit(float value) { return value >= 0.0f && value <= 1.0f; }

// The whole text as an unsigned 32-bit number in base 16: optional "+" or "-", then one or more
// hexadecimal digits; after "-" only zero fits.
std::optional<std::uint32_t> parseHex32(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  if (negative && value != 0) return std::nullopt;
  return value;
}

void appendHex(std::string& out, std::uint32_t value, int digits) {
  constexpr char kDigits[] = "0123456789abcdef";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xFu];
}

Color fromHexBytes(std::optional<std::uint32_t> n, int a, int r, int g, int b) {
  const auto byte = [&](int shift) { return shift < 0 ? 255 : static_cast<int>((*n >> shift) & 0xFFu); };
  return Color(byte(r), byte(g), byte(b), byte(a));
}

Color paletteStep(float hueStart, int k, float step, float saturation, float brightness) {
  float h = static_cast<float>(k) * step + hueStart;
  if (h > 1.0f) h -= 1.0f;
  return Color::fromHSV(h, saturation, brightness, 255);
}

}  // namespace

Color::Color(int r, int g, int b, int a) {
  _r = clampByte(r);
  _g = clampByte(g);
  _b = clampByte(b);
  _a = clampByte(a);
}

Color Color::fromHSV(float hue, float saturation, float brightness, std::uint8_t alpha) {
  Color color(255, 255, 255, 255);
  color.setHSV(hue, saturation, brightness);
  color.setA(alpha);
  return color;
}

std::optional<Color> Color::fromArgbHex(std::string_view text) {
  const auto n = parseHex32(text);
  if (!n) return std::nullopt;
  return fromHexBytes(n, 24, 16, 8, 0);
}

std::optional<Color> Color::fromRgbHex(std::string_view text) {
  const auto n = parseHex32(text);
  if (!n) return std::nullopt;
  return fromHexBytes(n, -1, 16, 8, 0);
}

std::optional<Color> Color::fromRgbaHex(std::string_view text) {
  const auto n = parseHex32(text);
  if (!n) return std::nullopt;
  return fromHexBytes(n, 0, 24, 16, 8);
}

std::string Color::argbHex() const {
  std::string out;
  appendHex(out, a(), 2);
  out += rgbHex();
  return out;
}

std::string Color::rgbHex() const {
  std::string out;
  appendHex(out, r() * 65536u + g() * 256u + b(), 6);
  return out;
}

std::string Color::rgbaHex() const {
  std::string out = rgbHex();
  appendHex(out, a(), 2);
  return out;
}

float Color::brightness() const { return static_cast<float>(std::max({r(), g(), b()})) / 255.0f; }

float Color::saturation() const {
  const float max = std::max({r(), g(), b()});
  const float min = std::min({r(), g(), b()});
  return max == 0.0f ? 0.0f : (max - min) / max;
}

float Color::hue() const {
  const float r = this->r(), g = this->g(), b = this->b();
  const float max = std::max({r, g, b});
  const float min = std::min({r, g, b});
  if (max == 0.0f || max == min) return 0.0f;
  const float d = 1.0f / (max - min);
  const float gc = (max - g) * d;
  const float bc = (max - b) * d;
  float h;
  if (max == r) {
    h = bc - gc;
  } else {
    const float rc = d * (max - r);
    h = max == g ? (rc + 2.0f) - bc : (gc + 4.0f) - rc;
  }
  h = h * 0.16666667f;
  if (h < 0.0f) h += 1.0f;
  return h;
}

void Color::setHue(float value) {
  if (isUnit(value)) setHSV(value, saturation(), brightness());
}

void Color::setSaturation(float value) {
  if (isUnit(value)) setHSV(hue(), value, brightness());
}

void Color::setBrightness(float value) {
  if (isUnit(value)) setHSV(hue(), saturation(), value);
}

void Color::setHSV(float hue, float saturation, float brightness) {
  const float h = std::isfinite(hue) ? hue : 0.0f;
  const float s = unitOrZero(saturation);
  const float V = unitOrZero(brightness) * 255.0f;
  const float P = (1.0f - s) * V;
  const float h6 = ((h - std::floor(h)) * 360.0f) / 60.0f;
  const float f = h6 - std::floor(h6);
  const float T = V * (1.0f - (1.0f - f) * s);
  const float Q = V * (1.0f - f * s);
  const std::uint8_t Vb = roundedByte(V), Pb = roundedByte(P), Tb = roundedByte(T), Qb = roundedByte(Q);
  struct Triple {
    std::uint8_t r, g, b;
  };
  const Triple rgb = h6 < 1.0f   ? Triple{Vb, Tb, Pb}
                     : h6 < 2.0f ? Triple{Qb, Vb, Pb}
                     : h6 < 3.0f ? Triple{Pb, Vb, Tb}
                     : h6 < 4.0f ? Triple{Pb, Qb, Vb}
                     : h6 < 5.0f ? Triple{Tb, Pb, Vb}
                                 : Triple{Vb, Pb, Qb};
  setR(rgb.r);
  setG(rgb.g);
  setB(rgb.b);
}

Color Color::rotatingHue(float amount) const {
  float h = hue() + amount;
  if (h > 1.0f) h -= 1.0f;
  return fromHSV(h, saturation(), brightness(), a());
}

std::vector<Color> Color::defaultPalette() {
  std::vector<Color> palette;
  palette.reserve(64);
  const Color first = firstPaletteColor();
  palette.push_back(first);
  for (int k = 1; k <= 15; ++k)
    palette.push_back(paletteStep(first.hue(), k, 0.05882353f, 0.72307694f, 0.50980395f));
  const Color blue(0, 0, 255, 255);
  palette.push_back(blue);
  for (int k = 1; k <= 39; ++k) palette.push_back(paletteStep(blue.hue(), k, 0.024390243f, 1.0f, 1.0f));
  for (int k = 0; k <= 7; ++k) palette.push_back(fromHSV(0.0f, 0.0f, static_cast<float>(k) * 0.125f, 255));
  return palette;
}

Color Color::paletteColor(int index) {
  const auto palette = defaultPalette();
  return palette[index >= 0 && index < 64 ? static_cast<std::size_t>(index) : 0];
}

}  // namespace device
