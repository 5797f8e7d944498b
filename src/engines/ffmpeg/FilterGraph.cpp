#include "engines/ffmpeg/FilterGraph.h"

namespace twinlens {

namespace {

std::string chainOf(const std::string& inputs, const std::vector<std::string>& filters, bool audio,
                    const std::string& output) {
  std::string chain = inputs;
  if (filters.empty()) chain += audio ? "anull" : "null";
  for (std::size_t i = 0; i < filters.size(); ++i) {
    if (i > 0) chain += ",";
    chain += filters[i];
  }
  return chain + output;
}

}  // namespace

std::string FilterGraph::nextPad() {
  return "[s" + std::to_string(pads_++) + "]";
}

std::string FilterGraph::close(Stream& stream) {
  if (stream.filters.empty()) return stream.pad;
  const std::string pad = nextPad();
  chains_.push_back(chainOf(stream.pad, stream.filters, stream.audio, pad));
  return pad;
}

std::vector<FilterGraph::Stream> FilterGraph::split(Stream stream, int count) {
  std::vector<Stream> copies;
  std::string outputs;
  for (int i = 0; i < count; ++i) {
    copies.push_back({nextPad(), stream.audio, {}});
    outputs += copies.back().pad;
  }
  stream.then(std::string(stream.audio ? "asplit=" : "split=") + std::to_string(count));
  chains_.push_back(chainOf(stream.pad, stream.filters, stream.audio, outputs));
  return copies;
}

FilterGraph::Stream FilterGraph::join(std::vector<Stream> streams, const std::string& filter) {
  std::string inputs;
  for (Stream& stream : streams) inputs += close(stream);
  const std::string pad = nextPad();
  chains_.push_back(inputs + filter + pad);
  return {pad, !streams.empty() && streams.front().audio, {}};
}

void FilterGraph::output(Stream stream, const std::string& name) {
  chains_.push_back(chainOf(stream.pad, stream.filters, stream.audio, "[" + name + "]"));
}

TextFile FilterGraph::text() const {
  // Chains are separated, not ended, by semicolons: the parser takes an empty last chain for a
  // filter without a name.
  TextFile text;
  for (std::size_t i = 0; i < chains_.size(); ++i) {
    text.add(i + 1 < chains_.size() ? chains_[i] + ";" : chains_[i]);
  }
  return text;
}

}  // namespace twinlens
