#include "app/PresetManager/ProgressViewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {
QLabel* makeLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setWordWrap(true);
  return label;
}
}  // namespace

ProgressViewController::ProgressViewController(QWidget* parent)
    : QDialog(parent),
      titelLabel_(makeLabel("titelLabel", this)),
      subtitleLabel_(makeLabel("subtitleLabel", this)),
      progressIndicator_(new QProgressBar(this)),
      statusLabel_(makeLabel("statusLabel", this)),
      cancelButton_(new QPushButton(tr("Cancel"), this)) {
  setWindowModality(Qt::WindowModal);
  auto font = titelLabel_->font();
  font.setBold(true);
  titelLabel_->setFont(font);
  progressIndicator_->setObjectName("progressIndicator");
  progressIndicator_->setTextVisible(false);
  cancelButton_->setObjectName("cancelButton");
  cancelButton_->setAutoDefault(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(titelLabel_);
  layout->addWidget(subtitleLabel_);
  layout->addWidget(progressIndicator_);
  layout->addWidget(statusLabel_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancelButton_);
  layout->addLayout(buttons);
  setMinimumWidth(420);

  connect(cancelButton_, &QPushButton::clicked, this, [this] { sheet_.cancelPressed(); });
  sheet_.setView(this);
  sheetChanged();
}

ProgressViewController::~ProgressViewController() { sheet_.setView(nullptr); }

void ProgressViewController::present(QWidget* window) {
  if (window != nullptr && parentWidget() != window) setParent(window, windowFlags());
  sheet_.present();
  if (!isVisible()) open();
}

void ProgressViewController::reject() { sheet_.cancelPressed(); }

void ProgressViewController::sheetChanged() {
  titelLabel_->setText(QString::fromStdString(sheet_.titleText()));
  subtitleLabel_->setText(QString::fromStdString(sheet_.subtitleText()));
  statusLabel_->setText(QString::fromStdString(sheet_.statusText()));
  if (sheet_.isIndeterminate()) {
    progressIndicator_->setRange(0, 0);  // the busy animation
  } else {
    progressIndicator_->setRange(0, sheet_.maximum());
    progressIndicator_->setValue(sheet_.value());
  }
}

void ProgressViewController::sheetClosed() { QDialog::done(QDialog::Accepted); }

}  // namespace app
