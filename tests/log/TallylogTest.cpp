#include "RecordingDestination.h"
#include "log/ConsoleDestination.h"
#include "log/Tallylog.h"
#include "platform/ThreadLabel.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <sstream>
#include <thread>

namespace tallylog {
namespace {

using Level = Tallylog::Level;
using testing::RecordingDestination;

class TallylogTest : public ::testing::Test {
 protected:
  void SetUp() override { Tallylog::removeAllDestinations(); }
  void TearDown() override { Tallylog::removeAllDestinations(); }
};

TEST_F(TallylogTest, DestinationSet) {
  const auto console = std::make_shared<ConsoleDestination>();
  EXPECT_TRUE(Tallylog::addDestination(console));
  EXPECT_FALSE(Tallylog::addDestination(console));
  EXPECT_TRUE(Tallylog::addDestination(std::make_shared<ConsoleDestination>()));
  EXPECT_FALSE(Tallylog::removeDestination(std::make_shared<ConsoleDestination>()));
  EXPECT_EQ(Tallylog::countDestinations(), 2);
  EXPECT_TRUE(Tallylog::removeDestination(console));
  EXPECT_FALSE(Tallylog::removeDestination(console));
  Tallylog::removeAllDestinations();
  EXPECT_EQ(Tallylog::countDestinations(), 0);
  EXPECT_TRUE(Tallylog::flush(0));

  // A destination that the set lets go is destroyed outside the set's lock.
  struct ReadsTheSetWhenDestroyed : RecordingDestination {
    ~ReadsTheSetWhenDestroyed() override { EXPECT_EQ(Tallylog::countDestinations(), 0); }
  };
  Tallylog::addDestination(std::make_shared<ReadsTheSetWhenDestroyed>());
  Tallylog::removeAllDestinations();
}

TEST_F(TallylogTest, MessageIsProducedOnlyWhenNeeded) {
  int produced = 0;
  const auto message = [&] {
    ++produced;
    return "text";
  };
  Tallylog::info(message, "f.cpp", "g()", 1);
  EXPECT_EQ(produced, 0) << "no destination";

  const auto infoOnly = std::make_shared<RecordingDestination>();
  infoOnly->minLevel = Level::info;
  Tallylog::addDestination(infoOnly);
  Tallylog::verbose(message, "f.cpp", "g()", 1);
  EXPECT_EQ(produced, 0) << "filtered out by level";

  const auto second = std::make_shared<RecordingDestination>();
  Tallylog::addDestination(second);
  Tallylog::info(message, "f.cpp", "g()", 1);
  EXPECT_EQ(produced, 2) << "once per destination without a message filter";

  ASSERT_TRUE(Tallylog::flush(10));
  EXPECT_EQ(infoOnly->calls().size(), 1u);
  EXPECT_EQ(second->calls().size(), 1u);

  Tallylog::removeDestination(infoOnly);
  const auto third = std::make_shared<RecordingDestination>();
  Tallylog::addDestination(third);
  second->addFilter(Filters::Message::contains({"text"}));
  third->addFilter(Filters::Message::contains({"other"}, false, true));
  Tallylog::info(message, "f.cpp", "g()", 1);
  EXPECT_EQ(produced, 3) << "once before the first filter test, then shared";
  ASSERT_TRUE(Tallylog::flush(10));
  EXPECT_EQ(second->calls().size(), 2u);
  EXPECT_EQ(third->calls().size(), 0u);
}

TEST_F(TallylogTest, FunctionNamesAreShortened) {
  const std::pair<const char*, const char*> cases[] = {{"connect(to:endpoint:)", "connect()"},
      {"description", "description()"}, {"init()", "init()"}, {"a(b(c))", "a()"}, {"", "()"}};
  for (const auto& [given, shown] : cases) EXPECT_EQ(Tallylog::shortenedFunctionName(given), shown);

  const auto recorder = std::make_shared<RecordingDestination>();
  recorder->setAsynchronously(false);
  Tallylog::addDestination(recorder);
  const auto expectedLine = __LINE__ + 1;
  TALLYLOG_WARNING(std::string("count ") + std::to_string(3));
  ASSERT_EQ(recorder->calls().size(), 1u);
  const auto call = recorder->calls().front();
  EXPECT_EQ(std::tie(call.message, call.function, call.file, call.line, call.level),
            std::make_tuple("count 3", "TestBody()", __FILE__, expectedLine, Level::warning));

  recorder->format = "$M $X";
  TALLYLOG_ERROR("with context",
                 std::make_shared<const nlohmann::json>(nlohmann::json{{"user", "ann"}}));
  EXPECT_EQ(recorder->calls().back().text, R"(with context {"user":"ann"})");
}

TEST_F(TallylogTest, ThreadNamesAndQueueLabels) {
  const auto asynchronous = std::make_shared<RecordingDestination>();
  const auto recorder = std::make_shared<RecordingDestination>();
  recorder->setAsynchronously(false);
  Tallylog::addDestination(asynchronous);
  Tallylog::addDestination(recorder);
  TALLYLOG_INFO("main");
  std::thread([] {
    TALLYLOG_INFO("unlabelled");
    platform::ScopedThreadLabel label("OSCServer Delegate 9999");
    TALLYLOG_INFO("labelled");
    platform::setThreadLabel("bad \xFF");
    TALLYLOG_INFO("invalid label");
  }).join();
  ASSERT_TRUE(Tallylog::flush(10));
  const auto calls = recorder->calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].thread + calls[1].thread + "|" + calls[2].thread, "|OSCServer Delegate 9999");
  EXPECT_TRUE(calls[3].thread.starts_with("<Thread: ")) << calls[3].thread;
  // Each destination runs on its own labelled queue.
  EXPECT_EQ(asynchronous->calls().at(0).queueLabel, asynchronous->queue().label());
  EXPECT_EQ(calls[0].queueLabel, recorder->queue().label());
  EXPECT_NE(asynchronous->queue().label(), recorder->queue().label());
  EXPECT_THAT(recorder->queue().label(), ::testing::MatchesRegex("tallylog-queue-[-0-9A-F]{36}"));
}

TEST_F(TallylogTest, CallsFromManyThreadsStayInOrderPerThread) {
  const auto asynchronous = std::make_shared<RecordingDestination>();
  const auto synchronous = std::make_shared<RecordingDestination>();
  synchronous->setAsynchronously(false);
  const auto console = std::make_shared<ConsoleDestination>();
  console->format = "$T|$M";
  Tallylog::addDestination(asynchronous);
  Tallylog::addDestination(synchronous);
  Tallylog::addDestination(console);
  ::testing::internal::CaptureStdout();
  constexpr int threads = 8;
  constexpr int callsPerThread = 200;
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([t] {
      platform::ScopedThreadLabel label("worker " + std::to_string(t));
      for (int i = 0; i < callsPerThread; ++i) TALLYLOG_INFO(std::to_string(i));
    });
  }
  for (auto& worker : workers) worker.join();
  ASSERT_TRUE(Tallylog::flush(30));
  std::istringstream printed(::testing::internal::GetCapturedStdout());
  std::map<std::string, int> nextPrinted;
  int printedLines = 0;
  for (std::string line; std::getline(printed, line); ++printedLines) {
    const auto bar = line.find('|');
    ASSERT_NE(bar, std::string::npos) << line;
    EXPECT_EQ(line.substr(bar + 1), std::to_string(nextPrinted[line.substr(0, bar)]++)) << line;
  }
  EXPECT_EQ(printedLines, threads * callsPerThread);
  for (const auto& destination : {asynchronous, synchronous}) {
    std::map<std::string, int> next;
    const auto calls = destination->calls();
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(threads * callsPerThread));
    for (const auto& call : calls) {
      EXPECT_EQ(call.message, std::to_string(next[call.thread]++)) << call.thread;
      EXPECT_TRUE(call.text.ends_with(" - " + call.message)) << call.text;
    }
  }
}

TEST_F(TallylogTest, ApplicationConsoleLine) {
  const auto console = std::make_shared<ConsoleDestination>();
  console->minLevel = Level::info;
  console->format = "$DHH:mm:ss.SSS$d $C$L$c $N.$F:$l - $M $X";
  Tallylog::addDestination(console);
  ::testing::internal::CaptureStdout();
  Tallylog::verbose("hidden", "/src/net/Socket.cpp", "connect(to:endpoint:)", 12);
  Tallylog::info("Connected", "/src/net/Socket.cpp", "connect(to:endpoint:)", 12);
  Tallylog::error("m", "/a/Socket.cpp", "connect()", 7, std::make_shared<const nlohmann::json>(42));
  ASSERT_TRUE(Tallylog::flush(10));
  std::istringstream out(::testing::internal::GetCapturedStdout());
  std::vector<std::string> lines;
  for (std::string line; std::getline(out, line);) lines.push_back(testing::afterTimeOfDay(line));
  EXPECT_EQ(lines, (std::vector<std::string>{" \U0001F499 INFO Socket.connect():12 - Connected",
                                             " \u2764\uFE0F ERROR Socket.connect():7 - m 42"}));
}

}  // namespace
}  // namespace tallylog
