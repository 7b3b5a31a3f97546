// The verdict on a byte buffer: which kind it holds, whether a parse of a
// kind succeeds and why not, and which lenient reads that parse makes. The
// parse itself decides acceptance (the envelope decoding); the lenient reads
// come from the parse's own walk over the same ranges, with readers that take
// from each document's reading description which boxes the parse reads and
// needs, and note every place where it reads something not there as written.
#pragma once

#include <cstdint>
#include <span>

#include "box/box_reader.h"
#include "ravuna_motion_serializer.h"

namespace ravuna_motion_format {

inline constexpr std::uint32_t kDocumentKindCount = 4;  // none and the three kinds

// The data box of a document kind; none for RAVUNA_DOCUMENT_NONE.
BoxType DataBoxOf(std::uint32_t documentKind) noexcept;

// The kind whose data box a depth-first search finds first in the bytes.
std::uint32_t DetectDocumentKind(ByteView bytes);

// The verdict on the bytes parsed as `expectedKind`, or as the kind they hold
// when that is RAVUNA_DOCUMENT_NONE. `expectedKind` must be below
// kDocumentKindCount.
RavunaDocumentVerdict JudgeDocument(ByteView bytes, std::uint32_t expectedKind);

// The text of a verdict, written into `text` (cut short, always terminated
// when not empty); returns the length of the whole text.
std::size_t DescribeVerdict(const RavunaDocumentVerdict& verdict, std::span<char> text) noexcept;

}  // namespace ravuna_motion_format
