// `rmf encode`: the values of `rmf inspect --json` back into document bytes,
// written by the library's exported functions.
#pragma once

#include "rmf/input_reading.h"
#include "rmf/output/json_values.h"

namespace rmf {

// Encodes one object as `inspect --json` writes it ("kind" and "document"),
// or a bare "document" object holding its own "kind". Throws InputError for a
// missing or ill-typed field and for a rejected document.
Bytes EncodeDocumentJson(const Json& object);

}  // namespace rmf
