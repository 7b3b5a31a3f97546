#include "rmf/report/report_page.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "rmf/output/json_output.h"
#include "rmf/output/text_output.h"
#include "rmf/report/report_assets.h"

namespace rmf {
namespace {

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Fixed(double value, int decimals) {
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  return text.data();
}

// Shortest text of a double rounded to `significant` digits: the page's
// series need no more, and the file stays small.
double Rounded(double value, int significant) {
  if (value == 0 || !std::isfinite(value)) {
    return std::isfinite(value) ? value : 0.0;
  }
  const double scale =
      std::pow(10.0, significant - 1 - static_cast<int>(std::floor(std::log10(std::abs(value)))));
  return std::round(value * scale) / scale;
}

Json Numbers(const std::vector<double>& values, int significant) {
  Json array = Json::array();
  for (const double value : values) {
    array.push_back(Rounded(value, significant));
  }
  return array;
}

// Capture seconds to microseconds, values to six digits.
Json SeriesToJson(const Series& series) {
  Json times = Json::array();
  for (const double t : series.t) {
    times.push_back(std::round(t * 1e6) / 1e6);
  }
  return {{"t", std::move(times)}, {"v", Numbers(series.v, 6)}, {"source", series.sourcePoints}};
}

const char* EventName(FrameEvent event) {
  switch (event) {
    case FrameEvent::reordered: return "reordered";
    case FrameEvent::repeat: return "repeat";
    case FrameEvent::backwards: return "backwards";
    default: return "other";
  }
}

Json EventsToJson(const SenderReport& sender, const FrameStats& frames) {
  Json events = Json::object();
  Json gaps = Json::array();
  for (const FrameMark& gap : sender.gaps) {
    gaps.push_back({std::round(gap.t * 1e6) / 1e6, gap.number, gap.count});
  }
  events["gap"] = {{"marks", std::move(gaps)}, {"count", frames.gaps}};
  for (const FrameEvent event :
       {FrameEvent::reordered, FrameEvent::repeat, FrameEvent::backwards}) {
    Json marks = Json::array();
    const auto found = sender.events.find(event);
    if (found != sender.events.end()) {
      for (const FrameMark& mark : found->second) {
        marks.push_back({std::round(mark.t * 1e6) / 1e6, mark.number});
      }
    }
    const auto count = sender.eventCounts.find(event);
    events[EventName(event)] = {{"marks", std::move(marks)},
                                {"count", count == sender.eventCounts.end() ? 0 : count->second}};
  }
  return events;
}

// Joint positions as 16-bit integers about their centre, base64: a third of
// the size of float text, and millimetres for a body a few metres across.
std::string Base64(const std::vector<std::uint8_t>& bytes) {
  static constexpr std::string_view kDigits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::uint32_t group = (static_cast<std::uint32_t>(bytes[i]) << 16U) |
                                (i + 1 < bytes.size() ? std::uint32_t{bytes[i + 1]} << 8U : 0U) |
                                (i + 2 < bytes.size() ? std::uint32_t{bytes[i + 2]} : 0U);
    text += kDigits[group >> 18U & 63U];
    text += kDigits[group >> 12U & 63U];
    text += i + 1 < bytes.size() ? kDigits[group >> 6U & 63U] : '=';
    text += i + 2 < bytes.size() ? kDigits[group & 63U] : '=';
  }
  return text;
}

Json SkeletonToJson(const SenderReport& sender, const SkeletonView& view) {
  const PosedFrames posed = PoseFrames(sender, view);
  Json skeleton = {{"note", posed.note}, {"frames", posed.frames}};
  if (posed.frames == 0 || posed.positions.empty()) {
    return skeleton;
  }
  std::array<float, 3> low{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
                           std::numeric_limits<float>::max()};
  std::array<float, 3> high{-low[0], -low[1], -low[2]};
  for (std::size_t i = 0; i < posed.positions.size(); ++i) {
    if (std::isfinite(posed.positions[i])) {
      low[i % 3] = std::min(low[i % 3], posed.positions[i]);
      high[i % 3] = std::max(high[i % 3], posed.positions[i]);
    }
  }
  std::array<double, 3> center{};
  double extent = 1e-6;
  for (std::size_t k = 0; k < 3; ++k) {
    if (low[k] <= high[k]) {
      center[k] = (static_cast<double>(low[k]) + static_cast<double>(high[k])) / 2;
      extent = std::max(extent, (static_cast<double>(high[k]) - static_cast<double>(low[k])) / 2);
    }
  }
  const double scale = extent / 32000.0;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(posed.positions.size() * 2);
  for (std::size_t i = 0; i < posed.positions.size(); ++i) {
    const auto value = static_cast<double>(posed.positions[i]);
    const auto q = static_cast<std::int16_t>(
        std::isfinite(value)
            ? std::clamp(std::lround((value - center[i % 3]) / scale), -32000L, 32000L)
            : 0L);
    const auto u = static_cast<std::uint16_t>(q);
    bytes.push_back(static_cast<std::uint8_t>(u & 0xffU));  // little-endian, as Int16Array reads
    bytes.push_back(static_cast<std::uint8_t>(u >> 8U));
  }
  Json times = Json::array();
  for (const double t : sender.animation.t) {
    times.push_back(std::round(t * 1e6) / 1e6);
  }
  skeleton["parents"] = posed.parents;
  skeleton["bone_ids"] = posed.boneIds;
  skeleton["t"] = std::move(times);
  skeleton["numbers"] = sender.animation.numbers;
  skeleton["stride"] = sender.animation.stride;
  skeleton["source_frames"] = sender.animation.sourceFrames;
  skeleton["center"] = center;
  skeleton["scale"] = scale;
  skeleton["positions"] = Base64(bytes);
  return skeleton;
}

Json SensorsToJson(const SenderReport& sender) {
  Json sensors = Json::array();
  for (const SensorSeries& sensor : sender.sensors) {
    Json values = Json::array();
    for (const std::vector<float>& component : sensor.values) {
      values.push_back(Numbers(std::vector<double>(component.begin(), component.end()), 7));
    }
    Json times = Json::array();
    for (const double t : sensor.t) {
      times.push_back(std::round(t * 1e6) / 1e6);
    }
    sensors.push_back({{"address", TextToJson(sensor.address)},
                       {"name", TextToJson(sensor.name)},
                       {"joint", sensor.jointIndex ? Json(*sensor.jointIndex) : Json(nullptr)},
                       {"records", sensor.records},
                       {"stride", sensor.stride},
                       {"t", std::move(times)},
                       {"values", std::move(values)}});
  }
  return sensors;
}

Json SenderToJson(const SenderReport& sender, const SenderStats& stats, const SkeletonView& view,
                  std::int64_t firstMicroseconds) {
  const Histogram& h = sender.histogram;
  Json clock = SeriesToJson(sender.clockMs);
  if (const std::optional<ClockEstimate> estimate = stats.frames.Clock()) {
    clock["offset_ms"] = estimate->offsetSeconds * 1000;
    clock["drift_ppm"] = estimate->driftPpm;
    clock["at"] = estimate->meanSeconds - static_cast<double>(firstMicroseconds) / 1e6;
  }
  return {{"intervals", SeriesToJson(sender.intervalsMs)},
          {"events", EventsToJson(sender, stats.frames)},
          {"histogram",
           {{"low_ms", h.lowMs}, {"bin_ms", h.binMs}, {"counts", h.counts}, {"above", h.above}}},
          {"clock", std::move(clock)},
          {"skeleton", SkeletonToJson(sender, view)},
          {"sensors", SensorsToJson(sender)}};
}

// A table row: a heading and a value whose cell names the count it holds,
// so that tests and readers of the page's source find it.
void Row(std::string& html, std::string_view heading, std::string_view name,
         const std::string& value) {
  html += "<tr><th>" + Escaped(heading) + "</th><td data-count=\"" + std::string(name) + "\">" +
          Escaped(value) + "</td></tr>\n";
}

std::string Count(std::uint64_t value) { return std::to_string(value); }

std::string Ms(double microseconds) { return Fixed(microseconds / 1000, 3) + " ms"; }

void SenderSummary(std::string& html, const SenderStats& sender) {
  html += "<table class=\"summary\">\n";
  for (const DocumentKind kind : kDocumentKinds) {
    Row(html, std::string(DocumentKindName(kind)) + " documents", DocumentKindName(kind),
        Count(sender.DocumentsOf(kind)));
  }
  Row(html, "malformed packets", "malformed_packets", Count(sender.malformedPackets));
  Row(html, "checksum failures", "checksum_failures", Count(sender.checksumFailures));
  Row(html, "of them likely checksum offload", "checksum_offload_likely",
      Count(sender.checksumOffload));
  const FrameStats& f = sender.frames;
  Row(html, "frames", "frames", Count(f.count));
  if (f.count != 0) {
    Row(html, "frame numbers", "numbers",
        std::to_string(*f.firstNumber) + " to " + std::to_string(*f.lastNumber));
    const std::optional<double> rate = f.Rate();
    Row(html, "frame rate", "rate", rate ? Fixed(*rate, 3) + "/s" : "-");
    Row(html, "gaps", "gaps", Count(f.gaps));
    Row(html, "frames missing (never came within " + std::to_string(kReorderWindow) + " numbers)",
        "missing_frames", Count(f.missingFrames));
    Row(html, "reordered (came late, within the window)", "reordered", Count(f.reordered));
    Row(html, "repeats", "repeats", Count(f.repeats));
    Row(html, "backwards (numbering began again)", "backwards", Count(f.backwards));
    Row(html, "first timecode", "first_timecode", FormatOptionalTimecode(f.firstTimecode));
    Row(html, "last timecode", "last_timecode", FormatOptionalTimecode(f.lastTimecode));
  }
  html += "</table>\n";
}

void TimingTable(std::string& html, const FrameStats& f) {
  html += "<table class=\"summary\">\n";
  Row(html, "jitter (RFC 3550 interarrival, against uttm)", "jitter_ms",
      f.jitterMicroseconds ? Ms(*f.jitterMicroseconds) : "-");
  if (const std::optional<IntervalPercentiles> p = f.Percentiles()) {
    Row(html, "shortest interval", "interval_min", Ms(static_cast<double>(p->min)));
    Row(html, "median interval", "interval_p50", Ms(p->p50));
    Row(html, "90th percentile", "interval_p90", Ms(p->p90));
    Row(html, "99th percentile", "interval_p99", Ms(p->p99));
    Row(html, "99.9th percentile", "interval_p99_9", Ms(p->p999));
    Row(html, "longest interval", "interval_max", Ms(static_cast<double>(p->max)));
  }
  html += "</table>\n";
}

void ClockTable(std::string& html, const FrameStats& f) {
  const std::optional<ClockEstimate> clock = f.Clock();
  if (!clock) {
    html += "<p class=\"note\">No two frames carry a uttm: no clock estimate.</p>\n";
    return;
  }
  html +=
      "<p class=\"note\">Estimates: uttm is the sender's clock, the capture time the capturing "
      "host's; the two may not be synchronised, and network delay adds to the difference.</p>\n"
      "<table class=\"summary\">\n";
  Row(html, "offset estimate (mean of uttm - capture time)", "clock_offset_ms",
      Ms(clock->offsetSeconds * 1e6));
  Row(html, "drift estimate (least-squares slope)", "clock_drift_ppm",
      Fixed(clock->driftPpm, 1) + " ppm");
  html += "</table>\n";
}

void SenderSection(std::string& html, const std::string& id, const SenderStats& sender) {
  html += "<section class=\"sender\" data-sender=\"" + id + "\">\n<h3>sender " +
          Escaped(sender.packetSource) + " <small>(documents from";
  for (const std::string& from : sender.documentSenders) {
    html.append(" ").append(Escaped(from));
  }
  html += sender.documentSenders.empty() ? " -)" : ")";
  html += "</small></h3>\n";
  SenderSummary(html, sender);
  if (sender.frames.count != 0) {
    html +=
        "<h4>Timing</h4>\n<div class=\"plot\" data-plot=\"intervals\"></div>\n"
        "<p class=\"note\" data-note=\"intervals\"></p>\n"
        "<div class=\"row\"><div class=\"plot\" data-plot=\"histogram\"></div>\n";
    TimingTable(html, sender.frames);
    html += "</div>\n<h4>Clocks</h4>\n";
    ClockTable(html, sender.frames);
    html +=
        "<div class=\"plot\" data-plot=\"clock\"></div>\n<p class=\"note\" "
        "data-note=\"clock\"></p>\n"
        "<h4>Skeleton</h4>\n<div class=\"skeleton\">"
        "<canvas width=\"640\" height=\"420\" data-skeleton></canvas>\n"
        "<div class=\"controls\"><button type=\"button\" data-play>Play</button>"
        "<input type=\"range\" min=\"0\" max=\"0\" value=\"0\" data-scrub>"
        "<span data-frame-label></span></div>\n"
        "<p class=\"note\" data-note=\"skeleton\"></p></div>\n";
  }
  if (sender.DocumentsOf(DocumentKind::sensorData) != 0) {
    html += "<h4>Sensor records</h4>\n<div data-sensors></div>\n";
  }
  html += "</section>\n";
}

void CaptureSummary(std::string& html, const CaptureStats& stats) {
  html += "<table class=\"summary\">\n";
  Row(html, "packets", "packets", Count(stats.packets));
  Row(html, "UDP packets", "udp_packets", Count(stats.udpPackets));
  Row(html, "documents", "documents", Count(stats.documents));
  Row(html, "malformed packets", "malformed_packets", Count(stats.malformedPackets));
  Row(html, "other UDP", "other_udp_packets", Count(stats.otherUdpPackets));
  Row(html, "IP fragments", "ip_fragments", Count(stats.fragments));
  Row(html, "incomplete datagrams", "incomplete_datagrams", Count(stats.incompleteDatagrams));
  Row(html, "UDP checksum failures", "checksum_failures", Count(stats.checksumFailures));
  Row(html, "of them likely checksum offload (captured on the sending host)",
      "checksum_offload_likely", Count(stats.checksumOffload));
  html += "</table>\n";
}

void ProblemsSection(std::string& html, const CaptureReport& report) {
  std::uint64_t total = 0;
  for (const auto& entry : report.problemCounts) {
    total += entry.second;
  }
  html += "<h3>Problems <small data-count=\"problems\">" + Count(total) + "</small></h3>\n";
  if (!report.damage.empty()) {
    html += "<p class=\"problem\" data-damage>" + Escaped(report.damage) + "</p>\n";
  }
  if (report.stats.incompleteDatagrams != 0) {
    html += "<p class=\"problem\">" + Count(report.stats.incompleteDatagrams) +
            " IP datagrams never got all their fragments.</p>\n";
  }
  if (total == 0) {
    html += "<p class=\"note\">No malformed packet, lenient read or checksum failure.</p>\n";
    return;
  }
  html +=
      "<table class=\"problems\" data-problem-counts>\n<tr><th>how often</th><th>what</th></tr>\n";
  for (const auto& [text, count] : report.problemCounts) {
    html += "<tr><td>" + Count(count) + "</td><td>" + Escaped(text) + "</td></tr>\n";
  }
  html += "</table>\n";
  if (report.problems.size() < total) {
    html += "<p class=\"note\">The first " + Count(report.problems.size()) + " of " + Count(total) +
            " are listed.</p>\n";
  }
  html +=
      "<table class=\"problems\" data-problem-list>\n<tr><th>packet</th><th>time (s)</th>"
      "<th>from</th><th>kind</th><th>the library's verdict, or what is wrong</th></tr>\n";
  for (const Problem& problem : report.problems) {
    html += "<tr><td>" + Count(problem.packet) + "</td><td>" + Fixed(problem.t, 6) + "</td><td>" +
            Escaped(problem.source) + "</td><td>" + Escaped(problem.kind) + "</td><td>" +
            Escaped(problem.text) + "</td></tr>\n";
  }
  html += "</table>\n";
}

// JSON inside a script element: "<" escaped, so that no "</script>" ends it.
std::string ScriptJson(const Json& data) {
  const std::string text = data.dump(-1, ' ', false, Json::error_handler_t::replace);
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '<') {
      out += "\\u003c";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string ReportPage(const std::vector<CaptureReport>& captures, const SkeletonView& view) {
  std::string names;
  for (const CaptureReport& capture : captures) {
    names += (names.empty() ? "" : ", ") + capture.path;
  }
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>rmf "
      "report: " +
      Escaped(names) + "</title>\n<style>\n";
  html.append(report_assets::kUplotStyle).append("\n").append(report_assets::kPageStyle);
  html += "</style>\n</head>\n<body>\n<header><h1>rmf report</h1><p>" + Escaped(names) +
          "</p></header>\n<main>\n";
  Json data = {{"captures", Json::array()}};
  for (std::size_t c = 0; c < captures.size(); ++c) {
    const CaptureReport& capture = captures[c];
    html += "<section class=\"capture\" data-capture=\"" + std::to_string(c) + "\">\n<h2>" +
            Escaped(capture.path) + "</h2>\n";
    CaptureSummary(html, capture.stats);
    Json senders = Json::array();
    for (std::size_t s = 0; s < capture.senders.size(); ++s) {
      const std::string id = std::to_string(c) + "-" + std::to_string(s);
      SenderSection(html, id, capture.stats.senders[s]);
      Json sender = SenderToJson(capture.senders[s], capture.stats.senders[s], view,
                                 capture.firstMicroseconds);
      sender["id"] = id;
      senders.push_back(std::move(sender));
    }
    ProblemsSection(html, capture);
    html += "</section>\n";
    data["captures"].push_back({{"path", capture.path}, {"senders", std::move(senders)}});
  }
  html += "</main>\n<script type=\"application/json\" id=\"rmf-data\">" + ScriptJson(data) +
          "</script>\n<script>\n";
  html.append(report_assets::kUplotScript).append("\n</script>\n<script>\n");
  html.append(report_assets::kPageScript).append("\n</script>\n</body>\n</html>\n");
  return html;
}

}  // namespace rmf
