#include "rmf/output/json_values.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "rmf/documents/hex_text.h"
#include "rmf/input_reading.h"
#include "rmf/output/value_format.h"

namespace rmf {
namespace {

template <class Float>
using BitsOf = std::conditional_t<sizeof(Float) == 4, std::uint32_t, std::uint64_t>;

template <class Float>
Json NonFiniteToJson(Float value) {
  if (std::isinf(value)) {
    return value > 0 ? "Infinity" : "-Infinity";
  }
  const auto bits = std::bit_cast<BitsOf<Float>>(value);
  if (bits == std::bit_cast<BitsOf<Float>>(std::numeric_limits<Float>::quiet_NaN())) {
    return "NaN";
  }
  std::array<char, 32> hex{};
  const auto end = std::to_chars(hex.data(), hex.data() + hex.size(), bits, 16).ptr;
  return "NaN:0x" + std::string(hex.data(), end);
}

template <class Float>
Float NonFiniteFromJson(const std::string& text) {
  if (text == "Infinity") {
    return std::numeric_limits<Float>::infinity();
  }
  if (text == "-Infinity") {
    return -std::numeric_limits<Float>::infinity();
  }
  if (text == "NaN") {
    return std::numeric_limits<Float>::quiet_NaN();
  }
  BitsOf<Float> bits = 0;
  const std::string prefix = "NaN:0x";
  if (text.starts_with(prefix)) {
    const char* first = text.data() + prefix.size();
    const char* last = text.data() + text.size();
    const auto parsed = std::from_chars(first, last, bits, 16);
    const auto value = std::bit_cast<Float>(bits);
    if (parsed.ec == std::errc{} && parsed.ptr == last && std::isnan(value)) {
      return value;
    }
  }
  throw InputError(
      "expected a number, \"Infinity\", \"-Infinity\", \"NaN\" or \"NaN:0x<bits>\", got \"" + text +
      "\"");
}

// The double that the shortest text of a float reads as.
double WidenThroughShortestText(float value) {
  const std::string text = FormatFloat(value);
  double widened = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), widened);
  return widened;
}

}  // namespace

Json FloatToJson(float value) {
  if (!std::isfinite(value)) {
    return NonFiniteToJson(value);
  }
  return WidenThroughShortestText(value);
}

Json DoubleToJson(double value) {
  if (!std::isfinite(value)) {
    return NonFiniteToJson(value);
  }
  return value;
}

float JsonToFloat(const Json& value) {
  if (value.is_string()) {
    return NonFiniteFromJson<float>(value.get<std::string>());
  }
  if (!value.is_number()) {
    throw InputError("expected a number, got " + value.dump());
  }
  const double number = value.get<double>();
  // Find the float whose shortest text gave this number; a number typed by
  // hand that no float gives reads as the nearest float.
  const auto nearest = static_cast<float>(number);
  for (const float candidate :
       {nearest, std::nextafter(nearest, -std::numeric_limits<float>::infinity()),
        std::nextafter(nearest, std::numeric_limits<float>::infinity())}) {
    if (std::isfinite(candidate) && WidenThroughShortestText(candidate) == number &&
        std::signbit(candidate) == std::signbit(number)) {
      return candidate;
    }
  }
  return nearest;
}

double JsonToDouble(const Json& value) {
  if (value.is_string()) {
    return NonFiniteFromJson<double>(value.get<std::string>());
  }
  if (!value.is_number()) {
    throw InputError("expected a number, got " + value.dump());
  }
  return value.get<double>();
}

Json TextToJson(const std::string& text) {
  try {
    static_cast<void>(Json(text).dump());
    return text;
  } catch (const Json::type_error&) {
    return Json{
        {"hex", FormatHexBytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()})}};
  }
}

std::string JsonToText(const Json& value) {
  if (value.is_string()) {
    return value.get<std::string>();
  }
  if (value.is_object() && value.contains("hex") && value["hex"].is_string()) {
    const Bytes bytes = ParseHexText(value["hex"].get<std::string>());
    return {bytes.begin(), bytes.end()};
  }
  throw InputError("expected a text, got " + value.dump());
}

}  // namespace rmf
