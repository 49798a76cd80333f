#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "async/MergeAsyncSequence.h"
#include "tests/async/ScriptedSequence.h"
#include "tests/support/Eventually.h"

namespace async {
namespace {

using namespace std::chrono_literals;
using test::fail;
using test::other;
using test::readNow;
using test::Scripted;
using test::Step;
using test::Texts;

Scripted timed(std::vector<Step> steps) { return Scripted(std::move(steps)); }

TEST(Merge, deliversEverySourceInArrivalOrderThenTheEnd) {
  struct Case {
    std::string name;
    std::vector<Scripted> sources;
    int calls;
    Texts expected;  // sorted, with the end or error last
  };
  const std::vector<Case> cases = {
      {"two", {{1, 2}, {10}}, 4, {"1", "10", "2", "end"}},
      {"one empty", {{}, {5, 6}}, 3, {"5", "6", "end"}},
      {"both empty", {{}, {}}, 1, {"end"}},
      {"three", {{1}, {2, 3}, {}}, 4, {"1", "2", "3", "end"}},
  };
  for (const auto& c : cases) {
    const auto& s = c.sources;
    const auto merged = s.size() == 2 ? readNow(merge(s[0], s[1]), c.calls)
                                      : readNow(merge(s[0], s[1], s[2]), c.calls);
    auto sorted = merged;
    std::sort(sorted.begin(), sorted.end() - 1);
    EXPECT_EQ(sorted, c.expected) << c.name;
    // Within one source the order is kept.
    if (c.name == "two") {
      EXPECT_LT(std::find(merged.begin(), merged.end(), "1"),
                std::find(merged.begin(), merged.end(), "2"));
    }
  }
}

TEST(Merge, theFirstSourceInOrderDecidesTheError) {
  struct Case {
    std::string name;
    Scripted p, q;
    Texts expected;
  };
  const std::vector<Case> cases = {
      // q waits long: it is cancelled once p's error ends the merge.
      {"first fails", Scripted{1, fail}, timed({{2, 5s}}), {"1", "error", "end"}},
      // q's error waits for p's end; p's elements keep coming meanwhile.
      {"second fails first", timed({{1, 20ms}, {2, 20ms}}), Scripted{other}, {"1", "2", "other", "end"}},
      {"both fail", timed({{1, 20ms}, {fail, 20ms}}), Scripted{other}, {"1", "error", "end"}},
  };
  for (const auto& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(readNow(merge(c.p, c.q), static_cast<int>(c.expected.size())), c.expected) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << c.name;
  }
}

TEST(Merge, releasingTheIteratorCancelsEverySource) {
  const auto p = timed({{1, 10s}}), q = timed({{2, 10s}}), r = timed({{3, 10s}});
  {
    auto iterator = merge(p, q, r).makeAsyncIterator();
    std::this_thread::sleep_for(20ms);  // every source waits in next()
  }
  const auto cancellations = [&] { return p.cancellations() + q.cancellations() + r.cancellations(); };
  testsupport::eventually([&] { return cancellations() == 3; }, 2s);
  EXPECT_EQ(cancellations(), 3);
}

TEST(Merge, cancellingTheReaderCancelsTheSources) {
  const auto p = timed({{1, 10s}}), q = timed({{2, 10s}});
  auto reader = test::reading(merge(p, q), 2);
  std::this_thread::sleep_for(20ms);
  reader.cancel();
  EXPECT_EQ(reader.get(), (Texts{"end", "end"}));
  testsupport::eventually([&] { return p.cancellations() + q.cancellations() == 2; }, 2s);
  EXPECT_EQ(p.cancellations() + q.cancellations(), 2);
}

TEST(Merge, eachIteratorRunsItsOwnProducer) {
  const Scripted p{1, 2}, q{3};
  const auto merged = merge(p, q);
  EXPECT_EQ(readNow(merged, 4).size(), 4u);
  EXPECT_EQ(readNow(merged, 4).back(), "end");
  EXPECT_EQ(p.pulls(), 6);  // two fresh iterations of three pulls each
}

}  // namespace
}  // namespace async
