// Sources fed from outside: timers, notifications and subjects.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "async/CurrentElementAsyncSequence.h"
#include "async/NotificationCenterAsyncSequence.h"
#include "async/PassthroughAsyncSequence.h"
#include "async/TimerAsyncSequence.h"
#include "tests/async/ScriptedSequence.h"

namespace async {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Reads dates until the end (at most `limit`); gives when each arrived, relative to `start`.
TaskHandle<std::vector<Clock::duration>> readTicks(TimerAsyncSequence::Iterator iterator,
                                                   Clock::time_point start, int limit = 1000) {
  auto run = [](TimerAsyncSequence::Iterator it, Clock::time_point from,
                int n) -> asio::awaitable<std::vector<Clock::duration>> {
    std::vector<Clock::duration> arrivals;
    while (static_cast<int>(arrivals.size()) < n) {
      auto date = co_await it.next();
      if (!date) break;
      arrivals.push_back(Clock::now() - from);
    }
    co_return arrivals;
  };
  return spawn(run(std::move(iterator), start, limit));
}

TEST(TimerSource, ticksOneIntervalApartFromTheIterator) {
  TimerAsyncSequence timer(0.03);
  std::this_thread::sleep_for(40ms);  // nothing runs before the iterator
  const auto start = Clock::now();
  const auto ticks = readTicks(timer.makeAsyncIterator(), start, 3).get();
  ASSERT_EQ(ticks.size(), 3u);
  EXPECT_GE(ticks[0], 30ms);
  for (std::size_t i = 1; i < ticks.size(); ++i) EXPECT_GE(ticks[i] - ticks[i - 1], 25ms);
  timer.cancel();
}

TEST(TimerSource, cancellingOrReleasingFinishesTheTicks) {
  struct Case {
    const char* name;
    std::chrono::milliseconds before;  // ticking time before the stop
    bool release;                      // drop the timer instead of cancel()
  };
  const std::vector<Case> cases = {
      {"cancel at once", 0ms, false},  // may meet the task before its first sleep
      {"cancel while sleeping", 75ms, false},
      {"release", 75ms, true},
  };
  for (const auto& c : cases) {
    std::optional<TimerAsyncSequence> timer(std::in_place, 0.02);
    auto iterator = timer->makeAsyncIterator();
    std::this_thread::sleep_for(c.before);
    const auto stop = Clock::now();
    if (c.release)
      timer.reset();
    else
      timer->cancel();
    // The buffered dates, then the end (a timer ticking on would be read up to 1000 times).
    const auto ticks = readTicks(std::move(iterator), stop).get();
    EXPECT_LE(ticks.size(), 5u) << c.name;
    if (c.before > 0ms) {
      EXPECT_GE(ticks.size(), 1u) << c.name;
    }
  }
}

TEST(TimerSource, aSecondIteratorReplacesTheTickingTask) {
  TimerAsyncSequence timer(0.02);
  auto first = timer.makeAsyncIterator();
  std::this_thread::sleep_for(10ms);
  const auto start = Clock::now();
  auto second = timer.makeAsyncIterator();  // the first task stops without finishing the subject
  const auto ticks = readTicks(std::move(second), start, 5).get();
  ASSERT_EQ(ticks.size(), 5u);
  EXPECT_GE(ticks.back(), 5 * 20ms - 12ms);  // one task's pace, not two
  timer.cancel();
  EXPECT_TRUE(readTicks(std::move(first), start).get().size() <= 2u);  // then the end
}

using Iterator = NotificationCenterAsyncSequence::Iterator;

TaskHandle<std::vector<std::string>> readNames(std::shared_ptr<Iterator> iterator, int calls) {
  auto run = [](std::shared_ptr<Iterator> it, int n) -> asio::awaitable<std::vector<std::string>> {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) {
      auto notification = co_await it->next();
      names.push_back(notification ? std::to_string(*notification->value<int>("n")) : "end");
    }
    co_return names;
  };
  return spawn(run(std::move(iterator), calls));
}

TEST(NotificationSource, deliversMatchingNotificationsPostedAfterTheIterator) {
  platform::NotificationCenter center;
  const int sender = 0, other = 0;
  center.post("Changed", &sender, {{"n", 0}});  // before the iterator: not seen
  NotificationCenterAsyncSequence fromSender(center, "Changed", &sender);
  NotificationCenterAsyncSequence fromAnyone(center, "Changed");
  auto onlySender = std::make_shared<Iterator>(fromSender.makeAsyncIterator());
  auto anyone = std::make_shared<Iterator>(fromAnyone.makeAsyncIterator());
  center.post("Changed", &other, {{"n", 1}});
  center.post("Other", &sender, {{"n", 2}});
  center.post("Changed", &sender, {{"n", 3}});
  EXPECT_EQ(readNames(onlySender, 1).get(), std::vector<std::string>{"3"});
  EXPECT_EQ(readNames(anyone, 2).get(), (std::vector<std::string>{"1", "3"}));
}

TEST(NotificationSource, endingOrDestroyingTheIteratorRemovesItsObserver) {
  platform::NotificationCenter center;
  NotificationCenterAsyncSequence changes(center, "Changed");
  // A posted value stays referenced while a registration buffers it.
  auto tracker = std::make_shared<int>(0);
  auto referencesAfterPost = [&] {
    center.post("Changed", nullptr, {{"n", 7}, {"tracker", tracker}});
    return tracker.use_count();
  };

  auto waiting = std::make_shared<Iterator>(changes.makeAsyncIterator());
  auto answers = readNames(waiting, 2);
  std::this_thread::sleep_for(10ms);
  answers.cancel();
  EXPECT_EQ(answers.get(), (std::vector<std::string>{"end", "end"}));
  EXPECT_EQ(referencesAfterPost(), 1);

  auto dropped = std::make_optional(changes.makeAsyncIterator());
  EXPECT_EQ(referencesAfterPost(), 2);
  dropped.reset();
  EXPECT_EQ(tracker.use_count(), 1);
  EXPECT_EQ(referencesAfterPost(), 1);
}

using test::read;
using test::Texts;

// Reads `calls` answers from an iterator made now, in a task of its own.
template <class Subject>
TaskHandle<Texts> reader(const Subject& subject, int calls) {
  auto run = [](typename Subject::Iterator iterator, int n) -> asio::awaitable<Texts> {
    co_return co_await read(iterator, n);
  };
  return spawn(run(subject.makeAsyncIterator(), calls));
}

TEST(Subjects, passthroughDeliversInOrderUntilTheFinish) {
  using Subject = ThrowingPassthroughAsyncSequence<int>;
  struct Case {
    std::string name;
    std::function<void(const Subject&)> feed;  // before the first iterator is made
    Texts expected;                            // of four reads
  };
  const auto error = std::make_exception_ptr(std::runtime_error("error"));
  const std::vector<Case> cases = {
      {"finish", [](const Subject& s) { s.send(1); s.send(2); s.finish(); s.send(3); },
       {"1", "2", "end", "end"}},
      {"send and finish", [](const Subject& s) { s.sendAndFinish(9); }, {"9", "end", "end", "end"}},
      {"error", [&](const Subject& s) { s.send(1); s.finish(error); }, {"1", "error", "end", "end"}},
      {"a copy feeds the same stream",
       [](const Subject& s) { Subject copy = s; copy.send(5); s.send(6); copy.finish(); },
       {"5", "6", "end", "end"}},
      {"the last copy going finishes", [](const Subject&) {}, {"end", "end", "end", "end"}},
  };
  for (const auto& c : cases) {
    std::optional<Subject> subject(std::in_place);
    c.feed(*subject);
    auto answers = reader(*subject, 4);
    subject.reset();
    EXPECT_EQ(answers.get(), c.expected) << c.name;
  }
}

TEST(Subjects, releasingTheSubjectEndsAWaitingReader) {
  std::optional<PassthroughAsyncSequence<int>> subject(std::in_place);
  auto answers = reader(*subject, 2);
  std::this_thread::sleep_for(10ms);  // the reader waits in next()
  subject->send(1);
  subject.reset();
  EXPECT_EQ(answers.get(), (Texts{"1", "end"}));
}

TEST(Subjects, iteratorsShareOneBufferWithoutReplay) {
  PassthroughAsyncSequence<int> subject;
  for (int i = 1; i <= 3; ++i) subject.send(i);
  EXPECT_EQ(reader(subject, 2).get(), (Texts{"1", "2"}));
  EXPECT_EQ(reader(subject, 1).get(), Texts{"3"});
  auto late = reader(subject, 2);
  subject.send(4);
  subject.finish();
  EXPECT_EQ(late.get(), (Texts{"4", "end"}));
}

TEST(Subjects, cancellingTheReaderEndsTheStream) {
  PassthroughAsyncSequence<int> subject;
  auto answers = reader(subject, 2);
  std::this_thread::sleep_for(10ms);
  answers.cancel();
  EXPECT_EQ(answers.get(), (Texts{"end", "end"}));
  subject.send(1);  // dropped
  EXPECT_EQ(reader(subject, 1).get(), Texts{"end"});
}

TEST(Subjects, currentElementKeepsTheLastElementSent) {
  CurrentElementAsyncSequence<std::string> subject("A");
  EXPECT_EQ(reader(subject, 1).get(), Texts{"A"});
  subject.send("B");
  subject.finish();
  subject.send("C");  // dropped by the stream, yet current
  EXPECT_EQ(subject.element(), "C");
  EXPECT_EQ(reader(subject, 2).get(), (Texts{"B", "end"}));

  std::optional<CurrentElementAsyncSequence<std::string>> released(std::in_place, "X");
  auto answers = reader(*released, 2);
  released.reset();
  EXPECT_EQ(answers.get(), (Texts{"X", "end"}));
}

TEST(Subjects, concurrentSendersLoseNothing) {
  CurrentElementAsyncSequence<int> subject(0);
  auto answers = reader(subject, 4 * 250 + 2);
  std::vector<std::thread> senders;
  for (int t = 0; t < 4; ++t)
    senders.emplace_back([&] {
      for (int i = 1; i <= 250; ++i) subject.send(i);
    });
  for (auto& sender : senders) sender.join();
  subject.finish();
  const auto seen = answers.get();
  EXPECT_EQ(seen.size(), 4u * 250 + 2);
  EXPECT_EQ(seen.front(), "0");
  EXPECT_EQ(seen[seen.size() - 2], std::to_string(subject.element()));
  EXPECT_EQ(seen.back(), "end");
}

}  // namespace
}  // namespace async
