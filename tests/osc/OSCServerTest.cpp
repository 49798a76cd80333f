// The server against liblo as sender on 127.0.0.1: sequences, dispatcher, delegate, endpoints,
// lifecycle (stop and restart, failed bind, the last owner or a stop on the reader's thread); waiting
// for replies: match, time-out, `since`, sender, message or bundle source, stop, cancel.

#include <gtest/gtest.h>

#include <thread>

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

}  // namespace
}  // namespace osc
