#pragma once
// Dialogs that tests answer: every alert is recorded, and the answers come from a script (the first
// button when the script is empty). Installed for its lifetime. Sheets answer from the event loop.

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include <QWidget>

#include "app/Dialogs.h"
#include "app/GuiExecutor.h"

namespace app::testing {

class ScriptedDialogs : public Dialogs {
 public:
  ScriptedDialogs() { setDialogs(this); }
  ~ScriptedDialogs() override { setDialogs(nullptr); }

  int runModal(QWidget* window, const Alert& alert) override {
    alerts.push_back(alert);
    windows.push_back(window != nullptr ? window->window() : nullptr);
    return nextAnswer();
  }

  void beginSheet(QWidget* window, const Alert& alert, std::function<void(int)> completion) override {
    alerts.push_back(alert);
    windows.push_back(window != nullptr ? window->window() : nullptr);
    postToMain([completion = std::move(completion), answer = nextAnswer()] { completion(answer); });
  }

  std::optional<std::filesystem::path> chooseFolder(QWidget*, const FolderChooser& chooser) override {
    choosers.push_back(chooser);
    if (folders.empty()) return std::nullopt;
    auto folder = std::move(folders.front());
    folders.pop_front();
    return folder;
  }

  std::vector<std::string> informativeTexts() const {
    std::vector<std::string> texts;
    for (const auto& alert : alerts) texts.push_back(alert.informativeText);
    return texts;
  }

  std::vector<Alert> alerts;
  std::vector<QWidget*> windows;  // the window of each alert, as given (null: none)
  std::deque<int> answers;
  std::vector<FolderChooser> choosers;
  std::deque<std::optional<std::filesystem::path>> folders;

 private:
  int nextAnswer() {
    if (answers.empty()) return alertFirstButtonReturn;
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace app::testing
