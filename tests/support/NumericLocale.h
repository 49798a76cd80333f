#pragma once
// Switches the process's LC_NUMERIC to a locale with a decimal comma for the life of the object,
// so that number-text tests prove they do not depend on the C locale. available() is false when
// no such locale is installed; tests then skip with a message.

#include <clocale>
#include <string>

namespace testsupport {

class NumericLocale {
 public:
  NumericLocale() {
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    previous_ = current ? current : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
      if (std::setlocale(LC_NUMERIC, name)) {
        name_ = name;
        return;
      }
    }
  }
  ~NumericLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
  NumericLocale(const NumericLocale&) = delete;
  NumericLocale& operator=(const NumericLocale&) = delete;

  bool available() const { return !name_.empty(); }

 private:
  std::string previous_;
  std::string name_;
};

}  // namespace testsupport
