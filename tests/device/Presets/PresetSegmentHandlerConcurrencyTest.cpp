#include "device/Model/PresetName.h"
#include "device/Presets/PresetSegmentHandler.h"

#include <gtest/gtest.h>

#include <thread>
#include <time.h>

#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "async/Cancellation.h"
#include "async/TaskHandle.h"
#include "gzip/Gzip.h"

namespace {

using namespace device;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

constexpr std::uint64_t longWait = 5'000'000'000;   // ns; for what must arrive
constexpr std::uint64_t shortWait = 150'000'000;    // ns; for what must not

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The segments a device sends for `data`: slices of `size` bytes, count and index as given.
std::vector<PresetSegment> slices(const Bytes& data, const std::string& name, const std::string& uid,
                                  std::size_t size = 4) {
  std::vector<PresetSegment> out;
  const std::size_t count = (data.size() - 1) / size + 1;
  for (std::size_t i = 0; i < count; ++i) {
    const auto from = data.begin() + static_cast<std::ptrdiff_t>(i * size);
    const auto to = data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), (i + 1) * size));
    out.push_back({name, Bytes(from, to), static_cast<std::int64_t>(i), static_cast<std::int64_t>(count),
                   "Device", uid, std::chrono::steady_clock::now()});
  }
  return out;
}

// What the wait gives: the data, or the text of the error it throws.
struct Outcome {
  std::optional<Bytes> data;
  std::string error;
};

Outcome outcomeOf(const async::TaskHandle<PresetData>& task) {
  try {
    return {task.get().data, ""};
  } catch (const PresetSegmentHandlerError& error) {
    return {std::nullopt, error.errorCase() == PresetSegmentHandlerError::Case::timeout ? "timeout" : "incomplete"};
  } catch (const async::CancellationError&) {
    return {std::nullopt, "cancelled"};
  }
}

Outcome await(const PresetWait& wait, std::uint64_t timeout) {
  return outcomeOf(async::spawn(wait.value(timeout)));
}

void addAll(PresetSegmentHandler& handler, const std::vector<PresetSegment>& segments,
            const std::vector<std::size_t>& order) {
  for (std::size_t at : order) handler.add(segments.at(at));
}

TEST(PresetSegmentHandler, JoinsCompleteSetsInIndexOrder) {
  const Bytes text = bytesOf("<Preset Name=\"Show\"/>");  // 21 bytes: 6 slices of 4
  const Bytes compressed = gzip::gzipped(Bytes(3000, 'z'));
  const struct {
    Bytes sent;
    std::vector<std::size_t> order;  // of the slices
    std::optional<Bytes> published;
  } cases[] = {
      {text, {2, 0, 1, 5, 4, 3}, text},
      {compressed, {}, Bytes(3000, 'z')},                  // zlib data is inflated
      {text, {0, 0, 2, 3, 4, 5}, std::nullopt},           // position 1 missing: nothing published
      {text, {0, 1, 2, 3, 4}, std::nullopt},              // incomplete
  };
  for (const auto& c : cases) {
    const auto handler = PresetSegmentHandler::make();
    const auto wait = handler->waitForPreset("Show", "uid");
    const auto segments = slices(c.sent, "Show", "uid", c.sent == text ? 4 : 16);
    std::vector<std::size_t> order = c.order;
    if (order.empty()) {
      for (std::size_t i = 0; i < segments.size(); ++i) order.push_back(segments.size() - 1 - i);
    }
    addAll(*handler, segments, order);
    const auto outcome = await(wait, c.published ? longWait : shortWait);
    EXPECT_EQ(outcome.data, c.published) << outcome.error;
  }
}

TEST(PresetSegmentHandler, AMismatchedSetIsRemoved) {
  const Bytes text = bytesOf("abcdefgh");
  const auto segments = slices(text, "P", "uid");  // 2 slices
  const auto handler = PresetSegmentHandler::make();
  addAll(*handler, segments, {0, 0});  // complete by count, index 1 missing: removed
  const auto wait = handler->waitForPreset("P", "uid");
  addAll(*handler, segments, {1});     // alone again: not complete
  EXPECT_EQ(await(wait, shortWait).error, "timeout");
  const auto again = handler->waitForPreset("P", "uid");
  addAll(*handler, segments, {0});
  EXPECT_EQ(await(again, longWait).data, text);
}

TEST(PresetSegmentHandler, KeepsDevicesApartAndPublishesEachSetOnce) {
  const Bytes a = bytesOf("from device A"), b = bytesOf("from device B");
  const auto handler = PresetSegmentHandler::make();
  const auto waitA = handler->waitForPreset("Show", "A");
  const auto waitB = handler->waitForPreset("Show", "B");
  const auto waitOther = handler->waitForPreset("Other", "A");
  // A completes while B is still open; B's last segment publishes B alone.
  const auto segmentsA = slices(a, "Show", "A"), segmentsB = slices(b, "Show", "B");
  addAll(*handler, segmentsB, {0, 1, 2});
  addAll(*handler, segmentsA, {0, 1, 2, 3});
  handler->queue().sync([] {});
  const auto waitA2 = handler->waitForPreset("Show", "A");  // registered later: A is published once
  addAll(*handler, segmentsB, {3});
  EXPECT_EQ(await(waitA, longWait).data, a);
  EXPECT_EQ(await(waitB, longWait).data, b);
  EXPECT_EQ(await(waitA2, shortWait).error, "timeout");
  EXPECT_EQ(await(waitOther, shortWait).error, "timeout");
}

TEST(PresetSegmentHandler, DiscardedAndExtraSegmentsDoNotComplete) {
  const Bytes text = bytesOf("0123456789ab");
  const auto segments = slices(text, "P", "uid");  // 3 slices
  const auto handler = PresetSegmentHandler::make();
  addAll(*handler, segments, {0, 1});
  handler->discardSegments("P", "uid");
  const auto wait = handler->waitForPreset("P", "uid");
  addAll(*handler, segments, {2});
  EXPECT_EQ(await(wait, shortWait).error, "timeout");

  const auto wait2 = handler->waitForPreset("P", "uid");
  addAll(*handler, segments, {0, 1});  // complete now
  EXPECT_EQ(await(wait2, longWait).data, text);
  const auto wait3 = handler->waitForPreset("P", "uid");
  addAll(*handler, segments, {2, 0, 1});  // a fourth segment and more: incomplete for good
  EXPECT_EQ(await(wait3, shortWait).error, "timeout");
}

PresetSegment segment(const std::string& name, const std::string& uid, std::size_t size, std::int64_t count) {
  return {name, Bytes(size, 's'), 0, count, "D", uid, std::chrono::steady_clock::now()};
}

TEST(PresetSegmentHandler, BoundsWhatDevicesCanMakeItHold) {
  // Sets nobody waits for: 40 spoofed uids and the first of two segments of "Late" share one
  // allowance. A requested set "P" (zlib data of 4000 bytes) has one of its own. While the queue is
  // held, the second segment of "Late" and the slices of "P" wait in it.
  std::vector<PresetSegment> unwaited;
  for (int i = 0; i < 40; ++i) unwaited.push_back(segment("P", "spoof" + std::to_string(i), 10, 2));
  unwaited.push_back(segment("Late", "x", 7, 2));
  PresetSegment lateEnd = segment("Late", "x", 3, 2);
  lateEnd.index = 1;
  const auto p = slices(gzip::gzipped(Bytes(4000, 'q')), "P", "uid", 8);
  std::vector<PresetSegment> queued = p;
  queued.insert(queued.begin(), lateEnd);

  std::size_t unwaitedBytes = lateEnd.bytes.size() + PresetSegmentHandler::segmentBookkeepingBytes;
  for (const auto& s : unwaited) {
    unwaitedBytes += s.bytes.size() + s.clientUid.size() + s.presetName.size() +
                     PresetSegmentHandler::segmentBookkeepingBytes + PresetSegmentHandler::setBookkeepingBytes;
  }
  std::size_t pBytes = 3 + 1 + PresetSegmentHandler::setBookkeepingBytes, queuedBytes = 0;
  for (const auto& s : p) pBytes += s.bytes.size() + PresetSegmentHandler::segmentBookkeepingBytes;
  for (const auto& s : queued) {
    queuedBytes += s.bytes.size() + s.presetName.size() + s.clientName.size() + s.clientUid.size() +
                   PresetSegmentHandler::queuedBookkeepingBytes;
  }
  ASSERT_LT(pBytes, unwaitedBytes);
  const std::size_t roomy = 1 << 20;
  const struct {
    const char* title;
    device::PresetSegmentLimits limits;
    bool late, p;  // published
  } cases[] = {
      {"all just fit", {unwaitedBytes, 4000, queuedBytes}, true, true},
      {"unwaited one byte over", {unwaitedBytes - 1, 4000, roomy}, false, true},
      {"requested one byte over", {pBytes - 1, 4000, roomy}, false, false},
      {"requested just fits", {pBytes, 4000, roomy}, false, true},
      {"queue one byte over", {roomy, 4000, queuedBytes - 1}, true, false},
      {"inflation one byte over", {roomy, 3999, roomy}, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    const auto handler = PresetSegmentHandler::make(c.limits);
    for (const auto& s : unwaited) {
      handler->add(s);
      handler->queue().sync([] {});  // never more than one in the queue
    }
    std::promise<void> release;
    handler->queue().async([held = release.get_future().share()] { held.wait(); });
    const auto waitLate = handler->waitForPreset("Late", "x");
    const auto waitP = handler->waitForPreset("P", "uid");
    for (const auto& s : queued) handler->add(s);
    release.set_value();
    EXPECT_EQ(await(waitLate, c.late ? longWait : shortWait).data.has_value(), c.late);
    EXPECT_EQ(await(waitP, c.p ? longWait : shortWait).data, c.p ? std::optional(Bytes(4000, 'q')) : std::nullopt);
  }
}

TEST(PresetSegmentHandler, FloodsOfUidsNamesAndCompletedSetsStayCheap) {
  const std::size_t mebibyte = 1 << 20;
  const auto handler = PresetSegmentHandler::make({mebibyte, 4 * mebibyte, mebibyte});
  const Bytes inflating = gzip::gzipped(Bytes(4 * mebibyte, 'z'));
  timespec start{}, end{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
  // Complete sets that inflate to 4 MiB each, then segments of other sets: spoofed uids, many names.
  for (int k = 0; k < 4; ++k) {
    for (const auto& s : slices(inflating, "R" + std::to_string(k), "uid", 1000)) handler->add(s);
  }
  for (int i = 0; i < 20'000; ++i) handler->add(segment("P", "spoof" + std::to_string(i), 200, 2));
  for (int i = 0; i < 20'000; ++i) handler->add(segment("name" + std::to_string(i), "uid", 1, 2));
  handler->queue().sync([] {});
  // A requested set still gets through.
  const auto wait = handler->waitForPreset("Show", "uid");
  addAll(*handler, slices(bytesOf("requested"), "Show", "uid"), {0, 1, 2});
  EXPECT_EQ(await(wait, longWait).data, bytesOf("requested"));
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
  EXPECT_LT(end.tv_sec - start.tv_sec, 5);  // seconds of CPU, sanitizers included
}

TEST(PresetSegmentHandler, WaitsEndOnReleaseAndOnCancellation) {
  auto handler = PresetSegmentHandler::make();
  const auto released = handler->waitForPreset("P", "uid");
  auto waiting = async::spawn(released.value());
  std::this_thread::sleep_for(20ms);
  handler.reset();
  EXPECT_EQ(outcomeOf(waiting).error, "incomplete");

  handler = PresetSegmentHandler::make();
  const auto cancelled = handler->waitForPreset("P", "uid");
  auto task = async::spawn(cancelled.value(longWait));
  std::this_thread::sleep_for(20ms);
  task.cancel();
  EXPECT_EQ(outcomeOf(task).error, "cancelled");
  const auto early = handler->waitForPreset("P", "uid");
  auto before = async::spawn(early.value());
  before.cancel();
  EXPECT_EQ(outcomeOf(before).error, "cancelled");
}

TEST(PresetSegmentHandler, TakesSegmentMessagesFromManyThreads) {
  const auto handler = PresetSegmentHandler::make();
  std::vector<PresetWait> waits;
  std::vector<Bytes> texts;
  for (int d = 0; d < 4; ++d) {
    texts.push_back(bytesOf("preset of device " + std::to_string(d) + std::string(40, 'x')));
    waits.push_back(handler->waitForPreset("Show", "dev" + std::to_string(d)));
  }
  std::vector<std::thread> senders;
  for (int d = 0; d < 4; ++d) {
    senders.emplace_back([&, d] {
      for (const auto& s : slices(texts[d], "Show", "dev" + std::to_string(d))) {
        const auto message = osc::OSCMessage::make(
            "/VELTOapp/control/PresetSeg",
            {osc::OSCValue::string("Show.vup"), osc::OSCValue::blob(s.bytes),
             osc::OSCValue::int32(static_cast<std::int32_t>(s.index)),
             osc::OSCValue::int32(static_cast<std::int32_t>(s.totalCount)), osc::OSCValue::string("Device"),
             osc::OSCValue::string(s.clientUid)});
        EXPECT_TRUE(handler->add(*message));
      }
    });
  }
  for (auto& sender : senders) sender.join();
  for (int d = 0; d < 4; ++d) EXPECT_EQ(await(waits[d], longWait).data, texts[d]) << d;
  EXPECT_FALSE(handler->add(*osc::OSCMessage::make("/VELTOapp/control/PresetSeg", {osc::OSCValue::int32(1)})));
}

TEST(PresetName, FirstUseFromManyThreadsAtOnce) {
  // Each test runs in a process of its own, so this is the expression's first use.
  std::vector<std::thread> threads;
  std::vector<int> ok(8, 0);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&ok, i] {
      ok[i] = PresetName("Show_[bkup_" + std::to_string(i) + "]").backupDate == std::to_string(i);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(ok, std::vector<int>(8, 1));
}

}  // namespace
