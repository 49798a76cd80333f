// The dispatcher on a queue of its own: order, removal, bundles, changes from inside a callback,
// a queue that is gone.

#include <gtest/gtest.h>

#include <future>

#include "osc/OSCObjectDispatcher.h"

namespace osc {
namespace {

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

}  // namespace
}  // namespace osc
