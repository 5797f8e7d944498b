#include "analysis/FfmpegColourMatcher.h"

#include <future>

namespace twinlens {

FfmpegColourMatcher::FfmpegColourMatcher(const ConversionSettings& settings) : sampler_(settings) {}

RgbHistograms FfmpegColourMatcher::histogramsOf(const std::string& file,
                                                const std::string& crop) const {
  const std::string what = "the colours of";
  // A smaller picture has the same distribution of values and decodes to far fewer bytes.
  const FfmpegFrameSampler::Strip strip =
      sampler_.strip(file, sampler_.sampleTimes(file, kSamples, what), crop, 320, "rgb24", 3, what);
  RgbHistograms histograms{};
  addPixels(histograms, reinterpret_cast<const std::uint8_t*>(strip.bytes.data()),
            strip.bytes.size() / 3);
  return histograms;
}

ChannelTables FfmpegColourMatcher::tables(const std::string& views, const std::string& left,
                                          const std::string& right, bool leftIsReference) {
  const FfmpegFrameSampler::Views where = FfmpegFrameSampler::viewsOf(views, left, right);
  // The two views are read at once.
  auto rightReading = std::async(std::launch::async,
                                 [&] { return histogramsOf(where.rightFile, where.rightCrop); });
  const RgbHistograms leftView = histogramsOf(left, where.leftCrop);
  const RgbHistograms rightView = rightReading.get();
  return leftIsReference ? matchHistograms(rightView, leftView)
                         : matchHistograms(leftView, rightView);
}

}  // namespace twinlens
