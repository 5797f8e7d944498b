#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/TextFile.h"

namespace twinlens {

// The text of an ffmpeg filter graph, as `-filter_complex_script` reads it: chains of filters
// between labelled pads, one chain a line.
class FilterGraph {
 public:
  // A stream of the graph: the pad it leaves from and the filters still to be applied to it.
  struct Stream {
    std::string pad;  // "[0:v]", "[s3]"
    bool audio = false;
    std::vector<std::string> filters;

    Stream& then(std::string filter) {
      filters.push_back(std::move(filter));
      return *this;
    }
  };

  static Stream input(std::string pad, bool audio) { return {std::move(pad), audio, {}}; }

  // The stream used `count` times: its filters end in a split.
  std::vector<Stream> split(Stream stream, int count);
  // The streams joined by a filter with that many inputs (a stack, an interleave).
  Stream join(std::vector<Stream> streams, const std::string& filter);
  // The stream ends in an output pad, which `-map "[name]"` names.
  void output(Stream stream, const std::string& name);

  TextFile text() const;

 private:
  // Writes the stream's filters as a chain that ends in a new pad, and returns the pad.
  std::string close(Stream& stream);
  std::string nextPad();

  int pads_ = 0;
  std::vector<std::string> chains_;
};

}  // namespace twinlens
