#include "run/RunReport.h"

namespace twinlens {

void RunReport::wroteBatchFile(const std::string& path) {
  ++written_;
  batchFile_ = path;
}

void RunReport::wroteJobList(const std::string& path) {
  ++written_;
  jobLists_.push_back(path);
}

std::string RunReport::statusText() const {
  if (!ran_) return {};
  if (noClips_) return "No file written: no right clips were chosen";
  std::string text = "Wrote " + std::to_string(written_) + (written_ == 1 ? " file" : " files");
  if (stopped_) return text + " before the run stopped";
  if (!batchFile_.empty()) text += "; batch file: " + batchFile_;
  if (!jobLists_.empty()) {
    text += jobLists_.size() == 1 ? "; job list: " : "; job lists: ";
    for (std::size_t i = 0; i < jobLists_.size(); ++i) {
      text += (i == 0 ? "" : ", ") + jobLists_[i];
    }
  }
  return text;
}

}  // namespace twinlens
