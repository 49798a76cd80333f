// Interoperability with liblo, an independent OSC implementation: what liblo encodes from our
// values is byte for byte our encoding and we read it back to the same values; what we encode
// liblo reads to a message it encodes back to the same bytes (so to the same address and values),
// for every type both support.

#include <gtest/gtest.h>
#include <lo/lo.h>

#include <cstdlib>
#include <memory>

#include "osc/OSCStandardDecoder.h"
#include "tests/osc/CodecTesting.h"

namespace osc {
namespace {

using test::nestedSample;
using test::sampleMessages;

lo_timetag toTimetag(std::uint64_t v) { return {static_cast<std::uint32_t>(v >> 32), static_cast<std::uint32_t>(v)}; }

using LoMessage = std::unique_ptr<std::remove_pointer_t<lo_message>, decltype(&lo_message_free)>;

LoMessage libloMessage(const std::vector<OSCValue>& values) {
  LoMessage m(lo_message_new(), &lo_message_free);
  for (const auto& v : values) {
    switch (v.kind()) {
      case OSCValueKind::int32: lo_message_add_int32(m.get(), *v.asInt32()); break;
      case OSCValueKind::nativeInt: lo_message_add_int32(m.get(), static_cast<std::int32_t>(*v.asNativeInt())); break;
      case OSCValueKind::int64: lo_message_add_int64(m.get(), *v.asInt64()); break;
      case OSCValueKind::float_: lo_message_add_float(m.get(), *v.asFloat()); break;
      case OSCValueKind::string: lo_message_add_string(m.get(), std::string(*v.asString()).c_str()); break;
      case OSCValueKind::blob: {
        lo_blob blob = lo_blob_new(static_cast<std::int32_t>(v.asBlob()->size()), v.asBlob()->data());
        lo_message_add_blob(m.get(), blob);
        lo_blob_free(blob);
        break;
      }
      case OSCValueKind::timetag: lo_message_add_timetag(m.get(), toTimetag(*v.asTimetag())); break;
      case OSCValueKind::boolean: *v.asBool() ? lo_message_add_true(m.get()) : lo_message_add_false(m.get()); break;
    }
  }
  return m;
}

// liblo's encoding of a message or bundle (the buffer liblo allocated is freed).
std::vector<std::uint8_t> takeBytes(void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::vector<std::uint8_t> bytes(p, p + size);
  std::free(data);
  return bytes;
}
std::vector<std::uint8_t> libloBytes(lo_message message, const std::string& path) {
  std::size_t size = 0;
  void* data = lo_message_serialise(message, path.c_str(), nullptr, &size);
  return takeBytes(data, size);
}

TEST(OSCLibloInterop, WeReadLiblosMessagesByteForByte) {
  for (const auto& message : sampleMessages()) {
    SCOPED_TRACE(message.description());
    const auto bytes = libloBytes(libloMessage(message.values()).get(), message.address().address());
    EXPECT_EQ(bytes, message.data());
    EXPECT_EQ(OSCMessage::decode(bytes), message);
  }
}

TEST(OSCLibloInterop, LibloReadsOurMessages) {
  auto messages = sampleMessages();
  messages.push_back(*OSCMessage::make("/b", {OSCValue::blob({})}));  // liblo cannot make an empty blob
  for (const auto& message : messages) {
    SCOPED_TRACE(message.description());
    auto bytes = message.data();
    EXPECT_STREQ(lo_get_path(bytes.data(), static_cast<ssize_t>(bytes.size())), message.address().address().c_str());
    int result = 0;
    LoMessage read(lo_message_deserialise(bytes.data(), bytes.size(), &result), &lo_message_free);
    ASSERT_TRUE(read) << "liblo error " << result;
    EXPECT_EQ(libloBytes(read.get(), message.address().address()), bytes);
  }
}

struct Received {
  int bundles = 0;
  std::vector<std::vector<std::uint8_t>> messages;
};

TEST(OSCLibloInterop, NestedBundlesBothWays) {
  const auto messages = sampleMessages();
  const auto ours = nestedSample(messages);
  auto add = [&](lo_bundle bundle, std::size_t k) {
    lo_bundle_add_message(bundle, messages[k].address().address().c_str(), libloMessage(messages[k].values()).release());
  };
  lo_bundle inner = lo_bundle_new(toTimetag(5));
  add(inner, 2);
  add(inner, 7);
  lo_bundle outer = lo_bundle_new(toTimetag(1));
  add(outer, 8);
  lo_bundle_add_bundle(outer, inner);
  std::size_t size = 0;
  void* data = lo_bundle_serialise(outer, nullptr, &size);
  const auto liblos = takeBytes(data, size);
  lo_bundle_free_recursive(outer);
  EXPECT_EQ(liblos, ours.data());
  EXPECT_EQ(OSCStandardDecoder::decode(liblos), OSCObject(ours));

  // liblo reads bundles only through a server; the data is handed to it directly, nothing is sent.
  Received received;
  lo_server server = lo_server_new_with_proto(nullptr, LO_UDP, nullptr);
  ASSERT_NE(server, nullptr);
  auto collect = [](const char* path, const char*, lo_arg**, int, lo_message message, void* user) {
    static_cast<Received*>(user)->messages.push_back(libloBytes(message, path));
    return 0;
  };
  auto count = [](lo_timetag, void* user) {
    ++static_cast<Received*>(user)->bundles;
    return 0;
  };
  lo_server_add_method(server, nullptr, nullptr, collect, &received);
  lo_server_add_bundle_handlers(server, count, [](void*) { return 0; }, &received);
  auto bytes = ours.data();
  EXPECT_EQ(lo_server_dispatch_data(server, bytes.data(), bytes.size()), static_cast<int>(bytes.size()));
  lo_server_free(server);
  EXPECT_EQ(received.bundles, 2);
  EXPECT_EQ(received.messages,
            (std::vector<std::vector<std::uint8_t>>{messages[8].data(), messages[2].data(), messages[7].data()}));
}

}  // namespace
}  // namespace osc
