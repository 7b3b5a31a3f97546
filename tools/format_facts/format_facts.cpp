// Prints the format's facts as JSON, taken from the library's own tables,
// macros and length functions, so that render_facts.py can write them into
// the bindings, the dissector and the fuzz dictionary instead of anyone
// copying them by hand.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "box/box_kinds.h"
#include "box/box_reader.h"
#include "box/envelope_decoder.h"
#include "documents/document_verdict.h"
#include "documents/frame_data.h"
#include "documents/sensor_data.h"
#include "documents/skeleton_definition.h"
#include "ravuna_motion_serializer.h"

namespace {

using namespace ravuna_motion_format;

struct NamedNumber {
  const char* name;
  unsigned long long value;
};

#define RAVUNA_NAMED(macro) \
  NamedNumber { #macro, macro }

// Every RAVUNA_DOCUMENT_, RAVUNA_VERDICT_ and RAVUNA_LENIENT_ macro of the
// public header. A macro is not enumerable, so render_facts.py compares these
// names with the header's and fails on one missing here.
constexpr NamedNumber kDocumentKinds[] = {
    RAVUNA_NAMED(RAVUNA_DOCUMENT_NONE),
    RAVUNA_NAMED(RAVUNA_DOCUMENT_SKELETON_DEFINITION),
    RAVUNA_NAMED(RAVUNA_DOCUMENT_FRAME_DATA),
    RAVUNA_NAMED(RAVUNA_DOCUMENT_SENSOR_DATA),
};
constexpr NamedNumber kVerdictReasons[] = {
    RAVUNA_NAMED(RAVUNA_VERDICT_ACCEPTED),
    RAVUNA_NAMED(RAVUNA_VERDICT_NO_HEADER),
    RAVUNA_NAMED(RAVUNA_VERDICT_NO_SENDER_DEFINITION),
    RAVUNA_NAMED(RAVUNA_VERDICT_NO_DATA_BOX),
    RAVUNA_NAMED(RAVUNA_VERDICT_UNSUPPORTED_VERSION),
};
constexpr NamedNumber kLenientReads[] = {
    RAVUNA_NAMED(RAVUNA_LENIENT_VALUE_PAST_END),
    RAVUNA_NAMED(RAVUNA_LENIENT_BOX_OVERRUNS_CONTAINER),
    RAVUNA_NAMED(RAVUNA_LENIENT_UNKNOWN_CODE_SKIPPED),
    RAVUNA_NAMED(RAVUNA_LENIENT_BOX_NOT_WALKED),
    RAVUNA_NAMED(RAVUNA_LENIENT_NESTING_CAP),
    RAVUNA_NAMED(RAVUNA_LENIENT_VISIT_BUDGET),
    RAVUNA_NAMED(RAVUNA_LENIENT_BYTES_LEFT_OVER),
    RAVUNA_NAMED(RAVUNA_LENIENT_VALUE_SIZE_MISMATCH),
    RAVUNA_NAMED(RAVUNA_LENIENT_BOX_MISSING),
};

struct BoxKind {
  const char* name;
  std::uint32_t number;
  std::string_view code;
  const char* valueType;
  std::uint32_t fixedWidth;
};

constexpr BoxKind kBoxKinds[] = {
#define RAVUNA_BOX_FACT(name, number, code, valueType) \
  {#name, number, code, #valueType, FixedValueWidth(BoxValueType::valueType)},
    RAVUNA_BOX_KINDS(RAVUNA_BOX_FACT)
#undef RAVUNA_BOX_FACT
};

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

// With withDataBox each document kind also names its data box ("none" for
// RAVUNA_DOCUMENT_NONE).
void PrintNamed(const char* key, const NamedNumber* first, const NamedNumber* last,
                bool withDataBox = false) {
  std::printf("  \"%s\": [\n", key);
  for (const NamedNumber* named = first; named != last; ++named) {
    std::string dataBox;
    if (withDataBox) {
      dataBox =
          ", \"data_box\": " + Quoted(BoxCode(DataBoxOf(static_cast<std::uint32_t>(named->value))));
    }
    std::printf("    {\"name\": \"%s\", \"value\": %llu%s}%s\n", named->name, named->value,
                dataBox.c_str(), named + 1 != last ? "," : "");
  }
  std::printf("  ],\n");
}

// The generated lengths are "base + step * n": a length function that stops
// being linear must fail here rather than come out wrong elsewhere.
template <class Length>
bool LinearInOne(const char* what, Length length, std::uint64_t& base, std::uint64_t& step) {
  base = length(0);
  step = length(1) - base;
  for (const std::uint64_t n : {2U, 27U, 1000U}) {
    if (length(n) != base + step * n) {
      std::fprintf(stderr, "format_facts: %s is not linear in its count\n", what);
      return false;
    }
  }
  return true;
}

// The library's text for a rejection of bytes judged as the kind they hold,
// as the dissector judges them.
std::string DescribeRejection(std::uint32_t kind, std::uint32_t reason, std::uint32_t version = 0) {
  const RavunaDocumentVerdict verdict{kind, kind, reason, version, 0};
  char text[RAVUNA_VERDICT_TEXT_CAPACITY];
  int length = 0;
  if (!DescribeDocumentVerdict(&verdict, sizeof text, text, &length)) {
    return {};
  }
  return {text, static_cast<std::size_t>(length)};
}

// The library's rejection texts taken apart: a start by judged kind, then a
// reason, the version read standing between the two parts of its sentence.
struct RejectionWords {
  std::array<std::string, kDocumentKindCount> starts;
  std::string noHeader, noSenderDefinition, noDataBox, versionBefore, versionAfter;
};

// The version the sentence is taken with: a number the rest of it cannot hold.
constexpr std::uint32_t kMarkerVersion = 4294967295U;

bool TakeRejectionWords(RejectionWords& words) {
  for (std::uint32_t kind = 0; kind < kDocumentKindCount; ++kind) {
    // The start is what every reason's text of the kind begins with.
    std::string start = DescribeRejection(kind, RAVUNA_VERDICT_NO_HEADER);
    for (const std::uint32_t reason :
         {RAVUNA_VERDICT_NO_SENDER_DEFINITION, RAVUNA_VERDICT_NO_DATA_BOX,
          RAVUNA_VERDICT_UNSUPPORTED_VERSION}) {
      const std::string text = DescribeRejection(kind, reason, kMarkerVersion);
      start.resize(static_cast<std::size_t>(
          std::mismatch(start.begin(), start.end(), text.begin(), text.end()).first -
          start.begin()));
    }
    words.starts[kind] = start;
  }
  const std::size_t noKindStart = words.starts[RAVUNA_DOCUMENT_NONE].size();
  words.noHeader =
      DescribeRejection(RAVUNA_DOCUMENT_NONE, RAVUNA_VERDICT_NO_HEADER).substr(noKindStart);
  words.noSenderDefinition =
      DescribeRejection(RAVUNA_DOCUMENT_NONE, RAVUNA_VERDICT_NO_SENDER_DEFINITION)
          .substr(noKindStart);
  words.noDataBox =
      DescribeRejection(RAVUNA_DOCUMENT_NONE, RAVUNA_VERDICT_NO_DATA_BOX).substr(noKindStart);
  const std::string version =
      DescribeRejection(RAVUNA_DOCUMENT_NONE, RAVUNA_VERDICT_UNSUPPORTED_VERSION, kMarkerVersion)
          .substr(noKindStart);
  const std::string marker = std::to_string(kMarkerVersion);
  const std::size_t at = version.find(marker);
  if (at == std::string::npos || version.find(marker, at + 1) != std::string::npos) {
    std::fprintf(stderr, "format_facts: the version sentence does not name the version once\n");
    return false;
  }
  words.versionBefore = version.substr(0, at);
  words.versionAfter = version.substr(at + marker.size());

  // The parts must compose every text the dissector can show: bytes of no
  // kind lack a data box, a kind found always has its own.
  for (std::uint32_t kind = 0; kind < kDocumentKindCount; ++kind) {
    const std::string& start = words.starts[kind];
    bool composes = DescribeRejection(kind, RAVUNA_VERDICT_NO_HEADER) == start + words.noHeader &&
                    DescribeRejection(kind, RAVUNA_VERDICT_NO_SENDER_DEFINITION) ==
                        start + words.noSenderDefinition;
    for (const std::uint32_t read : {0U, 2U, 255U}) {
      composes =
          composes && DescribeRejection(kind, RAVUNA_VERDICT_UNSUPPORTED_VERSION, read) ==
                          start + words.versionBefore + std::to_string(read) + words.versionAfter;
    }
    if (!composes) {
      std::fprintf(stderr,
                   "format_facts: the rejection texts of kind %u are not a start and a reason\n",
                   kind);
      return false;
    }
  }
  return true;
}

}  // namespace

int main() {
  std::uint64_t skeletonBase = 0, skeletonPerBone = 0, frameBase = 0, framePerBone = 0;
  if (!LinearInOne(
          "SkeletonDefinitionLength",
          [](std::uint64_t n) { return SkeletonDefinitionLength(static_cast<std::int64_t>(n)); },
          skeletonBase, skeletonPerBone) ||
      !LinearInOne(
          "FrameDataLength",
          [](std::uint64_t n) { return FrameDataLength(static_cast<std::int64_t>(n)); }, frameBase,
          framePerBone)) {
    return 1;
  }
  const std::uint64_t sensorBase = SensorDataLength(0, 0);
  const std::uint64_t sensorPerAddressByte = SensorDataLength(1, 0) - sensorBase;
  const std::uint64_t sensorPerNameByte = SensorDataLength(0, 1) - sensorBase;
  for (const auto& [address, name] :
       {std::pair<std::uint64_t, std::uint64_t>{2, 0}, {0, 2}, {3, 5}, {1000, 27}}) {
    if (SensorDataLength(address, name) !=
        sensorBase + sensorPerAddressByte * address + sensorPerNameByte * name) {
      std::fprintf(stderr, "format_facts: SensorDataLength is not linear in its text lengths\n");
      return 1;
    }
  }
  RejectionWords rejection;
  if (!TakeRejectionWords(rejection)) {
    return 1;
  }

  std::printf("{\n");
  std::printf("  \"box_header_size\": %llu,\n", static_cast<unsigned long long>(kBoxHeaderSize));
  std::printf("  \"max_box_depth\": %d,\n", kMaxBoxDepth);
  std::printf("  \"format_type_text\": %s,\n", Quoted(kFormatTypeText).c_str());
  std::printf("  \"current_data_version\": %u,\n", static_cast<unsigned>(kCurrentDataVersion));
  std::printf("  \"box_kinds\": [\n");
  for (const BoxKind& kind : kBoxKinds) {
    std::printf(
        "    {\"name\": \"%s\", \"number\": %u, \"code\": %s, \"value_type\": \"%s\", "
        "\"fixed_width\": %u}%s\n",
        kind.name, kind.number, Quoted(kind.code).c_str(), kind.valueType, kind.fixedWidth,
        kind.number + 1 != kBoxKindCount ? "," : "");
  }
  std::printf("  ],\n");
  PrintNamed("document_kinds", std::begin(kDocumentKinds), std::end(kDocumentKinds), true);
  PrintNamed("verdict_reasons", std::begin(kVerdictReasons), std::end(kVerdictReasons));
  PrintNamed("lenient_reads", std::begin(kLenientReads), std::end(kLenientReads));
  std::printf("  \"verdict_text_capacity\": %d,\n", RAVUNA_VERDICT_TEXT_CAPACITY);
  std::string starts;
  for (const std::string& start : rejection.starts) {
    starts += (starts.empty() ? "" : ", ") + Quoted(start);
  }
  std::printf("  \"rejection_starts\": [%s],\n", starts.c_str());
  std::printf(
      "  \"rejection_reasons\": {\"no_header\": %s, \"no_sender_definition\": %s, "
      "\"no_data_box\": %s, \"unsupported_version\": [%s, %s]},\n",
      Quoted(rejection.noHeader).c_str(), Quoted(rejection.noSenderDefinition).c_str(),
      Quoted(rejection.noDataBox).c_str(), Quoted(rejection.versionBefore).c_str(),
      Quoted(rejection.versionAfter).c_str());
  std::printf("  \"skeleton_definition_length\": {\"base\": %llu, \"per_bone\": %llu},\n",
              static_cast<unsigned long long>(skeletonBase),
              static_cast<unsigned long long>(skeletonPerBone));
  std::printf("  \"frame_data_length\": {\"base\": %llu, \"per_bone\": %llu},\n",
              static_cast<unsigned long long>(frameBase),
              static_cast<unsigned long long>(framePerBone));
  std::printf(
      "  \"sensor_data_length\": {\"base\": %llu, \"per_address_byte\": %llu, "
      "\"per_name_byte\": %llu}\n",
      static_cast<unsigned long long>(sensorBase),
      static_cast<unsigned long long>(sensorPerAddressByte),
      static_cast<unsigned long long>(sensorPerNameByte));
  std::printf("}\n");
  return std::ferror(stdout) != 0 ? 1 : 0;
}
