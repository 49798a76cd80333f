#include "app/Devices/AppSettingsViewController.h"

#include <QComboBox>
#include <QFormLayout>
#include <QStandardItemModel>

#include "device/Clients/VeltoClient.h"

namespace app {

namespace {

using device::AppSettings;

QComboBox* makeMenu(const char* name, QWidget* parent) {
  auto* menu = new QComboBox(parent);
  menu->setObjectName(name);
  for (const auto& title : gainStepTitles()) menu->addItem(QString::fromStdString(title));
  return menu;
}

void selectTitle(QComboBox& menu, const std::string& title) {
  menu.setCurrentIndex(menu.findText(QString::fromStdString(title), Qt::MatchExactly));
}

void showGainStep(QComboBox& menu, const SettingsList& settings, float AppSettings::*field) {
  if (menu.count() == multipleValuesIndex + 1) menu.removeItem(multipleValuesIndex);
  const auto common = commonGainStep(settings, field);
  if (common) {
    selectTitle(menu, gainStepTitle(*common));
    return;
  }
  menu.addItem(QString::fromUtf8(multipleValuesTitle.data(), static_cast<qsizetype>(multipleValuesTitle.size())));
  menu.setCurrentIndex(multipleValuesIndex);
  if (auto* model = qobject_cast<QStandardItemModel*>(menu.model()))
    model->item(multipleValuesIndex)->setEnabled(false);
}

void writeGainStep(AppSettings::Container& changes, const QComboBox& menu, void (AppSettings::Container::*setter)(float)) {
  if (auto value = gainStepOfSelection(menu.currentIndex(), menu.currentText().toStdString()))
    (changes.*setter)(*value);
}

}  // namespace

AppSettingsViewController::AppSettingsViewController(std::vector<ClientPtr> clients, std::uint64_t timeout,
                                                     QWidget* parent)
    : SettingsPane(std::move(clients), appFlagOptions(), "AppSettingsViewController", timeout, parent),
      channelGainStepsPopUpButton_(makeMenu("channelGainStepsPopUpButton", this)),
      groupGainStepsPopUpButton_(makeMenu("groupGainStepsPopUpButton", this)) {
  extraRows()->addRow(tr("Channel Gain Step (dB):"), channelGainStepsPopUpButton_);
  extraRows()->addRow(tr("Group Gain Step (dB):"), groupGainStepsPopUpButton_);
  std::string name;
  if (this->clients().size() == 1) name = this->clients().front()->status()->appSettings->appName;
  load(name);
}

void AppSettingsViewController::refreshOptions(const SettingsList& settings) {
  SettingsPane::refreshOptions(settings);
  showGainStep(*channelGainStepsPopUpButton_, settings, &AppSettings::chGainStepDb);
  showGainStep(*groupGainStepsPopUpButton_, settings, &AppSettings::groupGainStepDb);
}

void AppSettingsViewController::writeOptions(AppSettings::Container& changes) const {
  if (singleClient()) changes.setAppName(nameText().toStdString());
  SettingsPane::writeOptions(changes);
  writeGainStep(changes, *channelGainStepsPopUpButton_, &AppSettings::Container::setChGainStepDb);
  writeGainStep(changes, *groupGainStepsPopUpButton_, &AppSettings::Container::setGroupGainStepDb);
}

void AppSettingsViewController::resetOptions() {
  SettingsPane::resetOptions();
  const std::string step = gainStepTitle(0.5f);
  selectTitle(*channelGainStepsPopUpButton_, step);
  selectTitle(*groupGainStepsPopUpButton_, step);
}

}  // namespace app
