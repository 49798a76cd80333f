#pragma once
// One input channel of one user's mix inside a preset: which device input it is, how it is shown,
// its stereo partner, where it sits in the listener's space, how it is rendered, its gain, solo,
// mute and channel group. In a document it is one "ChannelSettings" element of a user's
// "ChannelSettingsList".
//
// The seven continuous parameters are Clamped: every value that reaches them (from a caller, a
// document or a copy) is kept inside the field's range. Tone and morph are read from documents but
// never written: an existing element keeps its own values for them.
//
// A reference type held through std::shared_ptr by its ChannelSettingsList. No locking: used
// under the serialisation of whoever owns the list.

#include <cstdint>
#include <memory>
#include <numbers>
#include <string>

#include "device/Model/Clamped.h"
#include "device/Model/Color.h"
#include "device/Model/DeepCopyable.h"
#include "device/Model/Hide.h"
#include "device/Model/RenderMode.h"
#include "device/XML/VeltoXmlCodable.h"
#include "device/XML/ZRXMLElement.h"

namespace device {

class ChannelSettings {
 public:
  std::uint64_t inputChannel;
  std::uint64_t index;
  std::string name;
  std::string icon = "singer";
  Color color = Color::firstPaletteColor();
  bool visible = true;
  std::int64_t linkedStereoChannel = -1;  // -1: not linked
  Hide hide = Hide::visible;
  RenderMode channelMode = RenderMode::threeD;
  bool solo = false;
  bool mute = false;
  std::uint64_t groupID;

  ChannelSettings(std::uint64_t inputChannel, std::uint64_t index, std::string name,
                  std::uint64_t groupID);
  // Every field of the source, the clamped ones through this object's wrappers.
  ChannelSettings(DeepCopyTag, const ChannelSettings& source);

  // A channel read from a channel element: "InputChannel", "Index" and "Name" first, then decode.
  // Throws ZRXMLDecodingError; no channel results then.
  static std::shared_ptr<ChannelSettings> fromXml(const ZRXMLElementPtr& xml);

  // Reads the attributes in field order, storing each at once. "Hide", "Tone" and "Morph" may be
  // missing or unreadable (the field stays); a "Color" that is no hexadecimal colour leaves the
  // colour; every other attribute is required. Throws ZRXMLDecodingError; the fields read before
  // the failing one keep their new values. `xml` is not null.
  void decode(const ZRXMLElementPtr& xml);
  // Sets every attribute but "Tone" and "Morph"; the element's other attributes and children stay.
  void encode(const ZRXMLElementPtr& xml) const;

  double tone() const { return _tone; }                // -1 ... 1
  double morph() const { return _morph; }              // 0 ... 1
  double r() const { return _r; }                      // distance, 0 ... 1
  double theta() const { return _theta; }              // polar angle in radians, 0 ... π
  double phi() const { return _phi; }                  // horizontal angle in radians, -π ... π
  double widthOffset() const { return _widthOffset; }  // -90 ... 90
  double channelGaindB() const { return _channelGaindB; }  // -144 ... 12
  void setTone(double value) { _tone = value; }
  void setMorph(double value) { _morph = value; }
  void setR(double value) { _r = value; }
  void setTheta(double value) { _theta = value; }
  void setPhi(double value) { _phi = value; }
  void setWidthOffset(double value) { _widthOffset = value; }
  void setChannelGaindB(double value) { _channelGaindB = value; }

  // Degrees: 90 - θ·180/π (θ = π/2 is elevation 0). Writing stores θ = (90 - e)·π/180, clamped.
  double elevation() const;
  void setElevation(double degrees);
  // Degrees: φ·180/π. Writing stores φ = a·π/180, clamped: the azimuth stays in -180 ... 180.
  double azimuth() const;
  void setAzimuth(double degrees);

 private:
  static constexpr double pi = std::numbers::pi;

  Clamped<double> _tone{0, -1, 1};
  Clamped<double> _morph{0, 0, 1};
  Clamped<double> _r{1, 0, 1};
  Clamped<double> _theta{pi / 2, 0, pi};
  Clamped<double> _phi{0, -pi, pi};
  Clamped<double> _widthOffset{0, -90, 90};
  Clamped<double> _channelGaindB{-144, -144, 12};
};

template <>
inline constexpr bool enableVeltoXmlCodable<ChannelSettings> = true;
template <>
inline constexpr bool enableVeltoXmlArrayCodable<ChannelSettings> = true;

}  // namespace device
