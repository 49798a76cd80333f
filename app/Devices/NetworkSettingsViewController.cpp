#include "app/Devices/NetworkSettingsViewController.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Dialogs.h"

namespace app {

namespace {
QLineEdit* makeField(const char* name, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  return field;
}
}  // namespace

NetworkSettingsViewController::NetworkSettingsViewController(QWidget* parent)
    : QDialog(parent),
      titleLabel_(new QLabel(this)),
      modePopUpButton_(new QComboBox(this)),
      ipTextField_(makeField("ipTextField", this)),
      subnetTextField_(makeField("subnetTextField", this)),
      gatewayTextField_(makeField("gatewayTextField", this)),
      applyButton_(new QPushButton(tr("Apply"), this)),
      cancelButton_(new QPushButton(tr("Cancel"), this)) {
  setWindowModality(Qt::WindowModal);
  setFixedSize(410, 248);
  titleLabel_->setObjectName("titleLabel");
  auto font = titleLabel_->font();
  font.setBold(true);
  titleLabel_->setFont(font);
  modePopUpButton_->setObjectName("modePopUpButton");
  modePopUpButton_->addItem(tr("Automatic"));
  modePopUpButton_->addItem(tr("Fixed IP Address"));
  applyButton_->setObjectName("applyButton");
  applyButton_->setDefault(true);
  cancelButton_->setObjectName("cancelButton");
  cancelButton_->setAutoDefault(false);

  auto* form = new QFormLayout;
  form->addRow(tr("Configure IPv4:"), modePopUpButton_);
  form->addRow(tr("IP Address:"), ipTextField_);
  form->addRow(tr("Subnet Mask:"), subnetTextField_);
  form->addRow(tr("Gateway:"), gatewayTextField_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancelButton_);
  buttons->addWidget(applyButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(titleLabel_);
  layout->addLayout(form);
  layout->addStretch();
  layout->addLayout(buttons);

  connect(modePopUpButton_, &QComboBox::currentIndexChanged, this, [this] { updateFieldsEnabled(); });
  connect(applyButton_, &QPushButton::clicked, this, [this] { applyPressed(); });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  updateFieldsEnabled();
}

void NetworkSettingsViewController::setDevice(const std::string& title,
                                              const NetworkAddressing& current) {
  current_ = current;
  titleLabel_->setText(QString::fromStdString(title));
  modePopUpButton_->setCurrentIndex(static_cast<int>(current.isAutomatic() ? AddressMode::automatic
                                                                           : AddressMode::fixed));
  ipTextField_->setText(QString::fromStdString(current.ip.description()));
  subnetTextField_->setText(QString::fromStdString(current.subnet.description()));
  gatewayTextField_->setText(QString::fromStdString(current.gateway.description()));
  updateFieldsEnabled();
}

void NetworkSettingsViewController::present(QWidget* window) {
  if (window != nullptr && parentWidget() != window) setParent(window, windowFlags());
  open();
}

void NetworkSettingsViewController::updateFieldsEnabled() {
  const bool fixed = modePopUpButton_->currentIndex() == static_cast<int>(AddressMode::fixed);
  for (auto* field : {ipTextField_, subnetTextField_, gatewayTextField_}) field->setEnabled(fixed);
}

void NetworkSettingsViewController::applyPressed() {
  auto decision = decideNetworkChange(
      current_, static_cast<AddressMode>(modePopUpButton_->currentIndex()),
      ipTextField_->text().toStdString(), subnetTextField_->text().toStdString(),
      gatewayTextField_->text().toStdString());
  if (decision.error) {
    showErrorMessage(this, *decision.error);
    return;
  }
  if (decision.change.kind == NetworkChange::Kind::nothing) {
    accept();
    return;
  }
  if (!send) return;  // the opener always sets it; without it nothing may look applied
  send(decision.change, [self = QPointer(this)](std::exception_ptr error) {
    if (!self) return;
    if (error)
      showErrorAlert(self, error);
    else
      self->accept();
  });
}

}  // namespace app
