// The boxes every document starts with, and transform payloads, for the
// tool's tests of whole documents.
#pragma once

#include "test_bytes.h"

namespace test_bytes {

inline Bytes HeadBox(std::uint8_t version = 1) {
  return BoxBytes("head",
                  Cat({BoxBytes("ftyp", Text("kavi motion format")), BoxBytes("vrsn", {version})}));
}

inline Bytes SenderBox(std::uint64_t packedIp, std::uint16_t port) {
  return BoxBytes("sndf", Cat({BoxBytes("ipad", Le(packedIp)), BoxBytes("rcvp", Le(port))}));
}

inline Bytes Transform(std::initializer_list<float> values) {
  Bytes out;
  for (float value : values) out = Cat({out, Le(value)});
  return out;
}

}  // namespace test_bytes
