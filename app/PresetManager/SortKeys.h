#pragma once
// Keys by which the preset manager's lists order texts: UTF-8 of the canonically composed (NFC)
// form, so that plain byte comparison of two keys orders them by Unicode code points (not by
// locale, not by UTF-16 units as QString::compare does). Ill-formed bytes stay as they are.

#include <string>
#include <string_view>

namespace app {

// The text in NFC; case kept.
std::string canonicalSortKey(std::string_view text);
// The text lower-cased by the Unicode default case mapping, then in NFC.
std::string lowercaseSortKey(std::string_view text);

}  // namespace app
