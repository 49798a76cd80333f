#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "async/CatchErrorAsyncSequence.h"
#include "async/CombineLatestAsyncSequence.h"
#include "async/Just.h"
#include "async/RemoveDuplicatesAsyncSequence.h"
#include "async/ReplaceErrorAsyncSequence.h"
#include "async/ZipAsyncSequence.h"
#include "tests/async/ScriptedSequence.h"

namespace async {
namespace {

using test::end;
using test::fail;
using test::readNow;
using test::Scripted;
using test::Texts;

struct PullCase {
  std::string name;
  std::vector<Scripted> sources;
  int calls;
  Texts expected;
  std::vector<int> pulls;  // per source, when checked
};

template <class Make>
void runPullCases(const std::vector<PullCase>& cases, Make make) {
  for (const auto& c : cases) {
    const auto s = c.sources;
    const auto answers = s.size() == 2 ? readNow(make(s[0], s[1]), c.calls)
                                       : readNow(make(s[0], s[1], s[2]), c.calls);
    EXPECT_EQ(answers, c.expected) << c.name;
    for (std::size_t i = 0; i < c.pulls.size(); ++i)
      EXPECT_EQ(s[i].pulls(), c.pulls[i]) << c.name << " source " << i;
  }
}

TEST(CombineLatest, repeatsTheLastElementOfEndedSources) {
  runPullCases(
      {
          {"p longer", {{1, 2, 3}, {10}}, 4, {"(1, 10)", "(2, 10)", "(3, 10)", "end"}, {}},
          {"q longer", {{1}, {10, 20, 30}}, 4, {"(1, 10)", "(1, 20)", "(1, 30)", "end"}, {}},
          {"lockstep", {{1, 2}, {10, 20}}, 3, {"(1, 10)", "(2, 20)", "end"}, {}},
          {"both empty", {{}, {}}, 1, {"end"}, {}},
          // p never gives: 10 is remembered but never given out; after the end q keeps losing.
          {"p empty", {{}, {10, 20}}, 2, {"end", "end"}, {2, 2}},
          {"three", {{1, 2}, {10}, {7, 8, 9}}, 4, {"(1, 10, 7)", "(2, 10, 8)", "(2, 10, 9)", "end"}, {}},
          // q's error loses p's 2, which is not remembered: 3 pairs with 20.
          {"q fails", {{1, 2, 3}, {10, fail, 20}}, 3, {"(1, 10)", "error", "(3, 20)"}, {}},
          {"p fails", {{fail, 1}, {10}}, 2, {"error", "(1, 10)"}, {2, 1}},
          // Without end flag a source that ends and starts again is pulled again.
          {"end then more", {{1, end, 2}, {10, 20, 30}}, 3, {"(1, 10)", "(1, 20)", "(2, 30)"}, {}},
      },
      [](const auto&... sources) { return combineLatest(sources...); });
}

TEST(Zip, pairsByPositionAndLosesWhatTheEndMeets) {
  runPullCases(
      {
          {"p longer", {{1, 2, 3}, {10, 20}}, 3, {"(1, 10)", "(2, 20)", "end"}, {3, 3}},
          {"q longer", {{1}, {10, 20}}, 2, {"(1, 10)", "end"}, {2, 2}},
          {"p empty", {{}, {10}}, 1, {"end"}, {1, 1}},
          {"both empty", {{}, {}}, 1, {"end"}, {}},
          {"three", {{1, 2}, {10, 20, 30}, {7}}, 2, {"(1, 10, 7)", "end"}, {2, 2, 2}},
          {"q fails", {{1, 2, 3}, {10, fail, 20}}, 3, {"(1, 10)", "error", "(3, 20)"}, {}},
          {"p fails", {{fail, 1}, {10}}, 2, {"error", "(1, 10)"}, {2, 1}},
          // After the end a longer source loses one more element per call.
          {"after the end", {{1}, {10, 20, 30, 40}}, 3, {"(1, 10)", "end", "end"}, {3, 3}},
      },
      [](const auto&... sources) { return zip(sources...); });
}

TEST(RemoveDuplicates, comparesWithTheElementReceivedJustBefore) {
  struct Case {
    std::string name;
    Scripted base;
    std::function<bool(const int&, const int&)> predicate;  // empty: equality
    int calls;
    Texts expected;
  };
  const std::vector<Case> cases = {
      {"equal", {1, 1, 2, 2, 2, 3, 1}, {}, 5, {"1", "2", "3", "1", "end"}},
      {"empty", {}, {}, 1, {"end"}},
      {"one", {4}, [](const int&, const int&) -> bool { std::abort(); }, 2, {"4", "end"}},
      {"close", {1, 2, 3, 10}, [](const int& a, const int& b) { return std::abs(a - b) <= 1; }, 3,
       {"1", "10", "end"}},
      {"order of arguments", {3, 1, 2, 5, 4}, [](const int& previous, const int& current) {
         return current <= previous;
       }, 4, {"3", "2", "5", "end"}},
      {"error while skipping", {1, 1, fail, 1, 2}, {}, 4, {"1", "error", "2", "end"}},
      {"the end forgets", {1, end, 1}, {}, 3, {"1", "end", "1"}},
  };
  for (const auto& c : cases) {
    const auto answers = c.predicate ? readNow(removeDuplicates(c.base, c.predicate), c.calls)
                                     : readNow(removeDuplicates(c.base), c.calls);
    EXPECT_EQ(answers, c.expected) << c.name;
  }
}

TEST(ErrorOperators, catchErrorSwitchesOnceAndReplaceErrorReplacesEveryThrow) {
  int handlerCalls = 0;
  std::string caught;
  auto handler = [&](std::exception_ptr error) {
    ++handlerCalls;
    try {
      std::rethrow_exception(error);
    } catch (const std::runtime_error&) {
      caught = "error";
    }
    return Scripted{8, fail, 9};
  };
  const auto caughtOnce = catchError(Scripted{1, 2, fail, 3}, handler);
  EXPECT_EQ(readNow(caughtOnce, 6), (Texts{"1", "2", "8", "end", "9", "end"}));
  EXPECT_EQ(handlerCalls, 1);
  EXPECT_EQ(caught, "error");
  EXPECT_EQ(readNow(caughtOnce, 3), (Texts{"1", "2", "8"}));  // a fresh iteration catches anew
  EXPECT_EQ(handlerCalls, 2);
  EXPECT_EQ(readNow(catchError(Scripted{1}, handler), 2), (Texts{"1", "end"}));
  EXPECT_EQ(handlerCalls, 2);

  EXPECT_EQ(readNow(replaceError(Scripted{1, fail}, 0), 3), (Texts{"1", "0", "end"}));
  EXPECT_EQ(readNow(replaceError(Scripted{fail, fail, fail, 5}, 0), 5),
            (Texts{"0", "0", "0", "5", "end"}));
}

}  // namespace
}  // namespace async
