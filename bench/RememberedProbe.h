#pragma once

#include <map>
#include <string>

#include "media/FfprobeMediaProbe.h"

namespace twinlens {

// ffprobe's readings, each file's once, as a scan keeps them.
class RememberedProbe : public MediaProbe {
 public:
  explicit RememberedProbe(const ConversionSettings& settings) : ffprobe_(settings) {}
  MediaInfo probe(const std::string& path) override {
    const auto it = read_.find(path);
    return it != read_.end() ? it->second : read_[path] = ffprobe_.probe(path);
  }

 private:
  FfprobeMediaProbe ffprobe_;
  std::map<std::string, MediaInfo> read_;
};

}  // namespace twinlens
