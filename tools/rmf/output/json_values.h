// JSON forms of the values that must come back bit for bit: floats, doubles
// and texts of any bytes.
//
// A finite float becomes the JSON number of its shortest round-trip text, so
// that "0.1" is written, not the widened double. Non-finite values become the
// strings "Infinity", "-Infinity" and "NaN"; a NaN other than the default
// quiet one keeps its bits as "NaN:0x...". A text that is not valid UTF-8
// becomes {"hex": "..."}.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace rmf {

// Keys keep the order they are written in, so output reads top-down.
using Json = nlohmann::ordered_json;

Json FloatToJson(float value);
Json DoubleToJson(double value);
Json TextToJson(const std::string& text);

// The inverses; they throw InputError for values of the wrong JSON type.
float JsonToFloat(const Json& value);
double JsonToDouble(const Json& value);
std::string JsonToText(const Json& value);

}  // namespace rmf
