#include "app/Devices/SettingsPane.h"

#include <utility>

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Devices/SelectionPanes.h"
#include "app/MainTask.h"

namespace app {

namespace {

void showState(QCheckBox& box, CheckState state) {
  box.setCheckState(state == CheckState::mixed ? Qt::PartiallyChecked
                                               : state == CheckState::on ? Qt::Checked
                                                                         : Qt::Unchecked);
}

CheckState stateOf(const QCheckBox& box) {
  switch (box.checkState()) {
    case Qt::PartiallyChecked: return CheckState::mixed;
    case Qt::Checked: return CheckState::on;
    default: return CheckState::off;
  }
}

QPushButton* makeButton(const QString& title, const char* name, QWidget* parent) {
  auto* button = new QPushButton(title, parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

SettingsPane::SettingsPane(std::vector<ClientPtr> clients, std::span<const FlagOption> options,
                           const char* objectName, std::uint64_t timeout, QWidget* parent)
    : QWidget(parent),
      clients_(std::move(clients)),
      options_(options),
      timeout_(timeout),
      nameTextField_(new QLineEdit(this)),
      extraRows_(new QFormLayout),
      applyButton_(makeButton(tr("Apply"), "applyButton", this)),
      resetButton_(makeButton(tr("Reset"), "resetButton", this)),
      progressIndicator_(new BusyIndicator(this)) {
  setObjectName(objectName);
  setMinimumWidth(SelectionPanes::kSettingsPaneWidth);
  nameTextField_->setObjectName("nameTextField");
  applyButton_->setDefault(true);
  progressIndicator_->setObjectName("progressIndicator");
  progressIndicator_->hide();

  auto* layout = new QVBoxLayout(this);
  auto* name = new QFormLayout;
  name->addRow(tr("Name:"), nameTextField_);
  layout->addLayout(name);
  layout->addSpacing(8);
  for (const auto& option : options_) {
    auto* box = new QCheckBox(tr(option.title), this);
    box->setObjectName(option.outlet);
    // Only the panes set the mixed state; a click leaves it.
    connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });
    boxes_.push_back(box);
    layout->addWidget(box);
  }
  layout->addSpacing(8);
  layout->addLayout(extraRows_);
  layout->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(progressIndicator_);
  buttons->addStretch();
  buttons->addWidget(resetButton_);
  buttons->addWidget(applyButton_);
  layout->addLayout(buttons);

  connect(applyButton_, &QPushButton::clicked, this, [this] { apply(); });
  connect(resetButton_, &QPushButton::clicked, this, [this] { resetToDefault(); });
}

void SettingsPane::load(const std::string& singleName) {
  const bool single = clients_.size() == 1;
  nameTextField_->setEnabled(single);
  nameTextField_->setText(single ? QString::fromStdString(singleName) : tr("Multiple Devices Selected"));
  nameTextField_->setCursorPosition(0);
  if (!clients_.empty()) refreshOptions(currentSettings(clients_));
}

QString SettingsPane::nameText() const { return nameTextField_->text(); }

void SettingsPane::refreshOptions(const SettingsList& settings) {
  for (std::size_t k = 0; k < options_.size(); ++k) showState(*boxes_[k], commonFlag(settings, options_[k].field));
}

void SettingsPane::writeOptions(device::AppSettings::Container& changes) const {
  for (std::size_t k = 0; k < options_.size(); ++k) writeFlag(changes, options_[k], stateOf(*boxes_[k]));
}

void SettingsPane::resetOptions() {
  for (std::size_t k = 0; k < options_.size(); ++k)
    showState(*boxes_[k], options_[k].reset ? CheckState::on : CheckState::off);
}

device::AppSettings::Container SettingsPane::changes() const {
  device::AppSettings::Container container;
  writeOptions(container);
  return container;
}

void SettingsPane::apply() {
  progressIndicator_->show();
  resetButton_->setEnabled(false);
  applyButton_->setEnabled(false);

  SettingsApply job;
  job.clients = clients_;
  job.unitName = unitName();
  // Read when the rename is done; a pane closed meanwhile sends what it showed at the click.
  job.changes = [self = QPointer<SettingsPane>(this), shown = changes()] { return self ? self->changes() : shown; };
  job.finish = [self = QPointer<SettingsPane>(this)] {
    if (self) self->finishApply();
  };
  job.timeout = timeout_;
  job.window = window();
  spawnOnMain([job = std::move(job)] { return runSettingsApply(job); });
}

void SettingsPane::resetToDefault() {
  resetOptions();
  apply();
}

void SettingsPane::finishApply() {
  progressIndicator_->hide();
  resetButton_->setEnabled(true);
  applyButton_->setEnabled(true);
  if (!clients_.empty()) refreshOptions(currentSettings(clients_));
}

}  // namespace app
