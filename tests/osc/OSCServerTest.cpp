// The server against liblo as sender on 127.0.0.1: sequences, dispatcher, delegate, endpoints,
// lifecycle (stop and restart, failed bind, the last owner or a stop on the reader's thread); waiting
// for replies: match, time-out, `since`, sender, message or bundle source, stop, cancel.

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "osc/OSCClient.h"
#include "osc/OSCMessage.h"
#include "osc/OSCObjectDispatcher.h"
#include "osc/SharedBufferedAsyncSequence.h"
#include "platform/ThreadLabel.h"
#include "tests/osc/TransportTesting.h"

namespace osc {
namespace {

using test::loMessage;
using test::LoPeer;
using test::Running;
using test::takeNow;
using Strings = std::vector<std::string>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string endpointEvent(const LoPeer& peer) { return "endpoint 127.0.0.1:" + std::to_string(peer.port()); }

// A message, then a bundle {/B, {/C, /D}, /E}: each on allMessages and at the dispatcher (on the
// delegate queue) in order with its sender and time, one object for the bundle.
TEST(OSCServer, deliversLiblosMessagesAndNestedBundlesOnEveryRoad) {
  Running r;
  auto handled = std::make_shared<async::test::EventLog<std::string>>();
  r.server->dispatcher().register_(*OSCAddressPattern::make("/*"), [handled](const auto&, const OSCMessage& m) {
    handled->record(m.address().address() + " on " + platform::threadLabel());
  });
  const auto before = std::chrono::steady_clock::now();
  r.peer.send(r.port, "/A", loMessage(1).get());
  lo_bundle outer = lo_bundle_new(LO_TT_IMMEDIATE);
  lo_bundle inner = lo_bundle_new(LO_TT_IMMEDIATE);
  // The outer bundle owns everything added to it.
  lo_bundle_add_message(outer, "/B", loMessage(2).release());
  lo_bundle_add_message(inner, "/C", loMessage(3).release());
  lo_bundle_add_message(inner, "/D", loMessage(4).release());
  lo_bundle_add_bundle(outer, inner);
  lo_bundle_add_message(outer, "/E", loMessage(5).release());
  r.peer.send(r.port, outer);
  lo_bundle_free_recursive(outer);

  const auto objects = takeNow(*r.server->objects(), 2);
  ASSERT_TRUE(objects.at(1).isBundle());
  EXPECT_EQ(takeNow(*r.server->objectsOfType<OSCBundle>(), 1).at(0), *objects[1].bundle());
  const auto messages = takeNow(*r.server->allMessages(), 5);
  const Strings order{"/A", "/B", "/C", "/D", "/E"};
  ASSERT_EQ(test::addresses(messages), order);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(messages[k].values(), (std::vector<OSCValue>{OSCValue::int32(k + 1)}));
    EXPECT_EQ(messages[k].endpoint(), (OSCEndpoint{"127.0.0.1", r.peer.port()}));
    EXPECT_GT(*messages[k].receiveTime(), before);
    EXPECT_EQ(messages[k].receiveTime(), objects[k == 0 ? 0 : 1].receiveTime());
  }
  ASSERT_TRUE(handled->waitFor(5));
  for (int k = 0; k < 5; ++k) EXPECT_EQ(handled->values()[k], order[k] + " on OSCServer Delegate 0");

  // Each sender, by host and port, is noted once, in the order first heard.
  LoPeer second;
  second.send(r.port, "/c", loMessage(4).get());
  r.peer.send(r.port, "/c", loMessage(5).get());
  takeNow(*r.server->allMessages(), 7);
  EXPECT_EQ(r.server->endpoints(),
            (std::vector<OSCEndpoint>{{"127.0.0.1", r.peer.port()}, {"127.0.0.1", second.port()}}));
  ASSERT_TRUE(r.delegate->events.waitFor(2));
  std::this_thread::sleep_for(20ms);  // nothing more comes
  EXPECT_EQ(r.delegate->events.values(), (Strings{endpointEvent(r.peer), endpointEvent(second)}));
}

TEST(OSCServer, notesManySendersOnceEachInTheOrderFirstHeard) {
  Running r;
  std::vector<std::unique_ptr<LoPeer>> peers(40);
  for (auto& peer : peers) peer = std::make_unique<LoPeer>();
  std::vector<OSCEndpoint> expected{{"127.0.0.1", r.peer.port()}};
  r.peer.send(r.port, "/first", loMessage(0).get());
  // Forwards, then backwards and forwards again: only the first datagram of each sender is new.
  for (std::size_t round = 0; round < 3; ++round) {
    for (std::size_t i = 0; i < peers.size(); ++i) {
      const auto& peer = *peers[round == 1 ? peers.size() - 1 - i : i];
      peer.send(r.port, "/m", loMessage(1).get());
      if (round == 0) expected.push_back({"127.0.0.1", peer.port()});
    }
  }
  r.peer.send(r.port, "/last", loMessage(2).get());
  takeNow(*r.server->allMessages(), 2 + 3 * peers.size());
  EXPECT_EQ(r.server->endpoints(), expected);
  ASSERT_TRUE(r.delegate->events.waitFor(expected.size()));
  Strings events;
  for (const auto& endpoint : expected) events.push_back("endpoint 127.0.0.1:" + std::to_string(endpoint.port));
  EXPECT_EQ(r.delegate->events.values(), events);
}

TEST(OSCServer, undecodableDatagramsGoOnlyToTheDelegate) {
  Running r;
  r.client.send(std::vector<std::uint8_t>{'x', 'y', 'z', 0}, "127.0.0.1", r.port, 0);
  r.client.send(*OSCMessage::make("/ok"), 0);
  EXPECT_EQ(takeNow(*r.server->objectsOfType<OSCMessage>(), 1).at(0).address().address(), "/ok");
  ASSERT_TRUE(r.delegate->events.waitFor(2));
  EXPECT_EQ(r.delegate->events.values().at(1), "unparsed 4 The datagram is neither an OSC message nor an OSC bundle.");
}

// Datagrams that decode into many values (4 KB of boolean tags, about 160 KB each): each sequence
// replays only the newest that fit into its byte bound, up to the last one received, and both
// share the messages' storage.
TEST(OSCServer, aFloodOfInflatingDatagramsKeepsTheReplayBounded) {
  Running r;
  auto ended = std::make_shared<async::test::EventLog<std::string>>();
  r.server->dispatcher().register_(*OSCAddressPattern::make("/end"),
                                   [ended](const auto&, const OSCMessage&) { ended->record("end"); });
  std::vector<std::uint8_t> datagram = {'/', 'a', 0, 0, ','};
  datagram.resize(4095, 'T');
  datagram.push_back(0);
  for (int k = 0; k < 25; ++k) r.client.send(datagram, "127.0.0.1", r.port, 0);
  r.client.send(*OSCMessage::make("/end"), 0);
  ASSERT_TRUE(ended->waitFor(1));
  r.server->stop();

  const auto objects = takeNow(*r.server->objects(), 1000);
  const auto messages = takeNow(*r.server->allMessages(), 1000);
  std::size_t objectBytes = 0, messageBytes = 0;
  for (const auto& object : objects) objectBytes += object.footprint();
  for (const auto& message : messages) messageBytes += message.footprint();
  EXPECT_LE(objectBytes, OSCServer::replayBytes);
  EXPECT_LE(messageBytes, OSCServer::replayBytes);
  // Not an empty replay: the newest floods and the last message are there.
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages.back().address().address(), "/end");
  EXPECT_EQ(messages.front().values().size(), 4090u);
  EXPECT_EQ(objects.size(), messages.size());
  // Both sequences hold one stored copy of each message's values.
  EXPECT_EQ(objects.front().message()->values().data(), messages.front().values().data());
}

TEST(OSCServer, stopEndsTheSequencesAndARestartOnTheSamePortWorks) {
  Running r;
  EXPECT_THROW(r.server->start(), OSCServerError);
  const auto sequence = *r.server->allMessages();
  auto reader = async::spawn(test::take(sequence, 10));
  r.peer.send(r.port, "/one", loMessage(1).get());
  ASSERT_EQ(takeNow(sequence, 1).size(), 1u);

  r.server->stop();
  EXPECT_EQ(test::addresses(reader.get()), Strings{"/one"});  // ended, no error
  EXPECT_FALSE(r.server->isRunning());
  EXPECT_TRUE(r.server->endpoints().empty());
  ASSERT_TRUE(r.delegate->events.waitFor(2));
  EXPECT_EQ(r.delegate->events.values().at(1), "stop");
  r.server->stop();  // again: nothing
  // A late reader of the finished sequence gets its replay, then the end.
  EXPECT_EQ(test::addresses(takeNow(sequence, 10)), Strings{"/one"});

  // Started, stopped and started again on one fixed port: each run has new sequences and endpoints.
  const auto fixed = OSCServer::make(r.port);
  for (int run = 0; run < 2; ++run) {
    fixed->start();
    EXPECT_EQ(fixed->listeningPort(), r.port);
    r.peer.send(r.port, "/again", loMessage(run).get());
    ASSERT_EQ(takeNow(*fixed->allMessages(), 1).size(), 1u);
    EXPECT_EQ(fixed->endpoints(), (std::vector<OSCEndpoint>{{"127.0.0.1", r.peer.port()}}));
    fixed->stop();
    const auto messages = takeNow(*fixed->allMessages(), 10);  // this run's only message, then the end
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].values(), (std::vector<OSCValue>{OSCValue::int32(run)}));
  }
}

// Stops (from two threads at once) and restarts on one port while datagrams keep coming: every
// run's readers end, nothing is left running.
TEST(OSCServer, stopsAndRestartsWhileDatagramsArrive) {
  const auto server = OSCServer::make(Running().port);
  server->start();
  std::atomic<bool> sending{true};
  std::thread sender([&, port = *server->listeningPort()] {
    OSCClient client("127.0.0.1", port);
    while (sending) client.send(*OSCMessage::make("/burst"), 0);
  });
  for (int run = 0; run < 20; ++run) {
    auto reader = async::spawn(test::take(*server->allMessages(), 1'000'000));
    std::this_thread::sleep_for(2ms);
    std::thread other([&] { server->stop(); });  // both return once the run is torn down
    server->stop();
    other.join();
    EXPECT_LT(reader.get().size(), 1'000'000u);  // ended by the stop
    server->start();
  }
  sending = false;
  sender.join();
}

// A decoder of the owner's own: "TEXT..." datagrams become text objects, the rest is OSC.
struct TextObject : CustomDatagramObject {
  std::string text;
  explicit TextObject(std::string t) : text(std::move(t)) {}
  std::vector<std::uint8_t> data() const override { return {text.begin(), text.end()}; }
  std::string description() const override { return "text " + text; }
  std::size_t footprint() const override { return sizeof *this + text.size(); }
  std::unique_ptr<CustomDatagramObject> clone() const override { return std::make_unique<TextObject>(*this); }
};
struct TextOrOSCDecoder {
  static std::optional<DatagramObject> decode(std::optional<std::span<const std::uint8_t>> datagram) {
    const std::string_view bytes(reinterpret_cast<const char*>(datagram->data()), datagram->size());
    if (bytes.starts_with("TEXT")) return TextObject(std::string(bytes.substr(4)));
    return OSCStandardDecoder::decode(datagram);
  }
};

// Objects of the owner's decoder reach objects() and the views that take them, stamped like any
// other; never allMessages() or the dispatcher. Every view is absent before the start and
// replays to each new iteration.
TEST(OSCServer, customObjectsGoToObjectsOnlyAndTheTypedViewsSplitThem) {
  auto delegate = std::make_shared<test::RecordingDelegate>();
  const auto server = OSCServer::make(0, delegate, nullptr, decoderOf<TextOrOSCDecoder>());
  EXPECT_FALSE(server->oscObjects() || server->nonOSCObjects() || server->objectsOfType<TextObject>());
  server->start();
  auto dispatched = std::make_shared<std::atomic<int>>(0);
  server->dispatcher().register_(*OSCAddressPattern::make("/*"), [dispatched](const auto&, const auto&) { ++*dispatched; });
  OSCClient client("127.0.0.1", *server->listeningPort());
  const auto before = Clock::now();
  client.send(std::vector<std::uint8_t>{'T', 'E', 'X', 'T', 'h', 'i'}, "127.0.0.1", *server->listeningPort(), 0);
  client.send(*OSCMessage::make("/m"), 0);

  const auto all = takeNow(*server->objects(), 2);
  ASSERT_TRUE(all.at(0).custom() && all.at(1).isMessage());
  EXPECT_EQ(all[0].description(), "text hi");
  EXPECT_EQ(all[0].endpoint(), all[1].endpoint());
  ASSERT_TRUE(all[0].receiveTime());
  EXPECT_GE(*all[0].receiveTime(), before);
  for (int iteration = 0; iteration < 2; ++iteration) {
    const auto texts = takeNow(*server->objectsOfType<TextObject>(), 1);
    EXPECT_EQ(texts.at(0).text, "hi");
    EXPECT_EQ(texts[0].receiveTime(), all[0].receiveTime());
    const auto others = takeNow(*server->nonOSCObjects(), 1);
    EXPECT_EQ(others.at(0).description(), "text hi");
    EXPECT_EQ(takeNow(*server->oscObjects(), 1).at(0), OSCObject(*all[1].message()));
  }
  EXPECT_EQ(test::addresses(takeNow(*server->allMessages(), 1)), Strings{"/m"});
  server->stop();
  EXPECT_EQ(takeNow(*server->allMessages(), 10).size(), 1u);
  EXPECT_EQ(takeNow(*server->nonOSCObjects(), 10).size(), 1u);
  server->delegateQueue()->sync([] {});  // every dispatch has run
  EXPECT_EQ(*dispatched, 1);

  // A stamped copy is a copy of its own: the others keep their stamps.
  DatagramObject copy = all[0];
  copy.setEndpoint(OSCEndpoint{"127.0.0.9", 9});
  EXPECT_EQ(copy.endpoint()->host, "127.0.0.9");
  EXPECT_EQ(all[0].endpoint()->host, "127.0.0.1");
  EXPECT_EQ(takeNow(*server->objects(), 1).at(0).endpoint()->host, "127.0.0.1");
}

// A bind that fails leaves the server stopped, without an open socket or new sequences, so a
// retry fails the same way instead of claiming the server runs.
TEST(OSCServer, aFailedBindLeavesTheServerStopped) {
  const auto server = OSCServer::make(9, {}, nullptr, decoderOf<OSCStandardDecoder>(), "192.0.2.1");
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_THROW(server->start(), net::SocketError);
    EXPECT_FALSE(server->isRunning() || server->objects() || server->listeningPort());
  }
  server->stop();
}

// The last owner let go on the reader's thread: the server is destroyed there, without waiting for
// itself, and the port is free again.
std::atomic<bool> decoding{false};
std::atomic<bool> mayDecode{false};
std::weak_ptr<OSCServer> stopWhileDecoding;
std::optional<DatagramObject> slowDecode(std::optional<std::span<const std::uint8_t>> datagram) {
  decoding = true;
  while (!mayDecode) std::this_thread::yield();
  if (const auto server = stopWhileDecoding.lock()) server->stop();
  return OSCStandardDecoder::decode(datagram);
}

TEST(OSCServer, theLastOwnerMayLetGoWhileTheLoopHandlesADatagram) {
  decoding = mayDecode = false;  // again on a repeated run
  auto delegate = std::make_shared<test::RecordingDelegate>();
  auto server = OSCServer::make(0, delegate, nullptr, &slowDecode);
  server->start();
  LoPeer peer;
  peer.send(*server->listeningPort(), "/x", loMessage(1).get());
  while (!decoding) std::this_thread::yield();
  ASSERT_TRUE(delegate->events.waitFor(1));  // told before the decoding began
  const std::weak_ptr<OSCServer> watch = server;
  server.reset();
  EXPECT_FALSE(watch.expired());  // the loop holds it while it handles the datagram
  mayDecode = true;
  while (!watch.expired()) std::this_thread::yield();
  std::this_thread::sleep_for(50ms);
  // Destruction does not tell the delegate.
  EXPECT_EQ(delegate->events.values(), Strings{endpointEvent(peer)});
}

// Many servers on the one reader: a stop from another thread waits while the reader delivers to
// that server; a stop on the reader's own thread (here from the decoder) returns at once, reports
// the end, and the reader goes on serving the others.
TEST(OSCServer, serversShareOneReaderThatAStopWaitsForOrComesFrom) {
  std::vector<Running> others(16);
  for (int round = 0; round < 2; ++round) {
    decoding = mayDecode = false;
    auto delegate = std::make_shared<test::RecordingDelegate>();
    const auto server = OSCServer::make(0, delegate, nullptr, &slowDecode);
    server->start();
    stopWhileDecoding = round == 1 ? server : nullptr;
    LoPeer peer;
    peer.send(*server->listeningPort(), "/x", loMessage(1).get());
    while (!decoding) std::this_thread::yield();
    std::atomic<bool> stopped{false};
    std::thread stopper([&] {
      if (round == 0) server->stop();
      stopped = true;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(stopped, round == 1);
    mayDecode = true;
    stopper.join();
    ASSERT_TRUE(delegate->events.waitFor(2));
    EXPECT_EQ(delegate->events.values().at(1), "stop");
    EXPECT_FALSE(server->isRunning());
    for (auto& other : others) other.peer.send(other.port, "/y", loMessage(round).get());
    for (auto& other : others) EXPECT_EQ(takeNow(*other.server->allMessages(), round + 1).size(), round + 1u);
  }
}

constexpr std::uint64_t millisecond = 1'000'000;  // in nanoseconds


void send(Running& s, const char* address, std::int32_t value) {
  s.client.send(*OSCMessage::make(address, {OSCValue::int32(value)}), 100 * millisecond);
}

// A wait for `address` from anyone, spawned at the call.
async::TaskHandle<OSCMessage> wait(Running& s, std::string_view address, Clock::time_point since,
                                   std::uint64_t timeout) {
  return async::spawn(s.server->firstMessage(address, std::nullopt, 0, since, timeout));
}

std::string outcome(const async::TaskHandle<OSCMessage>& wait) {
  try {
    const OSCMessage message = wait.get();
    return message.address().address() + " " + message.values().at(0).description();
  } catch (const OSCError& e) {
    return e.description();
  }
}

TEST(OSCServerWait, findsTheFirstReplyAfterSinceLiveOrReplayed) {
  Running s;
  send(s, "/reply", 1);  // an answer to an earlier request
  const auto stamp = *takeNow(*s.server->allMessages(), 1).at(0).receiveTime();
  const auto since = Clock::now();
  send(s, "/other", 2);
  send(s, "/reply", 3);  // may arrive before or after the wait subscribes
  EXPECT_EQ(outcome(wait(s, "/reply", since, 2000 * millisecond)), "/reply 3");
  // `since` is strict; the time-out ends the wait.
  EXPECT_EQ(outcome(wait(s, "/reply", stamp - 1ns, 50 * millisecond)), "/reply 1");
  const auto start = Clock::now();
  EXPECT_EQ(outcome(wait(s, "/reply", stamp, 50 * millisecond)), "/reply 3");
  EXPECT_EQ(outcome(wait(s, "/reply", Clock::now(), 50 * millisecond)), "No reply arrived in time.");
  EXPECT_LT(Clock::now() - start, 2s);
  // Live: two waits running before the reply comes both get it.
  const auto later = Clock::now();
  auto live = wait(s, "/re*", later, 2000 * millisecond);
  auto second = wait(s, "/reply", later, 2000 * millisecond);
  std::this_thread::sleep_for(20ms);
  send(s, "/reply", 4);
  EXPECT_EQ(outcome(live), "/reply 4");
  EXPECT_EQ(outcome(second), "/reply 4");
}

TEST(OSCServerWait, senderAndSourceConditions) {
  Running s;
  const auto since = Clock::now();
  s.client.send(OSCBundle(1, {*OSCMessage::make("/in/bundle", {OSCValue::int32(7)})}), 100 * millisecond);
  const auto received = takeNow(*s.server->objects(), 1).at(0);
  const OSCEndpoint sender = *received.endpoint();
  struct Case {
    std::optional<std::string> host;
    std::uint16_t port;
    bool fromMessageStream;
    std::string expected;
  };
  const std::string timeout = "No reply arrived in time.";
  for (const auto& c : {Case{std::nullopt, 1, true, "/in/bundle 7"},  // port ignored without host
                        Case{sender.host, sender.port, true, "/in/bundle 7"},
                        Case{sender.host, static_cast<std::uint16_t>(sender.port + 1), true, timeout},
                        Case{"127.0.0.2", sender.port, true, timeout},
                        Case{std::nullopt, 0, false, timeout}}) {  // bundles not opened
    EXPECT_EQ(outcome(async::spawn(s.server->firstMessage(std::nullopt, c.host, c.port, since, 50 * millisecond,
                                                          c.fromMessageStream))),
              c.expected);
  }
  const OSCBundle found = async::spawn(s.server->firstBundle(500 * millisecond, sender.host, sender.port, since)).get();
  EXPECT_EQ(found.receiveTime(), received.receiveTime());
  const auto none = async::spawn(s.server->firstBundle(50 * millisecond, std::nullopt, 0, *received.receiveTime()));
  EXPECT_THROW(none.get(), OSCServerError);
}

// A server never started, one stopped during the wait and a cancelled wait all end it at once.
TEST(OSCServerWait, aStopOrCancelEndsTheWaitBeforeItsDeadline) {
  const std::string stopped = "The OSC server has stopped receiving.";
  const auto start = Clock::now();
  const auto never = OSCServer::make(0);
  EXPECT_EQ(outcome(async::spawn(never->firstMessage("/r", std::nullopt, 0, start, 10'000 * millisecond))), stopped);
  for (const bool cancel : {false, true}) {
    Running s;
    auto pending = wait(s, "/r", start, 10'000 * millisecond);
    std::this_thread::sleep_for(20ms);
    if (cancel) pending.cancel(); else s.server->stop();
    EXPECT_EQ(outcome(pending), stopped);
  }
  EXPECT_LT(Clock::now() - start, 5s);
}

// The dispatcher on a queue of its own: order, removal, bundles, changes from inside a callback,
// a queue that is gone; a received message's address shared by handlers on several threads; and
// the client.
struct Fixture {
  std::shared_ptr<DispatchQueue> queue = DispatchQueue::make("dispatch test");
  std::shared_ptr<OSCObjectDispatcher> dispatcher = OSCObjectDispatcher::make(queue);
  std::vector<std::string> calls;  // written on the queue, read after flush()

  void add(const std::string& name, std::string_view pattern) {
    dispatcher->register_(*OSCAddressPattern::make(pattern), [this, name](const auto& p, const OSCMessage& m) {
      calls.push_back(name + " " + p.pattern() + " " + m.address().address());
    });
  }
  static OSCMessage message(std::string_view address) { return *OSCMessage::make(address); }
  std::vector<std::string> flush() {
    queue->sync([] {});
    return std::exchange(calls, {});
  }
};

TEST(OSCObjectDispatcher, callsEveryMatchingHandlerInRegistrationOrder) {
  Fixture f;
  f.add("1", "/a/*");
  f.add("2", "/b");
  f.add("3", "/a/*");
  f.dispatcher->dispatch(Fixture::message("/a/x"));
  f.dispatcher->dispatch(Fixture::message("/c"));
  EXPECT_EQ(f.flush(), (std::vector<std::string>{"1 /a/* /a/x", "3 /a/* /a/x"}));
  EXPECT_TRUE(f.dispatcher->lookup(Fixture::message("/b")));
  EXPECT_FALSE(f.dispatcher->lookup(Fixture::message("/c")));

  f.dispatcher->remove(*OSCAddressPattern::make("/never"));
  f.dispatcher->remove(*OSCAddressPattern::make("/a/*"));
  // Changes not yet run on the queue count already.
  EXPECT_FALSE(f.dispatcher->lookup(Fixture::message("/a/x")));
  EXPECT_TRUE(f.dispatcher->lookup(Fixture::message("/b")));
  f.dispatcher->dispatch(OSCObject(Fixture::message("/a/x")));
  f.dispatcher->dispatch(OSCObject(Fixture::message("/b")));
  EXPECT_EQ(f.flush(), (std::vector<std::string>{"2 /b /b"}));

  // Bundles are walked depth first.
  f.add("h", "/*");
  const OSCBundle inner(1, {Fixture::message("/B"), Fixture::message("/C")});
  f.dispatcher->dispatch(OSCObject(OSCBundle(1, {Fixture::message("/A"), inner, Fixture::message("/D")})));
  EXPECT_EQ(f.flush(), (std::vector<std::string>{"h /* /A", "h /* /B", "h /* /C", "h /* /D"}));
}

// A handler added from inside a callback counts from the next message; once the queue is gone
// nothing is registered or called.
TEST(OSCObjectDispatcher, changesFromACallbackAndAQueueThatIsGone) {
  Fixture f;
  f.dispatcher->register_(*OSCAddressPattern::make("/x"), [&f](const auto&, const OSCMessage&) {
    f.calls.push_back("outer");
    f.add("inner", "/x");
  });
  f.dispatcher->dispatch(Fixture::message("/x"));
  EXPECT_EQ(f.flush(), std::vector<std::string>{"outer"});
  f.dispatcher->dispatch(Fixture::message("/x"));
  EXPECT_EQ(f.flush(), (std::vector<std::string>{"outer", "inner /x /x"}));

  f.queue.reset();
  f.add("late", "/x");
  f.dispatcher->dispatch(Fixture::message("/x"));
  EXPECT_FALSE(f.dispatcher->lookup(Fixture::message("/x")));
  EXPECT_TRUE(f.calls.empty());
}

// Messages that arrive while the queue is busy are delivered together later, in order, and each
// sees the changes made before it.
TEST(OSCObjectDispatcher, burstWhileTheQueueIsBusy) {
  Fixture f;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  f.queue->async([released] { released.wait(); });
  f.add("a", "/a");
  for (int k = 0; k < 3; ++k) f.dispatcher->dispatch(Fixture::message("/a"));
  f.add("b", "/*");
  f.dispatcher->dispatch(Fixture::message("/a"));
  f.dispatcher->remove(*OSCAddressPattern::make("/a"));
  f.dispatcher->dispatch(Fixture::message("/a"));
  EXPECT_TRUE(f.dispatcher->lookup(Fixture::message("/z")));
  release.set_value();
  EXPECT_EQ(f.flush(), (std::vector<std::string>{"a /a /a", "a /a /a", "a /a /a", "a /a /a", "b /* /a", "b /* /a"}));
}

// A received message is handed to several handlers at once: their first calls to address()
// race to make the string, and all of them get the same one.
TEST(OSCAddressSharing, threadsAskingForTheStringAtOnceGetTheSameOne) {
  for (int run = 0; run < 50; ++run) {
    const auto message = OSCMessage::decode(OSCMessage(*OSCAddress::make("/VELTOpelion/control/ping")).data());
    std::vector<const std::string*> seen(4);
    std::vector<std::jthread> threads;
    for (auto& slot : seen) threads.emplace_back([&message, &slot] { slot = &message.address().address(); });
    threads.clear();
    for (const auto* string : seen) EXPECT_TRUE(string == seen[0] && *string == "/VELTOpelion/control/ping");
  }
}

// The client towards liblo on 127.0.0.1: what arrives, where, the write time-out, and hosts that
// do not resolve to IPv4.
constexpr std::uint64_t second = 1'000'000'000;

TEST(OSCClient, sendsMessagesAndBundlesToLiblo) {
  test::LoPeer defaultPeer;
  test::LoPeer otherPeer;
  OSCClient client("127.0.0.1", defaultPeer.port());
  client.send(*OSCMessage::make("/one", {OSCValue::int32(1)}), second);
  client.send(OSCBundle(1, {*OSCMessage::make("/two", {OSCValue::string("x")}), *OSCMessage::make("/three")}), second);
  client.send(*OSCMessage::make("/elsewhere"), "127.0.0.1", otherPeer.port(), second);
  client.send(OSCBundle(1, {*OSCMessage::make("/bundled")}), "127.0.0.1", otherPeer.port(), 999'999);
  EXPECT_EQ(defaultPeer.receive(3), (std::vector<std::string>{"/one i 1", "/two s x", "/three"}));
  EXPECT_EQ(otherPeer.receive(2), (std::vector<std::string>{"/elsewhere", "/bundled"}));
  // Broadcast sending is on: the loopback network's broadcast address takes the datagram.
  client.send(*OSCMessage::make("/all"), "127.255.255.255", otherPeer.port(), second);
}

// The time-out in nanoseconds becomes the write time-out in whole milliseconds, which the system
// keeps in clock ticks (up to 10 ms), rounded up.
TEST(OSCClient, theTimeOutBecomesTheWriteTimeOutInWholeMilliseconds) {
  test::LoPeer peer;
  OSCClient client("127.0.0.1", peer.port());
  for (const auto& [nanoseconds, expected] : std::initializer_list<std::pair<std::uint64_t, long>>{
           {second, 1'000'000}, {1'999'999, 1000}, {999'999, 0}, {2'500'000'000, 2'500'000}}) {
    client.send(*OSCMessage::make("/t"), nanoseconds);
    timeval value{};
    socklen_t size = sizeof value;
    ASSERT_EQ(getsockopt(client.socket().socketfd(), SOL_SOCKET, SO_SNDTIMEO, &value, &size), 0);
    const long microseconds = value.tv_sec * 1'000'000 + value.tv_usec;
    EXPECT_GE(microseconds, expected) << nanoseconds;
    EXPECT_LT(microseconds, expected == 0 ? 1 : expected + 10'000) << nanoseconds;
  }
}

// Hosts resolve to IPv4 only: "localhost" gives 127.0.0.1 even where ::1 comes first; an
// IPv6-only or empty host is refused with its host and port, and the client stays usable.
TEST(OSCClient, hostsResolveToIPv4Only) {
  test::LoPeer peer;
  OSCClient client("localhost", peer.port());
  for (const std::string host : {"::1", ""}) {
    try {
      client.send(*OSCMessage::make("/lost"), host, 9, second);
      ADD_FAILURE() << "sent to " << host;
    } catch (const OSCClientError& e) {
      EXPECT_EQ(e.description(), "Could not find an IPv4 address for \u201c" + host + "\u201d (port 9).");
    }
  }
  client.send(*OSCMessage::make("/local"), second);
  EXPECT_EQ(peer.receive(1), std::vector<std::string>{"/local"});
}

// Replay to late readers, the end after the replay, and exactly-once delivery while readers
// subscribe during delivery.
using Stream = async::AsyncThrowingStream<int>;
using Shared = SharedBufferedAsyncSequence<Stream>;

std::vector<int> range(int from, int to) {
  std::vector<int> out(static_cast<std::size_t>(to - from + 1));
  std::iota(out.begin(), out.end(), from);
  return out;
}

// Yields 1..count and waits until an early reader has seen them all, so the pump has delivered.
void feed(const Stream::Continuation& continuation, const Shared& shared, int count) {
  auto early = async::spawn(test::take(shared, static_cast<std::size_t>(count)));
  for (int i = 1; i <= count; ++i) continuation.yield(i);
  ASSERT_EQ(early.get().size(), static_cast<std::size_t>(count));
}

// Late readers get the newest `capacity` elements, then live ones; after the end (normal or with
// an error) a reader gets the replay, then that end.
TEST(SharedBufferedAsyncSequence, lateReadersGetTheNewestElementsThenLiveOnesThenTheEnd) {
  struct Case {
    std::size_t capacity;
    int passed;
    bool failing;
  };
  for (const auto& c : {Case{512, 600, false}, Case{1, 10, true}, Case{512, 10, false}}) {
    SCOPED_TRACE(c.capacity);
    auto [stream, continuation] = Stream::makeStream();
    const Shared shared(stream, c.capacity);
    feed(continuation, shared, c.passed);
    const int first = std::max(1, c.passed - static_cast<int>(c.capacity) + 1);
    auto late = async::spawn(test::take(shared, static_cast<std::size_t>(c.passed - first + 3)));
    auto lateCopy = async::spawn(test::take(Shared(shared), 2));
    continuation.yield(c.passed + 1);
    continuation.yield(c.passed + 2);
    EXPECT_EQ(late.get(), range(first, c.passed + 2));
    EXPECT_EQ(lateCopy.get(), range(first, first + 1));
    continuation.finish(c.failing ? std::make_exception_ptr(std::runtime_error("base failed")) : nullptr);
    auto afterEnd = async::spawn(test::take(shared, 1000));
    if (c.failing) {
      EXPECT_THROW(afterEnd.get(), std::runtime_error);
    } else {
      EXPECT_EQ(afterEnd.get(), range(std::max(1, c.passed + 3 - static_cast<int>(c.capacity)), c.passed + 2));
    }
  }
}

// A sequence read from a base and one fed directly behave alike; a reader with a filter gets only
// the elements it takes, from the replay and live; a fed sequence ignores what comes after its end.
TEST(SharedBufferedAsyncSequence, filteredReadersOfBaseAndFedSequences) {
  for (const bool fed : {false, true}) {
    SCOPED_TRACE(fed);
    auto [stream, continuation] = Stream::makeStream();
    auto [fedShared, feed] = Shared::fed(8);
    const Shared shared = fed ? fedShared : Shared(stream, 8);
    const auto yield = [&, continuation = continuation, feed = feed](int i) {
      if (fed) {
        feed.yield(i);
      } else {
        continuation.yield(i);
      }
    };
    auto early = async::spawn(test::take(shared, 12));
    for (int i = 1; i <= 12; ++i) yield(i);
    ASSERT_EQ(early.get(), range(1, 12));
    auto even = async::spawn(test::takeFrom(shared.makeAsyncIterator([](int i) { return i % 2 == 0; }), 100));
    auto all = async::spawn(test::takeFrom(shared.makeAsyncIterator(Shared::Filter{}), 100));
    yield(13);
    yield(14);
    if (fed) {
      feed.finish();
      feed.yield(15);
    } else {
      continuation.finish();
    }
    EXPECT_EQ(even.get(), (std::vector<int>{6, 8, 10, 12, 14}));
    EXPECT_EQ(all.get(), range(5, 14));
    EXPECT_EQ(test::takeNow(shared, 100), range(7, 14));
  }
}

// A replay bounded by bytes keeps the newest elements that fit, each measured (here: an element
// measures its own value), and never more than its element count; one too large alone is left out.
TEST(SharedBufferedAsyncSequence, replayBoundedByBytesKeepsTheNewestThatFit) {
  struct Case {
    std::size_t elements;
    std::vector<int> fed;
    std::vector<int> replayed;
  };
  const Case cases[] = {
      {8, {1, 2, 3, 4}, {1, 2, 3, 4}},       // exactly the bound
      {8, {1, 2, 3, 4, 1}, {2, 3, 4, 1}},    // one byte over: the oldest goes
      {8, {5, 1, 6}, {1, 6}},                // over by more than the oldest: as many as needed go
      {8, {4, 11, 2}, {4, 2}},               // larger than the bound alone: only it is left out
      {3, {1, 1, 1, 1}, {1, 1, 1}},          // the element count still bounds
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.fed));
    auto [shared, feed] = Shared::fed({c.elements, 10, [](const int& i) { return static_cast<std::size_t>(i); }});
    for (const int i : c.fed) feed.yield(i);
    feed.finish();
    EXPECT_EQ(test::takeNow(shared, 100), c.replayed);
  }
}

// Readers subscribe from another thread while the pump delivers: each one sees a gapless run of
// consecutive elements up to the last, never one twice and never one missing.
TEST(SharedBufferedAsyncSequence, everyReaderGetsEachElementExactlyOnce) {
  constexpr int count = 4000;
  auto [stream, continuation] = Stream::makeStream();
  const Shared shared(stream, 16);
  std::vector<async::TaskHandle<std::vector<int>>> readers;
  std::thread subscriber([&] {
    for (int k = 0; k < 20; ++k) {
      readers.push_back(async::spawn(test::take(shared, count)));
      std::this_thread::yield();
    }
  });
  for (int i = 1; i <= count; ++i) continuation.yield(i);
  subscriber.join();
  continuation.finish();
  for (auto& reader : readers) {
    const auto seen = reader.get();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen, range(seen.front(), count));
  }
}

// One-shot watchers made from another thread while elements are fed each find their element once,
// replayed or live; those still waiting at the end are offered the end.
TEST(SharedBufferedAsyncSequence, watchersFindTheirElementReplayedOrLiveThenTheEnd) {
  constexpr int count = 4000;
  auto [shared, feed] = Shared::fed(count);
  std::vector<std::atomic<int>> found(count + 2);
  std::thread watcher([&, shared = shared] {
    for (int target = 1; target <= count + 1; target += 40) {
      shared.watch([&found, target](const int* element, const std::exception_ptr&) {
        if (element && *element != target) return false;
        found[static_cast<std::size_t>(target)] += element ? 1 : 100;
        return true;
      });
    }
  });
  for (int i = 1; i <= count; ++i) feed.yield(i);
  watcher.join();
  feed.finish();
  for (int target = 1; target <= count; target += 40) EXPECT_EQ(found[static_cast<std::size_t>(target)], 1) << target;
  EXPECT_EQ(found[count + 1], 100);  // never fed: the end
}

}  // namespace
}  // namespace osc
