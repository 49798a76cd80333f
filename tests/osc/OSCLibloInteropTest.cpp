// Interoperability with liblo, an independent OSC implementation: what we encode liblo reads
// back to the same address and values, and what liblo encodes we read, byte for byte the same as
// our own encoding, for every type both support.

#include <gtest/gtest.h>
#include <lo/lo.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "osc/OSCStandardDecoder.h"

namespace osc {
namespace {

std::uint64_t fromTimetag(lo_timetag t) { return (std::uint64_t{t.sec} << 32) | t.frac; }
lo_timetag toTimetag(std::uint64_t v) {
  return {static_cast<std::uint32_t>(v >> 32), static_cast<std::uint32_t>(v)};
}

// liblo's arguments point into its buffer at four-byte alignment: read them by copying.
template <typename T>
T load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::vector<OSCValue> valuesFromLiblo(const char* types, lo_arg** argv, int argc) {
  std::vector<OSCValue> values;
  for (int k = 0; k < argc; ++k) {
    const auto* a = reinterpret_cast<const char*>(argv[k]);
    switch (types[k]) {
      case 'i': values.push_back(OSCValue::int32(load<std::int32_t>(a))); break;
      case 'h': values.push_back(OSCValue::int64(load<std::int64_t>(a))); break;
      case 'f': values.push_back(OSCValue::float_(load<float>(a))); break;
      case 's': values.push_back(OSCValue::string(a)); break;
      case 'b': values.push_back(OSCValue::blob({a + 4, a + 4 + load<std::int32_t>(a)})); break;
      case 't': values.push_back(OSCValue::timetag(fromTimetag(load<lo_timetag>(a)))); break;
      case 'T': values.push_back(OSCValue::boolean(true)); break;
      case 'F': values.push_back(OSCValue::boolean(false)); break;
      default: ADD_FAILURE() << "liblo type " << types[k];
    }
  }
  return values;
}

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

std::vector<std::uint8_t> takeBytes(void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::vector<std::uint8_t> bytes(p, p + size);
  std::free(data);
  return bytes;
}

std::vector<OSCMessage> sampleMessages() {
  std::vector<std::uint8_t> kilobyte(1000);
  for (std::size_t k = 0; k < kilobyte.size(); ++k) kilobyte[k] = static_cast<std::uint8_t>(k * 7);
  return {
      *OSCMessage::make("/VELTOpelion/control/ping"),
      *OSCMessage::make("/i", {OSCValue::int32(-1), OSCValue::int32(2147483647), OSCValue::int32(-2147483647 - 1)}),
      *OSCMessage::make("/h", {OSCValue::int64(-5), OSCValue::int64(1LL << 62)}),
      *OSCMessage::make("/f", {OSCValue::float_(1.0f), OSCValue::float_(-0.25f), OSCValue::float_(3.4e38f)}),
      *OSCMessage::make("/s", {OSCValue::string(""), OSCValue::string("abc"), OSCValue::string("abcd"),
                               OSCValue::string("caf\xC3\xA9")}),
      *OSCMessage::make("/b", {OSCValue::blob({1, 2, 3, 4, 5}), OSCValue::blob(kilobyte)}),
      *OSCMessage::make("/t", {OSCValue::timetag(1), OSCValue::timetag(0xDEADBEEF00000001ULL)}),
      *OSCMessage::make("/TF", {OSCValue::boolean(true), OSCValue::boolean(false)}),
      *OSCMessage::make("/Va/mixed/1", {OSCValue::string("x"), OSCValue::boolean(true), OSCValue::int32(3),
                                        OSCValue::blob({7}), OSCValue::float_(0.5f), OSCValue::int64(9)}),
  };
}

// A bundle (time 1) of a message and a bundle (time 5) of two messages.
OSCBundle nestedSample(const std::vector<OSCMessage>& messages) {
  OSCBundle inner(5), outer(1);
  inner.add(messages[2]);
  inner.add(messages[7]);
  outer.add(messages[5]);
  outer.add(inner);
  return outer;
}

TEST(OSCLibloInterop, LibloReadsOurMessages) {
  auto messages = sampleMessages();
  messages.push_back(*OSCMessage::make("/b", {OSCValue::blob({})}));  // liblo cannot make an empty blob
  for (const auto& message : messages) {
    SCOPED_TRACE(message.description());
    auto bytes = message.data();
    char* path = lo_get_path(bytes.data(), static_cast<ssize_t>(bytes.size()));
    ASSERT_NE(path, nullptr);
    EXPECT_STREQ(path, message.address().address().c_str());
    int result = 0;
    LoMessage decoded(lo_message_deserialise(bytes.data(), bytes.size(), &result), &lo_message_free);
    ASSERT_TRUE(decoded) << "liblo error " << result;
    EXPECT_EQ(valuesFromLiblo(lo_message_get_types(decoded.get()), lo_message_get_argv(decoded.get()),
                              lo_message_get_argc(decoded.get())),
              message.values());
  }
}

TEST(OSCLibloInterop, WeReadLiblosMessagesAndNestedBundlesByteForByte) {
  const auto messages = sampleMessages();
  for (const auto& message : messages) {
    SCOPED_TRACE(message.description());
    std::size_t size = 0;
    void* data = lo_message_serialise(libloMessage(message.values()).get(), message.address().address().c_str(),
                                      nullptr, &size);
    const auto bytes = takeBytes(data, size);
    EXPECT_EQ(bytes, message.data());
    EXPECT_EQ(OSCMessage::decode(bytes), message);
  }
  auto add = [&](lo_bundle bundle, std::size_t k) {
    lo_bundle_add_message(bundle, messages[k].address().address().c_str(), libloMessage(messages[k].values()).release());
  };
  lo_bundle inner = lo_bundle_new(toTimetag(5));
  add(inner, 2);
  add(inner, 7);
  lo_bundle outer = lo_bundle_new(toTimetag(1));
  add(outer, 5);
  lo_bundle_add_bundle(outer, inner);
  std::size_t size = 0;
  void* data = lo_bundle_serialise(outer, nullptr, &size);
  const auto bytes = takeBytes(data, size);
  lo_bundle_free_recursive(outer);
  EXPECT_EQ(bytes, nestedSample(messages).data());
  EXPECT_EQ(OSCStandardDecoder::decode(bytes), OSCObject(nestedSample(messages)));
}

struct Received {
  int bundles = 0;
  std::vector<OSCMessage> messages;
};

int collectMessage(const char* path, const char* types, lo_arg** argv, int argc, lo_message, void* user) {
  static_cast<Received*>(user)->messages.push_back(*OSCMessage::make(path, valuesFromLiblo(types, argv, argc)));
  return 0;
}
int countBundle(lo_timetag, void* user) {
  ++static_cast<Received*>(user)->bundles;
  return 0;
}
int bundleEnd(void*) { return 0; }

TEST(OSCLibloInterop, LibloReadsOurNestedBundles) {
  Received received;
  // liblo reads bundles only through a server; the data is handed to it directly, nothing is sent.
  lo_server server = lo_server_new_with_proto(nullptr, LO_UDP, nullptr);
  ASSERT_NE(server, nullptr);
  lo_server_add_method(server, nullptr, nullptr, &collectMessage, &received);
  lo_server_add_bundle_handlers(server, &countBundle, &bundleEnd, &received);
  const auto messages = sampleMessages();
  auto bytes = nestedSample(messages).data();
  EXPECT_EQ(lo_server_dispatch_data(server, bytes.data(), bytes.size()), static_cast<int>(bytes.size()));
  lo_server_free(server);
  EXPECT_EQ(received.bundles, 2);
  EXPECT_EQ(received.messages, (std::vector<OSCMessage>{messages[5], messages[2], messages[7]}));
}

}  // namespace
}  // namespace osc
