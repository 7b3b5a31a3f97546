// The two boxes that open every document: "head" and "sndf".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "box/box.h"

namespace ravuna_motion_format {

// Adds the "head" box (format text, data version 1) and the "sndf" box
// (packed address of ipText, port) to the format; returns the same format.
MotionFormat* BuildMotionFormatHeader(MotionFormat* format, std::string ipText, std::uint16_t port);

// A document tree: the header and sender definition built from ipText and
// port, then the given data box.
MotionFormatPtr NewMotionFormat(std::string ipText, std::uint16_t port, OwnedBox data);

// Packs dotted text a.b.c.d into ((a * 1000 + b) * 1000 + c) * 1000 + d.
// Each part reads as "%hu" reads it (leading white space, an optional sign,
// decimal digits, kept modulo 65536); parts the text does not supply are 0.
std::uint64_t StringToIpAddress(std::string_view text);

}  // namespace ravuna_motion_format
