// The document template behind Preset::emptyPreset, built into the library so that it cannot go
// missing at run time.
#include "device/Presets/Preset.h"
#include "device/XML/ZRXMLParser.h"

namespace device {

namespace {

constexpr const char* emptyPresetTemplate = R"(<?xml version="1.0" encoding="UTF-8"?>
<BinauralMonitorSettings Name="Empty" Version="5.7.13">
	<UserList>
		<RemoteSettings>
			<InputMap/>
			<OutputMap/>
		</RemoteSettings>
	</UserList>
</BinauralMonitorSettings>
)";

}  // namespace

std::shared_ptr<Preset> Preset::emptyPreset() {
  return fromXml(ZRXMLParser::parseDocument(std::string_view(emptyPresetTemplate)));
}

}  // namespace device
