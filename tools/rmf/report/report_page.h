// The page of `rmf report`: one HTML file holding every script, style and
// datum it shows, so that it opens anywhere without a network.
#pragma once

#include <string>
#include <vector>

#include "rmf/report/report_data.h"
#include "rmf/report/report_skeleton.h"

namespace rmf {

std::string ReportPage(const std::vector<CaptureReport>& captures, const SkeletonView& view);

}  // namespace rmf
