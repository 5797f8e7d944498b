#pragma once

#include <string>

#include "base/Paths.h"

namespace twinlens {

// The extension of a file's name (".mkv"), in lower case.
std::string extensionOf(const std::string& path, PathStyle style);

// Whether a video extension names a picture format, which ffmpeg writes as a numbered sequence.
bool picturesOut(const std::string& extension);

// The file ffmpeg encodes a script or graph named `scriptName` into: its name with the video
// extension, behind "ImgSeq_%07d_" for a picture sequence.
std::string encodedName(const std::string& scriptName, const std::string& extension,
                        PathStyle style);

}  // namespace twinlens
