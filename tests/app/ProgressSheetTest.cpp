#include "app/PresetManager/ProgressSheet.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace app {
namespace {

struct Recorder {
  std::vector<std::string> events;
  void attach(ProgressSheet& sheet) {
    sheet.finishedHandler = [this, &sheet] {
      events.push_back(sheet.isShown() ? "finished while shown" : "finished");
    };
    sheet.cancelHandler = [this] { events.push_back("cancel"); };
  }
};

TEST(ProgressSheetTest, ClosesExactlyWhenTheValueReachesANonZeroMaximum) {
  struct Case {
    int maxValue;
    std::vector<int> values;
    std::vector<bool> shownAfter;
    int finishedCount;
  };
  const std::vector<Case> cases{
      {3, {1, 2, 3}, {true, true, false}, 1},
      {3, {1, 2, 4}, {true, true, true}, 0},
      {0, {0, 0}, {true, true}, 0},
      {3, {0}, {true}, 0},
      // Without a count the logical maximum is 100.
      {0, {50, 100}, {true, false}, 1},
      {1, {1}, {false}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "maximum " << c.maxValue);
    ProgressSheet sheet;
    Recorder recorder;
    recorder.attach(sheet);
    sheet.present();
    sheet.setMaxValue(c.maxValue);
    EXPECT_EQ(sheet.isIndeterminate(), c.maxValue == 0);
    EXPECT_EQ(sheet.maximum(), c.maxValue == 0 ? 100 : c.maxValue);
    for (std::size_t i = 0; i < c.values.size(); ++i) {
      sheet.setValue(c.values[i]);
      EXPECT_EQ(sheet.isShown(), c.shownAfter[i]) << "after " << c.values[i];
    }
    EXPECT_EQ(recorder.events, std::vector<std::string>(c.finishedCount, "finished"));
  }
}

TEST(ProgressSheetTest, CancelClosesThenRunsFinishedThenCancel) {
  ProgressSheet sheet;
  Recorder recorder;
  recorder.attach(sheet);
  sheet.present();
  sheet.setMaxValue(5);
  sheet.setValue(2);
  sheet.cancelPressed();
  EXPECT_FALSE(sheet.isShown());
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"finished", "cancel"}));
  // A second press (a late Esc) on the closed sheet does nothing.
  sheet.cancelPressed();
  EXPECT_EQ(recorder.events.size(), 2u);
}

TEST(ProgressSheetTest, CancelRunsTheCancelHandlerOfTheOperationThatWasShown) {
  ProgressSheet sheet;
  std::vector<std::string> events;
  sheet.cancelHandler = [&] { events.push_back("first cancelled"); };
  // An owner that reacts to the close by presenting the next operation at once.
  sheet.finishedHandler = [&] {
    sheet.cancelHandler = [&] { events.push_back("second cancelled"); };
    sheet.finishedHandler = nullptr;
  };
  sheet.present();
  sheet.cancelPressed();
  EXPECT_EQ(events, std::vector<std::string>{"first cancelled"});
}

TEST(ProgressSheetTest, ANewShowingStartsEmptyAndAnOwnersCloseRunsNoHandler) {
  ProgressSheet sheet;
  Recorder recorder;
  recorder.attach(sheet);
  sheet.title = "Deleting Presets";
  sheet.subtitle = "on Stage";
  sheet.present();
  sheet.setMaxValue(3);
  sheet.setStatus("Deleting 2/3");
  sheet.setValue(2);
  EXPECT_EQ(sheet.statusText(), "Deleting 2/3");
  sheet.closeByOwner();  // no handler runs
  EXPECT_FALSE(sheet.isShown());

  sheet.title = "Copying Presets";
  sheet.subtitle.reset();
  sheet.present();
  EXPECT_EQ(sheet.titleText(), "Copying Presets");
  EXPECT_EQ(sheet.subtitleText(), "");
  EXPECT_EQ(sheet.statusText(), "");
  EXPECT_EQ(sheet.status(), "Deleting 2/3");
  EXPECT_EQ(sheet.value(), 0);
  EXPECT_TRUE(recorder.events.empty());
}

}  // namespace
}  // namespace app
