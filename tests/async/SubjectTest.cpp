#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "async/CurrentElementAsyncSequence.h"
#include "async/PassthroughAsyncSequence.h"
#include "tests/async/ScriptedSequence.h"

namespace async {
namespace {

using namespace std::chrono_literals;
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
