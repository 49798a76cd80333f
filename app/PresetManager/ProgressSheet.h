#pragma once
// The state and rules of the preset manager's progress sheet, without widgets.
//
// The owner sets the title, subtitle, maximum and both handlers and presents the sheet; the
// running operation raises `value` and writes `status`. The sheet closes in three ways:
// - by itself, when `value` is set to the non-zero maximum: finishedHandler runs;
// - by its Cancel button (or Esc): finishedHandler runs, then cancelHandler;
// - by its owner (closeByOwner, after an error): neither handler runs.
// Setting the maximum again once closed runs finishedHandler again (the owner's handler only
// resets its own state). GUI thread only; a view (ProgressViewController) follows the state.

#include <functional>
#include <optional>
#include <string>

namespace app {

class ProgressSheet {
 public:
  class View {
   public:
    virtual ~View() = default;
    // Texts, bar or visibility changed.
    virtual void sheetChanged() = 0;
    // The sheet is no longer shown.
    virtual void sheetClosed() = 0;
  };

  void setView(View* view) { view_ = view; }

  // Read when the sheet is presented.
  std::string title;
  std::optional<std::string> subtitle;
  std::function<void()> cancelHandler;
  std::function<void()> finishedHandler;

  // The number of steps; 0 when unknown: then the bar is indeterminate with a maximum of 100.
  void setMaxValue(int maxValue);
  int maximum() const { return maximum_; }
  bool isIndeterminate() const { return indeterminate_; }

  // Shows the sheet, or refills it when already shown: title and subtitle labels from the fields,
  // an empty status label (the status field keeps its text) and an empty bar.
  void present();
  // The owner closes the sheet: no handler runs.
  void closeByOwner();
  bool isShown() const { return shown_; }

  const std::optional<std::string>& status() const { return status_; }
  void setStatus(std::optional<std::string> status);

  int value() const { return value_; }
  void setValue(int value);

  // The Cancel button and Esc.
  void cancelPressed();

  // What the labels show.
  const std::string& titleText() const { return titleText_; }
  const std::string& subtitleText() const { return subtitleText_; }
  const std::string& statusText() const { return statusText_; }

 private:
  void dismissSelf();
  void changed();

  View* view_ = nullptr;
  bool shown_ = false;
  int maximum_ = 100;
  bool indeterminate_ = true;
  int value_ = 0;
  std::optional<std::string> status_;
  std::string titleText_;
  std::string subtitleText_;
  std::string statusText_;
};

}  // namespace app
