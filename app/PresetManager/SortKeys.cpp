#include "app/PresetManager/SortKeys.h"

#include "platform/UnicodeText.h"

namespace app {

std::string canonicalSortKey(std::string_view text) { return platform::nfcNormalized(text); }

std::string lowercaseSortKey(std::string_view text) { return platform::nfcNormalized(platform::lowercased(text)); }

}  // namespace app
