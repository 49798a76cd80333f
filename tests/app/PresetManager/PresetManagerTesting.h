#pragma once
// Helpers of the preset manager window's tests.

#include <QAbstractItemModel>
#include <QStringList>
#include <initializer_list>
#include <string_view>

#include "device/Model/PresetNameList.h"

namespace app::testing {

// A device's list from list texts ("Name (PRESET)", "Show (USER SHOW)", ...).
inline device::PresetNameList presetNames(std::initializer_list<const char*> texts) {
  device::PresetNameList list;
  for (const char* text : texts) list.append(device::PresetName(std::string_view(text)));
  return list;
}

// The display texts of one column, top to bottom.
inline QStringList columnTexts(const QAbstractItemModel& model, int column = 0) {
  QStringList texts;
  for (int row = 0; row < model.rowCount(); ++row) texts << model.index(row, column).data().toString();
  return texts;
}

}  // namespace app::testing
