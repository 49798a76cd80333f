#pragma once
// A device's settings for the companion mixing app and the hardware personal-mix controllers:
// gain ranges and steps, which controls they offer, technician access, the last preset loaded
// locally and the app's name. Devices report them as "VALUE" entries inside their status
// document. Besides the typed fields, `properties` mirrors every setting as key and text, the
// form that travels to and from the device; a Container collects the texts a pane wants to
// apply, and the device client sends each pair whose text differs from `properties`. So both
// render values with the same text forms (textForm below).
//
// A reference type: held through std::shared_ptr by the Status that owns it. No locking: the
// device client that owns the Status serialises access; others get deep copies. Nothing writes
// this type back as a document.
//
// Keys outside the 30 ("other keys") are kept in `properties` as the device sent them, so a
// device's newer settings survive a read-modify-write. A status report may come from any host,
// though, and every report is merged into the client's long-lived object for good, so what other
// keys may take is bounded: at most kMaximumOtherKeys of them, each key at most
// kMaximumOtherKeySize bytes and each text at most kMaximumOtherValueSize bytes, about 1.1 MB per
// object in the worst case. Devices send a few dozen keys of a few dozen bytes each, so honest
// reports stay far below every bound; the 30 known keys are never bounded. An entry beyond the
// bounds is left out (an other key already held keeps its earlier text), and decode reports how
// many it left out so that the client can warn.

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "device/Model/ConnectionMode.h"
#include "device/Model/DeepCopyable.h"
#include "device/Model/DeviceType.h"
#include "device/Model/PresetName.h"
#include "device/XML/VeltoXmlCodable.h"
#include "device/XML/ZRXMLElement.h"

namespace device {

class AppSettings {
 public:
  using Properties = std::map<std::string, std::string, std::less<>>;

  // Bounds of the keys outside the 30 that `properties` keeps (see above).
  static constexpr std::size_t kMaximumOtherKeys = 256;
  static constexpr std::size_t kMaximumOtherKeySize = 256;
  static constexpr std::size_t kMaximumOtherValueSize = 4096;

  // The setting keys, in `properties`, in a Container and in documents.
  struct Keys {
    static constexpr std::string_view shortUuid = "ShortUUID";
    static constexpr std::string_view uuid = "UUID";
    static constexpr std::string_view masterMidGainDb = "MasterMidGainDB";
    static constexpr std::string_view masterPeakGainDb = "MasterPeakGainDB";
    static constexpr std::string_view chPeakGainDb = "ChPeakGainDB";
    static constexpr std::string_view chMidGainDb = "ChMidGainDB";
    static constexpr std::string_view chGainStepDb = "ChannelGainStepdB";
    static constexpr std::string_view groupGainStepDb = "GroupGainStepdB";
    static constexpr std::string_view password = "PW";
    static constexpr std::string_view pelionType = "PelionType";
    static constexpr std::string_view technicianMode = "TechnicianMode";
    static constexpr std::string_view lockToMix = "LockToMix";
    static constexpr std::string_view allowRemoteAdmin = "AllowRemoteAdmin";
    static constexpr std::string_view panningMode = "MonoStereo3DAvailable";
    static constexpr std::string_view demoModeAvailable = "DemoModeAvailable";
    static constexpr std::string_view exclusiveSolo = "ExclusiveSolo";
    static constexpr std::string_view relativeGroupMixing = "RelativeGroupMixing";
    static constexpr std::string_view muteSoloAvailable = "RotvMuteSoloAvailable";
    static constexpr std::string_view showDecibels = "RotvShowDecibels";
    static constexpr std::string_view channelConfigAvailable = "RotvChannelConfigAvailable";
    static constexpr std::string_view ambAuxControl = "RotvAmbAuxCtrl";
    static constexpr std::string_view saveLoad = "RotvSaveLoad";
    static constexpr std::string_view groupLock = "RotvGroupLock";
    static constexpr std::string_view localConfigMenuAvailable = "RotvLocalConfigMenuAvailable";
    static constexpr std::string_view groupAvailable = "RotvGroupAvailable";
    static constexpr std::string_view relativeGroups = "RotvRelativeGroups";
    static constexpr std::string_view autoUnmute = "RotvAutoUnmute";
    static constexpr std::string_view displayDim = "RotvDisplayDim";
    static constexpr std::string_view lastLocalPreset = "LastLocalPreset";
    static constexpr std::string_view appName = "AppName";
  };

  // The text form of each value type, shared by `properties` and the Container: "1"/"0";
  // "%.1f" of the value widened to double ("-20.0", "0.5"); text unchanged; the connection
  // mode's decimal raw value ("40"); the model's raw string; a preset's file name (base name,
  // ".", "VELTOshow" or "vup").
  static std::string textForm(bool value) { return value ? "1" : "0"; }
  static std::string textForm(float value);
  static std::string textForm(const std::string& value) { return value; }
  static std::string textForm(ConnectionMode value);
  static std::string textForm(DeviceType::Value value);
  static std::string textForm(const PresetName& value) { return value.fileName(); }

  // Setting texts a pane wants applied to a device; a value made for one apply. Each member
  // stores its key with the text of the new value, replacing an earlier text for that key.
  // Nothing removes a pair, and nothing fails.
  class Container {
   public:
    Properties properties;

    void setRelativeGroupMixing(bool value) { setFlag(value, Keys::relativeGroupMixing); }
    void setExclusiveSolo(bool value) { setFlag(value, Keys::exclusiveSolo); }
    void setDemoModeAvailable(bool value) { setFlag(value, Keys::demoModeAvailable); }
    void setPanningMode(bool value) { setFlag(value, Keys::panningMode); }
    void setChGainStepDb(float value) { store(Keys::chGainStepDb, textForm(value)); }
    void setGroupGainStepDb(float value) { store(Keys::groupGainStepDb, textForm(value)); }
    void setMuteSoloAvailable(bool value) { setFlag(value, Keys::muteSoloAvailable); }
    void setAppName(std::string value) { store(Keys::appName, std::move(value)); }
    void setShowDecibels(bool value) { setFlag(value, Keys::showDecibels); }
    void setChannelConfigAvailable(bool value) { setFlag(value, Keys::channelConfigAvailable); }
    void setAmbAuxControl(bool value) { setFlag(value, Keys::ambAuxControl); }
    void setSaveLoad(bool value) { setFlag(value, Keys::saveLoad); }
    void setGroupLock(bool value) { setFlag(value, Keys::groupLock); }
    void setLocalConfigMenuAvailable(bool value) { setFlag(value, Keys::localConfigMenuAvailable); }
    void setGroupAvailable(bool value) { setFlag(value, Keys::groupAvailable); }
    void setRelativeGroups(bool value) { setFlag(value, Keys::relativeGroups); }
    void setAutoUnmute(bool value) { setFlag(value, Keys::autoUnmute); }
    void setDisplayDim(bool value) { setFlag(value, Keys::displayDim); }

    void setFlag(bool value, std::string_view key) { store(key, textForm(value)); }

   private:
    void store(std::string_view key, std::string text) {
      properties.insert_or_assign(std::string(key), std::move(text));
    }
  };

  bool shortUuid = true;
  std::string uuid = newUuid();  // upper-case text of a random UUID, one per object
  float masterMidGainDb = -20.0f;
  float masterPeakGainDb = 0.0f;
  float chPeakGainDb = 10.0f;
  float chMidGainDb = -20.0f;
  float chGainStepDb = 0.5f;
  float groupGainStepDb = 0.5f;
  std::string password;
  DeviceType::Value pelionType = DeviceType::Value::zelvarine;
  ConnectionMode technicianMode = ConnectionMode::Admin;
  bool lockToMix = false;
  bool allowRemoteAdmin = true;
  bool panningMode = true;
  bool demoModeAvailable = true;
  bool exclusiveSolo = false;
  bool relativeGroupMixing = true;
  bool muteSoloAvailable = true;
  bool showDecibels = true;
  bool channelConfigAvailable = true;
  bool ambAuxControl = true;
  bool saveLoad = true;
  bool groupLock = false;
  bool localConfigMenuAvailable = true;
  bool groupAvailable = true;
  bool relativeGroups = true;
  bool autoUnmute = true;
  bool displayDim = false;
  PresetName lastLocalPreset{std::string_view{}};
  std::string appName;
  // Key to text. Rebuilt from the fields only by the constructors; decode merges the document's
  // own texts into it ("-12" stays "-12"); writing a field leaves it alone.
  Properties properties;

  // Every field at its default; `properties` holds the 30 default texts.
  AppSettings();
  // From a "Device" element of a status document: defaults, then decode of its first "Settings"
  // child. No such child throws childNotFound(xml's name, "Settings"); decode errors pass on.
  explicit AppSettings(const ZRXMLElementPtr& xml);
  // The source's 30 fields, uuid included; `properties` holds exactly their 30 canonical texts,
  // whatever the source's `properties` held.
  AppSettings(DeepCopyTag, const AppSettings& source);
  AppSettings& operator=(const AppSettings&) = delete;

  // Stores the text form of every field under its key; other keys stay.
  void updateProperties();

  // Reads the "VALUE" entries of a "Settings" element into the fields (ChMidGainDB before
  // ChPeakGainDB; a key without an entry keeps its field; a "LastLocalPreset" text that is no
  // preset file name keeps the field without an error), then merges every entry that has both
  // "name" and "val" into `properties`, the last of equal keys winning, unknown keys included.
  // Other keys only within the bounds above; returns the number of entries left out for them.
  // A missing "val" or a text that does not convert throws ZRXMLDecodingError at once: fields
  // read before keep their new values, later ones and `properties` are untouched.
  std::size_t decode(const ZRXMLElementPtr& settingsElement);

  // One of the 30 keys of the fields.
  static bool isKnownKey(std::string_view key);

 private:
  AppSettings(const AppSettings&) = default;
  static std::string newUuid();
};

template <>
inline constexpr bool enableVeltoXmlCodable<AppSettings> = true;

}  // namespace device
