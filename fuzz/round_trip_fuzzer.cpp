// Values through a serialising export and back through its parsing export:
// the document has the length its counts give, and every value comes back bit
// for bit after the documented conversions: ids sign-extended from their low
// 16 bits, the port's low 16 bits, the address packed and kept modulo 10^12,
// the flag as 0 or 1, texts up to their first zero byte.
#include <algorithm>
#include <bit>
#include <iterator>

#include "fuzz_support.h"

using namespace ravuna_fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const DocumentValues v = DrawDocument(input);
  const Bytes document = EncodeThroughExport(v);
  const auto asId = [](int id) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(id));
  };
  const std::uint64_t ip = v.packedAddress % 1000000000000U;
  if (v.kind == Kind::sensorData) {
    SensorRead expected{true,
                        ip,
                        v.port & 0xFFFFU,
                        std::bit_cast<std::uint64_t>(v.uttm),
                        v.address.substr(0, v.address.find('\0')),
                        v.name.substr(0, v.name.find('\0')),
                        v.jointIndex,
                        std::bit_cast<std::array<std::uint32_t, 7>>(v.values)};
    RAVUNA_FUZZ_CHECK(document.size() == 165 + expected.address.size() + expected.name.size());
    RAVUNA_FUZZ_CHECK(ReadSensorThroughExport(document, expected.address.size(),
                                              expected.name.size()) == expected);
    return 0;
  }
  BoneRead expected;
  expected.ok = true;
  expected.ip = ip;
  expected.port = v.port & 0xFFFFU;
  expected.count = std::max(v.boneCount, 0);
  std::transform(v.ids.begin(), v.ids.end(), std::back_inserter(expected.ids), asId);
  for (std::size_t k = 0; k < 7; ++k) {
    std::transform(v.transform[k].begin(), v.transform[k].end(),
                   std::back_inserter(expected.transform[k]), std::bit_cast<std::uint32_t, float>);
  }
  const auto bones = static_cast<std::size_t>(expected.count);
  if (v.kind == Kind::skeletonDefinition) {
    std::transform(v.parentIds.begin(), v.parentIds.end(), std::back_inserter(expected.parentIds),
                   asId);
    RAVUNA_FUZZ_CHECK(document.size() == 93 + 64 * bones);
    RAVUNA_FUZZ_CHECK(ReadSkeletonThroughExport(document) == expected);
    return 0;
  }
  expected.frameNumber = v.frameNumber;
  expected.time = std::bit_cast<std::uint32_t>(v.time);
  expected.uttm = std::bit_cast<std::uint64_t>(v.uttm);
  std::copy(v.timecode.begin(), v.timecode.end(), expected.timecode.begin());
  expected.timecode[5] = v.flag ? 1 : 0;
  RAVUNA_FUZZ_CHECK(document.size() == 147 + 54 * bones);
  RAVUNA_FUZZ_CHECK(ReadFrameThroughExport(document) == expected);
  return 0;
}
