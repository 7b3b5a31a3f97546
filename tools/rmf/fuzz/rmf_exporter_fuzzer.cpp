// Hostile documents and captures into `rmf export`'s exporters. The first
// byte picks the conventions (quaternion order, space, up axis, Euler order,
// position channels, scale); the rest is a capture as it stands, or
// documents each behind a 2-byte length, one input each, so that skeletons
// and frames meet in any order. No crash, leak or overrun; every row and
// MOTION line is whole; no value written is infinite or NaN; every frame is
// written or counted.
#include <cstddef>
#include <cstdint>
#include <variant>

#include "fuzz_support.h"
#include "rmf/capture/capture_reading.h"
#include "rmf/export/bvh_export.h"
#include "rmf/export/csv_export.h"
#include "rmf/export/export_command.h"

namespace {

namespace motion = rmf::motion;

motion::Conventions ConventionsOf(std::uint8_t bits) {
  motion::Conventions conventions;
  conventions.quaternion =
      (bits & 1U) != 0 ? motion::QuaternionOrder::wxyz : motion::QuaternionOrder::xyzw;
  conventions.space = (bits & 2U) != 0 ? motion::Space::world : motion::Space::local;
  conventions.up = (bits & 4U) != 0 ? motion::UpAxis::z : motion::UpAxis::y;
  conventions.euler = static_cast<motion::EulerOrder>((bits >> 3U) % 6U);
  conventions.scale = (bits & 0x80U) != 0 ? 1e-3 : 1.0;
  return conventions;
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

void CheckBvh(const rmf::SenderStream& stream, const rmf::BvhOptions& options) {
  rmf::ExportProblems problems;
  const rmf::BvhFile file = rmf::ExportBvh(stream, options, problems);
  std::uint64_t frames = 0;
  for (const rmf::StreamDocument& document : stream.documents) {
    frames += document.kind == rmf::DocumentKind::frameData ? 1 : 0;
  }
  RAVUNA_FUZZ_CHECK(file.frames <= frames);
  RAVUNA_FUZZ_CHECK(file.frames == frames || problems.Total() != 0);
  if (file.text.empty()) {
    RAVUNA_FUZZ_CHECK(file.frames == 0);
    return;
  }
  const std::string motion = file.text.substr(file.text.find("MOTION\n"));
  RAVUNA_FUZZ_CHECK(Count(motion, "\n") == 3 + file.frames);
  RAVUNA_FUZZ_CHECK(motion.find("nan") == std::string::npos);
  RAVUNA_FUZZ_CHECK(motion.find("inf") == std::string::npos);
  const std::size_t channels = 3 * file.joints + 3 * Count(file.text, "Xposition");
  const std::size_t start = motion.find('\n', motion.find("Frame Time:")) + 1;
  const std::string line = motion.substr(start, motion.find('\n', start) - start);
  RAVUNA_FUZZ_CHECK(Count(line, " ") + 1 == channels);
}

void CheckCsv(const rmf::SenderStream& stream, motion::QuaternionOrder order) {
  rmf::ExportProblems problems;
  const rmf::CsvTables tables = rmf::ExportCsv(stream, order, problems);
  std::uint64_t rows = 0;
  for (const rmf::StreamDocument& document : stream.documents) {
    if (const auto* frame = std::get_if<rmf::FrameDataValues>(&document.values)) {
      rows += frame->boneIds.size();
    }
  }
  RAVUNA_FUZZ_CHECK(tables.frameRows == rows);
  // Frame rows hold no text that could carry a line break.
  RAVUNA_FUZZ_CHECK(Count(tables.frames, "\r\n") == (tables.frames.empty() ? 0 : rows + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  rmf::BvhOptions options;
  options.conventions = ConventionsOf(data[0]);
  options.jointPositions = (data[0] & 0x40U) != 0;
  std::vector<rmf::SenderStream> streams;
  const rmf::Bytes rest(data + 1, data + size);
  try {
    if (rmf::LooksLikeCapture(rest)) {
      rmf::AddInput(streams, "capture", rest);
    } else {
      for (std::size_t at = 0; at + 2 <= rest.size();) {
        const std::size_t length =
            std::min<std::size_t>(rest[at] | std::size_t{rest[at + 1]} << 8U, rest.size() - at - 2);
        const rmf::Bytes document(rest.begin() + static_cast<std::ptrdiff_t>(at + 2),
                                  rest.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
        at += 2 + length;
        try {
          rmf::AddInput(streams, "document", document);
        } catch (const rmf::InputError&) {
          // Bytes that are no document: refused by name in `rmf export`.
        }
      }
    }
  } catch (const rmf::InputError&) {
    return 0;
  }
  for (const rmf::SenderStream& stream : streams) {
    CheckBvh(stream, options);
    CheckCsv(stream, options.conventions.quaternion);
    RAVUNA_FUZZ_CHECK(Count(rmf::ExportJsonLines(stream), "\n") == stream.documents.size());
  }
  return 0;
}
