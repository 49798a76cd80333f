// Observers called from several threads: the notification center and progress; thread labels.
#include "platform/NotificationCenter.h"
#include "platform/Progress.h"
#include "platform/ThreadLabel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace platform {
namespace {

TEST(NotificationCenter, deliversByNameAndSender) {
  const int sender = 0, other = 0;
  struct Case {
    std::string observedName;
    const void* observedObject;
    std::string postedName;
    const void* postedObject;
    bool delivered;
  };
  const std::vector<Case> cases = {
      {"A", nullptr, "A", nullptr, true},  {"A", nullptr, "A", &sender, true},
      {"A", nullptr, "B", nullptr, false}, {"A", &sender, "A", &sender, true},
      {"A", &sender, "A", &other, false},  {"A", &sender, "A", nullptr, false},
      {"", nullptr, "B", &other, true},    {"", &sender, "B", &other, false},
  };
  for (const auto& c : cases) {
    NotificationCenter center;
    int calls = 0;
    auto token = center.addObserver(c.observedName, c.observedObject,
                                    [&](const Notification&) { ++calls; });
    center.post(c.postedName, c.postedObject);
    EXPECT_EQ(calls, c.delivered ? 1 : 0) << c.observedName << " <- " << c.postedName;
  }
}

TEST(NotificationCenter, deliversInOrderOnThePostingThreadWithTypedUserInfo) {
  NotificationCenter center;
  std::vector<std::string> seen;
  const auto client = std::make_shared<std::string>("client");
  auto first = center.addObserver("Added", nullptr, [&](const Notification& n) {
    EXPECT_EQ(*n.value<std::shared_ptr<std::string>>("client"), client);
    EXPECT_EQ(n.value<int>("client"), nullptr);  // stored as another type
    EXPECT_EQ(n.value<int>("missing"), nullptr);
    seen.push_back("first");
  });
  const auto poster = std::this_thread::get_id();
  auto second = center.addObserver("Added", nullptr, [&](const Notification& n) {
    EXPECT_EQ(std::this_thread::get_id(), poster);
    seen.push_back(n.value<std::vector<std::string>>("presets")->at(1));
  });
  center.post("Added", nullptr,
              {{"client", client}, {"presets", std::vector<std::string>{"a", "b"}}});
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "b"}));
}

TEST(NotificationCenter, tokensRemoveTheirObserver) {
  auto center = std::make_unique<NotificationCenter>();
  int calls = 0;
  auto count = [&](const Notification&) { ++calls; };
  auto kept = center->addObserver("N", nullptr, count);
  {
    auto dropped = center->addObserver("N", nullptr, count);
    center->post("N");  // both
  }
  ObserverToken moved = std::move(kept);
  EXPECT_FALSE(kept.active());
  center->post("N");  // the moved one only
  kept = center->addObserver("N", nullptr, count);
  kept = ObserverToken();  // move-assigning removes the old registration
  center->post("N");
  EXPECT_EQ(calls, 4);
  center.reset();
  moved.reset();  // the center is gone: nothing to remove
  EXPECT_FALSE(moved.active());
}

TEST(NotificationCenter, callbacksMayAddAndRemoveObserversDuringAPost) {
  NotificationCenter center;
  std::vector<std::string> seen;
  ObserverToken self, later, added;
  self = center.addObserver("N", nullptr, [&](const Notification&) {
    seen.push_back("self");
    self.reset();   // its own registration: the current call goes on
    later.reset();  // not yet called in this post: it is not called at all
    added = center.addObserver("N", nullptr, [&](const Notification&) { seen.push_back("added"); });
    seen.push_back("self still running");
  });
  later = center.addObserver("N", nullptr, [&](const Notification&) { seen.push_back("later"); });
  center.post("N");
  center.post("N");
  EXPECT_EQ(seen, (std::vector<std::string>{"self", "self still running", "added"}));
}

TEST(NotificationCenter, afterRemovalReturnsTheCallbackNeitherRunsNorStartsAgain) {
  NotificationCenter center;
  for (int round = 0; round < 20; ++round) {
    auto state = std::make_shared<std::atomic<int>>(0);  // calls in progress; -1 once removed
    std::atomic<bool> lateCall{false};
    auto token = center.addObserver("N", nullptr, [state, &lateCall](const Notification&) {
      if (state->fetch_add(1) < 0) lateCall = true;
      std::this_thread::yield();
      state->fetch_sub(1);
    });
    std::atomic<bool> stop{false};
    std::vector<std::thread> posters;
    for (int i = 0; i < 3; ++i)
      posters.emplace_back([&] {
        while (!stop) center.post("N");
      });
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    token.reset();
    EXPECT_EQ(state->exchange(-1000), 0) << "a call was still running after removal";
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    stop = true;
    for (auto& poster : posters) poster.join();
    EXPECT_FALSE(lateCall);
  }
}


TEST(ProgressConcurrency, CountsFromManyThreadsWhileObserversComeAndGo) {
  constexpr int threads = 4, steps = 2000;
  Progress progress(threads * steps);
  std::atomic<std::int64_t> highest{0};
  auto counting = progress.observe([&](Progress::Key, std::int64_t value) {
    for (std::int64_t seen = highest.load(); value > seen && !highest.compare_exchange_weak(seen, value);) {
    }
  });
  std::atomic<bool> done{false};
  std::thread churn([&] {
    while (!done) progress.observe([&](Progress::Key, std::int64_t) { (void)progress.totalUnitCount(); }).end();
  });
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([&] {
      for (int i = 0; i < steps; ++i) progress.addCompletedUnits();
    });
  for (auto& worker : workers) worker.join();
  done = true;
  churn.join();
  EXPECT_EQ(progress.completedUnitCount(), threads * steps);
  EXPECT_EQ(highest.load(), threads * steps);
}

using K = Progress::Key;
using Changes = std::vector<std::pair<K, std::int64_t>>;

TEST(Progress, ObserversSeeEachChangeUntilTheirObservationEnds) {
  auto progress = std::make_unique<Progress>();
  Changes first, second;
  auto observation = progress->observe([&](K key, std::int64_t value) { first.emplace_back(key, value); });
  {
    const auto shortLived = progress->observe([&](K key, std::int64_t value) { second.emplace_back(key, value); });
    progress->setTotalUnitCount(4);
  }
  progress->setCompletedUnitCount(1);
  progress->addCompletedUnits(2);
  EXPECT_DOUBLE_EQ(progress->fractionCompleted(), 0.75);
  Progress::Observation moved = std::move(observation);
  progress->addCompletedUnits();
  moved.end();
  progress->setTotalUnitCount(0);
  EXPECT_EQ(first, (Changes{{K::totalUnitCount, 4}, {K::completedUnitCount, 1}, {K::completedUnitCount, 3},
                            {K::completedUnitCount, 4}}));
  EXPECT_EQ(second, (Changes{{K::totalUnitCount, 4}}));
  EXPECT_DOUBLE_EQ(progress->fractionCompleted(), 0.0);

  // Observers run outside the lock: they may change the progress and end observations, their own
  // included. An observation may outlive its progress.
  int calls = 0;
  Progress::Observation self = progress->observe([&](K key, std::int64_t) {
    ++calls;
    if (key == K::totalUnitCount) progress->setCompletedUnitCount(0);
    self.end();
  });
  progress->setTotalUnitCount(5);
  progress->addCompletedUnits();
  EXPECT_EQ(calls, 2);  // the total, then the nested change; nothing after the end
  auto late = progress->observe([](K, std::int64_t) {});
  progress.reset();
}

TEST(ThreadLabel, ScopedLabelsNestAndEachThreadHasItsOwn) {
  EXPECT_EQ(platform::threadLabel(), "");
  {
    platform::ScopedThreadLabel outer("OSCServer Delegate 9999");
    {
      platform::ScopedThreadLabel inner("tallylog-queue-1");
      EXPECT_EQ(platform::threadLabel(), "tallylog-queue-1");
    }
    EXPECT_EQ(platform::threadLabel(), "OSCServer Delegate 9999");
    std::string seenElsewhere = "unset";
    std::thread([&] { seenElsewhere = platform::threadLabel(); }).join();
    EXPECT_EQ(seenElsewhere, "");
  }
  EXPECT_EQ(platform::threadLabel(), "");
}

}  // namespace
}  // namespace platform
