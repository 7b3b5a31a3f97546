// Hex text to bytes, in the layouts people paste: plain pairs (as `od -An
// -tx1` and `xxd -p` print them, "0x" prefixes allowed), `xxd` and `hexdump
// -C` dumps (offset and text columns dropped, "*" lines of repeats filled in
// from the offsets, every offset checked) and `xxd -i` C arrays. Other dumps
// are refused with a message naming the layout seen: a wrong guess would
// turn into wrong bytes.
#pragma once

#include <string_view>

#include "rmf/input_reading.h"

namespace rmf {

// Throws InputError saying "bad hex" and where, or which layout it refuses.
Bytes ParseHexText(std::string_view text);

// Whether bytes given without --hex are hex text all the same: printable
// text that ParseHexText reads, or a dump with an offset column (then its
// errors say more than the library's verdict on the text's bytes would). A
// document never passes: the size that begins it holds zero bytes.
bool LooksLikeHexText(std::string_view text);

}  // namespace rmf
