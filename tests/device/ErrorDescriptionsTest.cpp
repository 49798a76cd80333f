// The sentences that alerts and logs show for the device library's errors, with and without the
// text an error carries.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "device/Clients/OfflineEditor.h"
#include "device/Clients/VeltoApp.h"
#include "device/Clients/VeltoClientError.h"
#include "device/Presets/PresetManagerError.h"
#include "device/Presets/PresetSegmentHandlerError.h"
#include "device/XML/ZRXMLEncodingError.h"

namespace {

using device::PresetManagerError;
using device::VeltoClientError;

TEST(ErrorDescriptions, ClientErrorsSayWhatFailedAndCarryTheDevicesAnswer) {
  using Editor = device::OfflineEditor::EditorError;
  const std::pair<std::string, std::string> cases[] = {
      {VeltoClientError::presetSelectFailed("ERROR: busy").what(), "The device did not load the preset: ERROR: busy"},
      {VeltoClientError::presetSelectFailed("").what(), "The device did not load the preset."},
      {VeltoClientError::deviceIsOffline().what(), "The device is offline."},
      {VeltoClientError::presetSaveFailed("Live").what(), "The device did not save the preset \u201cLive\u201d."},
      {VeltoClientError::presetDeleteFailed().what(), "The device did not delete the preset."},
      {VeltoClientError::noMatchingConfirmationReceived().what(), "The device did not confirm the operation."},
      {VeltoClientError::actionUnsupportedByDevice().what(), "The device does not support this action."},
      {device::VeltoAppEndpointError::invalidRotaverSlot(65).what(),
       "There is no controller slot 65 (slots go from 0 to 64)."},
      {device::VeltoAppEndpointError::invalidRotaverSlot().what(), "There is no controller slot (slots go from 0 to 64)."},
      {Editor(Editor::Case::unsupportedClockSpeedMode).what(),
       "The offline editor cannot run this processor with an automatic clock speed."},
      {Editor(Editor::Case::unsupportedNumberOfMixes).what(),
       "The offline editor cannot run a processor with this number of mixes (it takes 1 to 16)."},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
  // The carried text does not change what the error is.
  EXPECT_EQ(VeltoClientError::presetSaveFailed("Live"), VeltoClientError::presetSaveFailed("Live"));
  EXPECT_EQ(VeltoClientError::presetSaveFailed("Live").description(), VeltoClientError::presetSaveFailed("Live").what());
}

TEST(ErrorDescriptions, PresetErrorsNameTheFileOrPreset) {
  const std::pair<std::string, std::string> cases[] = {
      {PresetManagerError::localPathDoesNotExist("/p").what(), "The preset folder \u201c/p\u201d does not exist."},
      {PresetManagerError::localPathDoesNotExist().what(), "The preset folder does not exist."},
      {PresetManagerError::emptyPreset("/p/A.vup").what(),
       "The preset file \u201c/p/A.vup\u201d is empty or cannot be read."},
      {PresetManagerError::presetDoesNotExistAtSource("Song").what(), "The preset \u201cSong\u201d is not on the source."},
      {PresetManagerError::presetDoesNotExist("/p/A.vup").what(), "There is no preset file \u201c/p/A.vup\u201d."},
      {PresetManagerError::presetDoesNotExist().what(), "There is no preset file."},
      {PresetManagerError::invalidPath("..").what(), "\u201c..\u201d cannot be used as a file name."},
      {PresetManagerError::invalidPath().what(), "The preset's name cannot be used as a file name."},
      {device::PresetSegmentHandlerError::timeout().what(), "The preset did not arrive from the device in time."},
      {device::ZRXMLEncodingError::encodingFailed().what(),
       "The preset document could not be written: its text is not valid UTF-8."},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
  EXPECT_EQ(PresetManagerError::invalidPath("a/b"), PresetManagerError::invalidPath());
}

}  // namespace
