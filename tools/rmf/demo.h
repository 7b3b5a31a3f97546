// `rmf demo`: writes sample documents of every kind and two captures of them
// into a folder, then inspects them.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

namespace rmf {

inline constexpr int kDemoFrameCount = 4;
inline constexpr std::size_t kDemoShownFrame = 2;

// Returns the exit status: 0, or 1 if a sample were rejected.
int RunDemo(const std::string& folder, bool json, std::ostream& out);

}  // namespace rmf
