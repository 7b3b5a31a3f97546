// The scripts and styles the page inlines, embedded at build time from
// tools/rmf/report/page/ and the pinned npm packages (embed_assets.cmake).
#pragma once

#include <string_view>

namespace rmf::report_assets {

extern const std::string_view kUplotScript;
extern const std::string_view kUplotStyle;
extern const std::string_view kPageScript;
extern const std::string_view kPageStyle;

}  // namespace rmf::report_assets
