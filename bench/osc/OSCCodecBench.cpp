// Encoding and decoding typical device traffic with our codec, liblo and oscpack in one run.
// Our codec and liblo build owned values (liblo's lo_message); oscpack writes into and reads
// from the caller's buffer without allocating. Encoding starts from a message object already
// built (for oscpack: the plain values); decoding reads every argument.

#include <benchmark/benchmark.h>
#include <lo/lo.h>

#include <chrono>
#include <cstring>
#include <memory>

#include "osc/OscOutboundPacketStream.h"
#include "osc/OscReceivedElements.h"
#include "osc/OSCServer.h"
#include "osc/OSCStandardDecoder.h"

namespace {

using osc::OSCValue;

// ---- the four cases, as plain values -----------------------------------------------------

struct Case {
  std::string address;
  std::vector<OSCValue> values;
  bool inBundle = false;
};

std::vector<std::uint8_t> segmentData() {
  std::vector<std::uint8_t> data(1000);
  for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<std::uint8_t>(k * 31 + 7);
  return data;
}

const Case& caseFor(int index) {
  static const Case cases[] = {
      {"/VELTOpelion/control/ping", {}},
      {"/VELTOapp/control/UserInfo",
       {OSCValue::string("SN-20481"), OSCValue::string("VELTO:pelion"), OSCValue::string("192.168.1.20"),
        OSCValue::int32(9110), OSCValue::int32(50713), OSCValue::string("Stage Left Rack"), OSCValue::int32(32),
        OSCValue::int32(16), OSCValue::string("6F1C2E0A-1B2C-4D5E-8F90-A1B2C3D4E5F6"), OSCValue::int32(3),
        OSCValue::boolean(false), OSCValue::string("Drums"), OSCValue::int32(12), OSCValue::int32(0),
        OSCValue::int32(0), OSCValue::string("Mix 3"), OSCValue::int32(1), OSCValue::boolean(true),
        OSCValue::int32(-1), OSCValue::string("en")}},
      {"/VELTOpelion/control/presetSeg",
       {OSCValue::string("Sunday Service"), OSCValue::blob(segmentData()), OSCValue::int32(4), OSCValue::int32(12),
        OSCValue::string(""), OSCValue::boolean(true), OSCValue::int32(48213)}},
      {"/VELTOpelion/control/presetSelect", {OSCValue::string("Sunday Service"), OSCValue::int32(48213)}, true},
  };
  return cases[index];
}

const char* const caseNames[] = {"Ping", "UserInfo20", "PresetSegment1000", "Bundle"};

// ---- our codec ---------------------------------------------------------------------------

osc::OSCObject ourObject(const Case& c) {
  auto message = *osc::OSCMessage::make(c.address, c.values);
  if (!c.inBundle) return message;
  osc::OSCBundle bundle(1);
  bundle.add(std::move(message));
  return bundle;
}

void OursEncode(benchmark::State& state) {
  const auto object = ourObject(caseFor(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    auto bytes = object.data();
    benchmark::DoNotOptimize(bytes.data());
  }
}

void OursDecode(benchmark::State& state) {
  const auto bytes = ourObject(caseFor(static_cast<int>(state.range(0)))).data();
  for (auto _ : state) {
    auto object = osc::OSCStandardDecoder::decode(std::span<const std::uint8_t>(bytes));
    benchmark::DoNotOptimize(&object);
  }
}

// The server's path: the decoder as a server holds it, then the sender, the time of reception and
// the replay's measure that every received object gets.
void OursServerDecode(benchmark::State& state) {
  const auto bytes = ourObject(caseFor(static_cast<int>(state.range(0)))).data();
  const osc::DecoderFunction decode = osc::decoderOf<osc::OSCStandardDecoder>();
  const osc::OSCEndpoint sender{"127.0.0.1", 9000};
  for (auto _ : state) {
    auto object = decode(std::span<const std::uint8_t>(bytes));
    object->setEndpoint(sender);
    object->setReceiveTime(std::chrono::steady_clock::now());
    benchmark::DoNotOptimize(object->footprint());
  }
}

// ---- liblo -------------------------------------------------------------------------------

lo_message libloMessage(const Case& c) {
  lo_message m = lo_message_new();
  for (const auto& v : c.values) {
    if (auto i = v.asInt32()) lo_message_add_int32(m, *i);
    if (auto s = v.asString()) lo_message_add_string(m, std::string(*s).c_str());
    if (auto b = v.asBool()) *b ? lo_message_add_true(m) : lo_message_add_false(m);
    if (auto b = v.asBlob()) {
      lo_blob blob = lo_blob_new(static_cast<std::int32_t>(b->size()), b->data());
      lo_message_add_blob(m, blob);
      lo_blob_free(blob);
    }
  }
  return m;
}

void LibloEncode(benchmark::State& state) {
  const Case& c = caseFor(static_cast<int>(state.range(0)));
  lo_message m = libloMessage(c);
  lo_bundle bundle = nullptr;
  if (c.inBundle) {
    bundle = lo_bundle_new(LO_TT_IMMEDIATE);
    lo_bundle_add_message(bundle, c.address.c_str(), m);
  }
  for (auto _ : state) {
    std::size_t size = 0;
    void* data = bundle ? lo_bundle_serialise(bundle, nullptr, &size)
                        : lo_message_serialise(m, c.address.c_str(), nullptr, &size);
    benchmark::DoNotOptimize(data);
    std::free(data);
  }
  if (bundle) {
    lo_bundle_free_recursive(bundle);
  } else {
    lo_message_free(m);
  }
}

// liblo deserialises messages only; a bundle is walked the way its server does, one
// lo_message_deserialise per element.
void LibloDecode(benchmark::State& state) {
  auto bytes = ourObject(caseFor(static_cast<int>(state.range(0)))).data();
  for (auto _ : state) {
    int result = 0;
    if (bytes[0] == '#') {
      std::size_t p = 16;
      while (p + 4 <= bytes.size()) {
        std::uint32_t n;
        std::memcpy(&n, bytes.data() + p, 4);
        n = __builtin_bswap32(n);
        lo_message m = lo_message_deserialise(bytes.data() + p + 4, n, &result);
        benchmark::DoNotOptimize(m);
        lo_message_free(m);
        p += 4 + n;
      }
    } else {
      lo_message m = lo_message_deserialise(bytes.data(), bytes.size(), &result);
      benchmark::DoNotOptimize(m);
      lo_message_free(m);
    }
  }
}

// ---- oscpack -----------------------------------------------------------------------------

void OscpackEncode(benchmark::State& state) {
  const Case& c = caseFor(static_cast<int>(state.range(0)));
  std::vector<char> buffer(4096);
  for (auto _ : state) {
    osc::OutboundPacketStream stream(buffer.data(), buffer.size());
    if (c.inBundle) stream << osc::BeginBundle(1);
    stream << osc::BeginMessage(c.address.c_str());
    for (const auto& v : c.values) {
      if (auto i = v.asInt32()) stream << *i;
      if (auto s = v.asString()) stream << s->data();  // the texts of these cases are literals
      if (auto b = v.asBool()) stream << *b;
      if (auto b = v.asBlob()) stream << osc::Blob(b->data(), static_cast<osc::osc_bundle_element_size_t>(b->size()));
    }
    stream << osc::EndMessage;
    if (c.inBundle) stream << osc::EndBundle;
    benchmark::DoNotOptimize(stream.Data());
  }
}

std::int64_t readAll(const osc::ReceivedMessage& m) {
  std::int64_t sum = 0;
  for (auto arg = m.ArgumentsBegin(); arg != m.ArgumentsEnd(); ++arg) {
    switch (arg->TypeTag()) {
      case 'i': sum += arg->AsInt32(); break;
      case 's': sum += static_cast<std::int64_t>(std::strlen(arg->AsString())); break;
      case 'T':
      case 'F': sum += arg->AsBool(); break;
      case 'b': {
        const void* data;
        osc::osc_bundle_element_size_t size;
        arg->AsBlob(data, size);
        sum += size;
        break;
      }
      default: break;
    }
  }
  return sum;
}

void OscpackDecode(benchmark::State& state) {
  const auto bytes = ourObject(caseFor(static_cast<int>(state.range(0)))).data();
  for (auto _ : state) {
    osc::ReceivedPacket packet(reinterpret_cast<const char*>(bytes.data()), static_cast<osc::osc_bundle_element_size_t>(bytes.size()));
    std::int64_t sum = 0;
    if (packet.IsBundle()) {
      osc::ReceivedBundle bundle(packet);
      for (auto e = bundle.ElementsBegin(); e != bundle.ElementsEnd(); ++e) sum += readAll(osc::ReceivedMessage(*e));
    } else {
      sum += readAll(osc::ReceivedMessage(packet));
    }
    benchmark::DoNotOptimize(sum);
  }
}

void registerAll() {
  using Fn = void (*)(benchmark::State&);
  const std::pair<const char*, Fn> codecs[] = {
      {"Encode/Ours", OursEncode},       {"Encode/Liblo", LibloEncode},   {"Encode/Oscpack", OscpackEncode},
      {"Decode/Ours", OursDecode},       {"Decode/Liblo", LibloDecode},   {"Decode/Oscpack", OscpackDecode},
      {"Decode/OursAsServer", OursServerDecode},
  };
  for (int c = 0; c < 4; ++c) {
    for (const auto& [name, fn] : codecs) {
      benchmark::RegisterBenchmark((std::string(name) + "/" + caseNames[c]).c_str(), fn)->Arg(c);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
