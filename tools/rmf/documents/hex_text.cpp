#include "rmf/documents/hex_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <vector>

#include "rmf/output/value_format.h"

namespace rmf {
namespace {

// A "*" may stand for many lines of repeats; filling in more than this is
// taken for a hostile offset rather than a real dump.
constexpr std::uint64_t kMaxRepeatedBytes = std::uint64_t{1} << 28U;

enum class Layout { plain, xxd, hexdumpCanonical, cArray };

const char* LayoutName(Layout layout) {
  switch (layout) {
    case Layout::plain: return "plain hex";
    case Layout::xxd: return "xxd dump";
    case Layout::hexdumpCanonical: return "hexdump -C dump";
    case Layout::cArray: return "xxd -i array";
  }
  return "";
}

struct Line {
  std::string_view text;
  std::size_t number = 0;  // 1-based
  std::size_t start = 0;   // of the line in the whole text
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
    }
    lines.push_back({line, lines.size() + 1, start});
    start = end + 1;
  }
  return lines;
}

int HexDigitValue(char character) {
  if (character >= '0' && character <= '9') {
    return character - '0';
  }
  if (character >= 'a' && character <= 'f') {
    return character - 'a' + 10;
  }
  if (character >= 'A' && character <= 'F') {
    return character - 'A' + 10;
  }
  return -1;
}

bool IsHexSpace(char character) {
  return character == ' ' || character == '\t' || character == '\r' || character == '\f' ||
         character == '\v';
}

bool IsHexDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return HexDigitValue(c) >= 0; });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsHexSpace(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsHexSpace(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsHexSpace(text[at])) {
      ++at;
    }
    const std::size_t start = at;
    while (at < text.size() && !IsHexSpace(text[at])) {
      ++at;
    }
    if (at > start) {
      tokens.push_back(text.substr(start, at - start));
    }
  }
  return tokens;
}

class HexReader {
 public:
  explicit HexReader(Layout layout) : layout_(layout) {}

  [[noreturn]] void Fail(const Line& line, std::size_t column, const std::string& what) const {
    throw InputError("bad hex (" + std::string(LayoutName(layout_)) + "): line " +
                     std::to_string(line.number) + ", column " + std::to_string(column + 1) + ": " +
                     what);
  }

  // Pairs of digits in columns [first, last) of the line; white space, "0x"
  // prefixes and, in a C array, commas are skipped.
  void AppendPairs(const Line& line, std::size_t first, std::size_t last, Bytes& bytes) const {
    const std::string_view text = line.text;
    last = std::min(last, text.size());
    std::size_t at = first;
    while (at < last) {
      const char character = text[at];
      if (IsHexSpace(character) || (layout_ == Layout::cArray && character == ',')) {
        ++at;
        continue;
      }
      if (character == '0' && at + 1 < last && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        at += 2;
        continue;
      }
      if (HexDigitValue(character) < 0) {
        Fail(line, at, "unexpected character " + QuoteText(text.substr(at, 1)));
      }
      if (at + 1 >= last || HexDigitValue(text[at + 1]) < 0) {
        if (at + 1 < last && !IsHexSpace(text[at + 1]) && text[at + 1] != ',') {
          Fail(line, at + 1, "unexpected character " + QuoteText(text.substr(at + 1, 1)));
        }
        Fail(line, at, "a lone digit: each byte needs two");
      }
      bytes.push_back(
          static_cast<std::uint8_t>(HexDigitValue(character) * 16 + HexDigitValue(text[at + 1])));
      at += 2;
    }
  }

  // Brings the bytes up to the offset a dump line gives: the first line sets
  // where the dump starts, a "*" line before it repeats the last line's bytes
  // up to it, and any other offset means lines are missing or out of order.
  void MoveToOffset(const Line& line, std::string_view digits, Bytes& bytes) {
    std::uint64_t offset = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), offset, 16);
    if (!IsHexDigits(digits) || parsed.ec != std::errc{}) {
      Fail(line, 0, "expected the offset column");
    }
    start_ = start_.value_or(offset);
    const std::uint64_t reached = *start_ + bytes.size();
    if (repeatPending_) {
      repeatPending_ = false;
      const std::uint64_t gap = offset - reached;
      if (offset < reached || lastLine_.empty() || gap % lastLine_.size() != 0 ||
          gap > kMaxRepeatedBytes) {
        Fail(line, 0, "the lines left out at '*' do not lead to this offset");
      }
      for (std::uint64_t k = 0; k < gap / lastLine_.size(); ++k) {
        bytes.insert(bytes.end(), lastLine_.begin(), lastLine_.end());
      }
    } else if (offset != reached) {
      Fail(line, 0,
           "offset " + std::string(digits) + " where " + ToHex(reached) +
               " was expected: lines are missing or out of order");
    }
  }

  // The bytes of one dump line, whose offset column ends before `first`.
  void AppendDumpLine(const Line& line, std::string_view offset, std::size_t first,
                      std::size_t last, Bytes& bytes) {
    MoveToOffset(line, offset, bytes);
    const std::size_t before = bytes.size();
    AppendPairs(line, first, last, bytes);
    lastLine_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(before), bytes.end());
  }

  void RepeatFollows() { repeatPending_ = true; }

 private:
  static std::string ToHex(std::uint64_t value) {
    std::array<char, 24> text{};
    return {text.data(), std::to_chars(text.data(), text.data() + text.size(), value, 16).ptr};
  }

  Layout layout_;
  std::optional<std::uint64_t> start_;
  bool repeatPending_ = false;
  Bytes lastLine_;
};

// By the first line: the text columns of dumps may hold any character, so
// they are recognised before braces and commas are looked for.
Layout DetectLayout(std::string_view text, std::string_view firstLine) {
  const std::size_t colon = firstLine.find(':');
  if (colon != std::string_view::npos && IsHexDigits(firstLine.substr(0, colon))) {
    return Layout::xxd;
  }
  const std::size_t gap = firstLine.find("  ");
  if (firstLine.find('|') != std::string_view::npos && gap != std::string_view::npos &&
      IsHexDigits(firstLine.substr(0, gap))) {
    return Layout::hexdumpCanonical;
  }
  if (text.find('{') != std::string_view::npos || firstLine.find(',') != std::string_view::npos) {
    return Layout::cArray;
  }
  return Layout::plain;
}

// Dumps whose bytes plain reading would get wrong.
std::optional<std::string> RefusedLayout(std::string_view firstLine) {
  const std::vector<std::string_view> tokens = Tokens(firstLine);
  if (tokens.size() < 2 || !std::all_of(tokens.begin(), tokens.end(), IsHexDigits)) {
    return std::nullopt;
  }
  const bool offsetColumn = tokens[0].size() >= 6;
  const auto allOfWidth = [&](std::size_t width) {
    return std::all_of(tokens.begin() + (offsetColumn ? 1 : 0), tokens.end(),
                       [width](std::string_view token) { return token.size() == width; });
  };
  if (allOfWidth(4)) {
    return "16-bit words (hexdump without -C, od -x) in the machine's byte order";
  }
  if (offsetColumn && allOfWidth(2)) {
    return "od output with its offset column";
  }
  return std::nullopt;
}

Bytes ParsePlain(const std::vector<Line>& lines) {
  const HexReader reader(Layout::plain);
  Bytes bytes;
  for (const Line& line : lines) {
    if (Trimmed(line.text) == "*") {
      reader.Fail(line, 0,
                  "'*' stands for repeated lines left out, and without offsets their number is "
                  "unknown: use od -v -An -tx1");
    }
    reader.AppendPairs(line, 0, line.text.size(), bytes);
  }
  return bytes;
}

Bytes ParseXxd(const std::vector<Line>& lines) {
  HexReader reader(Layout::xxd);
  Bytes bytes;
  for (const Line& line : lines) {
    if (Trimmed(line.text) == "*") {
      reader.RepeatFollows();
      continue;
    }
    const std::size_t colon = line.text.find(':');
    if (colon == std::string_view::npos) {
      reader.Fail(line, 0, "expected the offset column");
    }
    // The hex columns end at the two blanks before the text column.
    const std::size_t textColumn = line.text.find("  ", colon + 1);
    const std::vector<std::string_view> groups =
        Tokens(line.text.substr(colon + 1, textColumn - colon - 1));
    if (groups.size() == 6 && std::all_of(groups.begin(), groups.end(), [](std::string_view g) {
          return g.size() == 8 && g.find_first_not_of("01") == std::string_view::npos;
        })) {
      reader.Fail(line, colon + 2, "these are bits (xxd -b): use xxd, xxd -p or xxd -i");
    }
    reader.AppendDumpLine(line, line.text.substr(0, colon), colon + 1, textColumn, bytes);
  }
  return bytes;
}

Bytes ParseHexdumpCanonical(const std::vector<Line>& lines) {
  HexReader reader(Layout::hexdumpCanonical);
  Bytes bytes;
  for (const Line& line : lines) {
    const std::string_view text = Trimmed(line.text);
    if (text == "*") {
      reader.RepeatFollows();
      continue;
    }
    // A line of the offset alone ends the dump with the total length.
    const std::size_t offsetEnd = std::min(line.text.find(' '), line.text.size());
    reader.AppendDumpLine(line, line.text.substr(0, offsetEnd), offsetEnd, line.text.find('|'),
                          bytes);
  }
  return bytes;
}

// Only the part between the braces, when there are braces; a stated length
// after them ("unsigned int name_len = 147;") must match.
Bytes ParseCArray(std::string_view text, const std::vector<Line>& lines) {
  const HexReader reader(Layout::cArray);
  const std::size_t open = text.find('{');
  const std::size_t first = open == std::string_view::npos ? 0 : open + 1;
  const std::size_t last = open == std::string_view::npos ? text.size() : text.find('}', first);
  Bytes bytes;
  for (const Line& line : lines) {
    if (last == std::string_view::npos) {
      reader.Fail(lines.back(), lines.back().text.size(), "the array has no closing '}'");
    }
    const std::size_t lineEnd = line.start + line.text.size();
    if (lineEnd >= first && line.start < last) {
      reader.AppendPairs(line, std::max(first, line.start) - line.start,
                         std::min(last, lineEnd) - line.start, bytes);
    }
  }
  const std::size_t lengthAt = text.find("_len = ", std::min(last, text.size()));
  if (lengthAt != std::string_view::npos) {
    std::uint64_t stated = 0;
    const std::string_view rest = text.substr(lengthAt + 7);
    std::from_chars(rest.data(), rest.data() + rest.size(), stated);
    if (stated != bytes.size()) {
      throw InputError("bad hex (xxd -i array): " + std::to_string(bytes.size()) +
                       " bytes, but the stated length is " + std::to_string(stated));
    }
  }
  return bytes;
}

bool IsTextCharacter(char character) {
  return (character >= ' ' && character <= '~') || character == '\n' || IsHexSpace(character);
}

// An offset column as xxd and hexdump -C print it: at least seven digits.
bool HasDumpOffsetColumn(Layout layout, std::string_view firstLine) {
  if (layout != Layout::xxd && layout != Layout::hexdumpCanonical) {
    return false;
  }
  const std::size_t end = firstLine.find_first_of(layout == Layout::xxd ? ":" : " ");
  return end != std::string_view::npos && end >= 7;
}

}  // namespace

bool LooksLikeHexText(std::string_view text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), IsTextCharacter)) {
    return false;
  }
  std::vector<Line> lines = SplitLines(text);
  std::erase_if(lines, [](const Line& line) { return Trimmed(line.text).empty(); });
  if (lines.empty()) {
    return false;
  }
  const std::string_view first = lines.front().text;
  if (HasDumpOffsetColumn(DetectLayout(text, first), first) || RefusedLayout(first).has_value()) {
    return true;
  }
  try {
    return !ParseHexText(text).empty();
  } catch (const InputError&) {
    return false;
  }
}

Bytes ParseHexText(std::string_view text) {
  std::vector<Line> lines = SplitLines(text);
  std::erase_if(lines, [](const Line& line) { return Trimmed(line.text).empty(); });
  if (lines.empty()) {
    return {};
  }
  switch (DetectLayout(text, lines.front().text)) {
    case Layout::xxd: return ParseXxd(lines);
    case Layout::hexdumpCanonical: return ParseHexdumpCanonical(lines);
    case Layout::cArray: return ParseCArray(text, lines);
    case Layout::plain: break;
  }
  if (const std::optional<std::string> refused = RefusedLayout(lines.front().text)) {
    throw InputError("not hex this tool reads: line 1 looks like " + *refused +
                     "; use xxd, hexdump -C or od -An -tx1");
  }
  return ParsePlain(lines);
}

}  // namespace rmf
