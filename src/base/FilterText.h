#pragma once

#include <string>
#include <string_view>

namespace twinlens {

// A text as the value of an ffmpeg filter option: escaped for the option parser, then quoted for
// the graph parser, so that any file name or typed text stays one value.
std::string filterValue(std::string_view text);

}  // namespace twinlens
