// Fixed offsets and lengths of a document as this library writes it: what the
// direct writers lay down, the fast read recognises and the lengths add up.
#pragma once

#include <cstdint>

namespace ravuna_motion_format {

// "head" (format text and version) and "sndf" (address and port), the first
// 77 bytes of every document, and where the sender's two values sit in them.
inline constexpr std::uint64_t kDocumentStartLength = 77;
inline constexpr std::uint64_t kSenderAddressOffset = 59;
inline constexpr std::uint64_t kSenderPortOffset = 75;

// One bone: a "bndt" of a skeleton definition, a "btdt" of a frame.
inline constexpr std::uint64_t kSkeletonBoneLength = 64;
inline constexpr std::uint64_t kFrameBoneLength = 54;

}  // namespace ravuna_motion_format
