#include "rmf/capture/ip_fragmenting.h"

#include <algorithm>

#include "rmf/capture/packet_decoding.h"

namespace rmf {
namespace {

constexpr std::size_t kFragmentHeaderSize = 8;

void Put16(Bytes& bytes, std::size_t at, std::size_t value) {
  bytes[at] = static_cast<std::uint8_t>(value >> 8U);
  bytes[at + 1] = static_cast<std::uint8_t>(value);
}

std::size_t DataPerFragment(std::size_t mtu, std::size_t headersSize) {
  const std::size_t room = mtu > headersSize ? (mtu - headersSize) / 8 * 8 : 0;
  if (room == 0) {
    throw InputError("an MTU of " + std::to_string(mtu) + " bytes leaves no room for data");
  }
  return room;
}

}  // namespace

std::vector<Bytes> FragmentIpPacket(const Bytes& packet, std::size_t mtu,
                                    std::uint32_t identification) {
  if (packet.size() <= mtu) {
    return {packet};
  }
  const bool isIpv6 = !packet.empty() && packet[0] >> 4U == 6;
  const std::size_t headerSize = isIpv6 ? kIpv6HeaderSize : (packet.at(0) & 0x0fU) * 4U;
  const std::size_t room = DataPerFragment(mtu, headerSize + (isIpv6 ? kFragmentHeaderSize : 0));
  std::vector<Bytes> fragments;
  for (std::size_t offset = 0; headerSize + offset < packet.size(); offset += room) {
    const std::size_t length = std::min(room, packet.size() - headerSize - offset);
    const bool more = headerSize + offset + length < packet.size();
    Bytes fragment(packet.begin(), packet.begin() + static_cast<std::ptrdiff_t>(headerSize));
    if (isIpv6) {
      const Bytes header = {packet[6],
                            0,
                            static_cast<std::uint8_t>(offset >> 8U),
                            static_cast<std::uint8_t>((offset & 0xf8U) | (more ? 1U : 0U)),
                            static_cast<std::uint8_t>(identification >> 24U),
                            static_cast<std::uint8_t>(identification >> 16U),
                            static_cast<std::uint8_t>(identification >> 8U),
                            static_cast<std::uint8_t>(identification)};
      fragment[6] = kIpv6Fragment;
      Put16(fragment, 4, kFragmentHeaderSize + length);
      fragment.insert(fragment.end(), header.begin(), header.end());
    } else {
      Put16(fragment, 2, headerSize + length);
      Put16(fragment, 4, identification & 0xffffU);
      Put16(fragment, 6, (more ? 0x2000U : 0U) | offset / 8);
      Put16(fragment, 10, 0);
      Put16(fragment, 10, InternetChecksum({fragment.data(), headerSize}));
    }
    const auto from = packet.begin() + static_cast<std::ptrdiff_t>(headerSize + offset);
    fragment.insert(fragment.end(), from, from + static_cast<std::ptrdiff_t>(length));
    fragments.push_back(std::move(fragment));
  }
  return fragments;
}

}  // namespace rmf
