// Values through a serialising export and back through both parsing exports:
// the document has the length its counts give, and every value comes back bit
// for bit after the documented conversions: ids sign-extended from their low
// 16 bits, the port's low 16 bits, the address packed and kept modulo 10^12,
// the flag as 0 or 1, texts up to their first zero byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <type_traits>

#include "fuzz_support.h"

namespace {

using namespace ravuna_fuzz;

int AsId(int id) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(id)); }

std::string UpToFirstZero(const std::string& text) { return text.substr(0, text.find('\0')); }

template <class Kind>
void CheckRoundTrip(const DocumentValues& v, const Kind& record, const Bytes& document) {
  Read<Kind> expected{true, {v.packedAddress % 1000000000000U, v.sender.port & 0xFFFFU, record}};
  Kind& e = expected.out.values;
  Read<Kind> read;
  std::size_t length = 0;
  if constexpr (std::is_same_v<Kind, calls::SensorData>) {
    e.sensorAddress = UpToFirstZero(e.sensorAddress);
    e.sensorName = UpToFirstZero(e.sensorName);
    length = 165 + e.sensorAddress.size() + e.sensorName.size();
    read = ReadThroughExport<Kind>(document, {e.sensorAddress.size(), e.sensorName.size()});
  } else {
    calls::Bones& b = e.bones;
    b.count = std::max(b.count, 0);
    std::transform(b.ids.begin(), b.ids.end(), b.ids.begin(), AsId);
    std::transform(b.parentIds.begin(), b.parentIds.end(), b.parentIds.begin(), AsId);
    const auto n = static_cast<std::size_t>(b.count);
    length = std::is_same_v<Kind, calls::FrameData> ? 147 + 54 * n : 93 + 64 * n;
    read = ReadThroughExport<Kind>(document);
  }
  RAVUNA_FUZZ_CHECK(document.size() == length);
  RAVUNA_FUZZ_CHECK(read.ok && calls::SameBits(read.out, expected.out));
  calls::Parsed<Kind> own;  // and into the caller's memory
  RAVUNA_FUZZ_CHECK(calls::Parse(document, own) && calls::SameBits(own, expected.out));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const DocumentValues v = DrawDocument(input);
  const Bytes document = EncodeThroughExport(v);
  std::visit([&](const auto& record) { CheckRoundTrip(v, record, document); }, v.record);
  return 0;
}
