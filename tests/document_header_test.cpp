#include "documents/document_header.h"

#include <gtest/gtest.h>

#include "box/box_encoder.h"
#include "box/envelope_decoder.h"
#include "test_bytes.h"

namespace ravuna_motion_format {
namespace {

using namespace test_bytes;

TEST(StringToIpAddress, PacksDecimalGroups) {
  const std::pair<const char*, std::uint64_t> cases[] = {
      {"192.168.0.1", 192168000001ULL},
      {"10.0.0.1", 10000000001ULL},
      {"255.255.255.255", 255255255255ULL},
      {"300.1.1.1", 300001001001ULL},
      {"1.1000.0.0", 2000000000ULL},
      {"2.0.0.0", 2000000000ULL},
      {"0.0.0.0", 0},
      {"", 0},
      {"1.2.3", 1002003000ULL},
      {"1.2", 1002000000ULL},
      {"abc", 0},
      {"7.x.9.9", 7000000000ULL},
      {" 1. 2.\t3.\n4", 1002003004ULL},
      {"+1.+2.+3.+4", 1002003004ULL},
      {"1 .2.3.4", 1000000000ULL},
      {"65535.0.0.1", 65535000000001ULL},
      {"65536.0.0.1", 1ULL},
      {"70000.0.0.0", 4464000000000ULL},
      {"-1.0.0.0", 65535000000000ULL},
      {"99999999999999999999999.0.0.0", 65535000000000ULL},
      {"1.2.3.4.5", 1002003004ULL},
      {"1.2.3.4junk", 1002003004ULL},
  };
  for (const auto& [text, packed] : cases) {
    EXPECT_EQ(StringToIpAddress(text), packed) << text;
  }
}

TEST(StringToIpAddress, UndoesIpAddressToStringModuloTwelveDigits) {
  for (std::uint64_t value : {0ULL, 1ULL, 192168001010ULL, 999999999999ULL, 1234567890123ULL}) {
    EXPECT_EQ(StringToIpAddress(IpAddressToString(value)), value % 1000000000000ULL);
  }
}

TEST(BuildMotionFormatHeader, First77BytesForSeveralAddressesAndPorts) {
  const std::tuple<const char*, std::uint16_t, std::uint64_t> cases[] = {
      {"192.168.0.1", 0, 192168000001ULL},
      {"10.0.0.1", 65535, 10000000001ULL},
      {"", 1, 0},
      {"255.255.255.255", 0x1234, 255255255255ULL}};
  for (const auto& [text, port, packed] : cases) {
    MotionFormatPtr format(new MotionFormat);
    EXPECT_EQ(BuildMotionFormatHeader(format.get(), text, port), format.get());
    BoxList none;
    format->data = NewContainer(BoxType::skdf, none);
    const ByteVector bytes = EncodeMotionFormat(format.get());
    ASSERT_EQ(bytes.size(), 85U);
    const Bytes expected =
        Cat({Le(35U), Text("head"), Le(18U), Text("ftyp"), Text("kavi motion format"), Le(1U),
             Text("vrsn"), Bytes{1}, Le(26U), Text("sndf"), Le(8U), Text("ipad"), Le(packed),
             Le(2U), Text("rcvp"), Le(port)});
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 77), expected) << text;
  }
}

}  // namespace
}  // namespace ravuna_motion_format
