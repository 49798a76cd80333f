#include "app/PresetManager/ProgressSheet.h"

#include <utility>

namespace app {

void ProgressSheet::setMaxValue(int maxValue) {
  indeterminate_ = maxValue == 0;
  maximum_ = indeterminate_ ? 100 : maxValue;
  changed();
}

void ProgressSheet::present() {
  titleText_ = title;
  subtitleText_ = subtitle.value_or("");
  statusText_.clear();
  value_ = 0;
  shown_ = true;
  changed();
}

void ProgressSheet::closeByOwner() {
  if (!shown_) return;
  shown_ = false;
  if (view_ != nullptr) view_->sheetClosed();
}

void ProgressSheet::setStatus(std::optional<std::string> status) {
  status_ = std::move(status);
  statusText_ = status_.value_or("");
  changed();
}

void ProgressSheet::setValue(int value) {
  value_ = value;
  changed();
  if (value != 0 && value == maximum_) dismissSelf();
}

void ProgressSheet::cancelPressed() {
  if (!shown_) return;
  // The handlers of the operation being cancelled, even if finishedHandler presents anew.
  auto cancel = cancelHandler;
  dismissSelf();
  if (cancel) cancel();
}

void ProgressSheet::dismissSelf() {
  if (shown_) {
    shown_ = false;
    if (view_ != nullptr) view_->sheetClosed();
  }
  if (auto finished = finishedHandler) finished();
}

void ProgressSheet::changed() {
  if (view_ != nullptr) view_->sheetChanged();
}

}  // namespace app
