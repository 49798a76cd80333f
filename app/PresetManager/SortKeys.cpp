#include "app/PresetManager/SortKeys.h"

#include <QString>

namespace app {

namespace {
QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

std::string canonicalSortKey(std::string_view text) {
  return fromUtf8(text).normalized(QString::NormalizationForm_C).toStdString();
}

std::string lowercaseSortKey(std::string_view text) {
  return fromUtf8(text).toLower().normalized(QString::NormalizationForm_C).toStdString();
}

}  // namespace app
