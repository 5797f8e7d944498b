#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Error.h"
#include "base/Paths.h"
#include "engines/Engine.h"
#include "model/ClipFacts.h"
#include "model/ClipNames.h"
#include "model/ClipRecipe.h"
#include "model/ConversionSettings.h"

namespace twinlens {

// The names of every file one run reads, writes and hands to its encoders, derived from the
// selection, the settings, what the scan read of the clips and the run's engine, so that the run
// can check them all before it writes the first. Only the scan's facts are kept per clip: a
// clip's names and recipe are derived again whenever they are needed.
class RunPlan {
 public:
  RunPlan(const ConversionSettings& settings, PathStyle style, std::vector<std::string> left,
          std::vector<std::string> right, std::size_t n, std::size_t m, Engine& engine);
  // The engine reads the clips' names through this plan.
  RunPlan(const RunPlan&) = delete;
  RunPlan& operator=(const RunPlan&) = delete;

  // The clips of the run, and those that are written: all of them, unless an MVC clip's
  // partners are missing, which ends the run before that clip.
  std::size_t clipCount() const { return n_; }
  std::size_t writtenClips() const { return written_; }
  bool complete() const { return written_ == n_; }
  // Why the run ends early.
  const std::optional<Error>& missingPartner() const { return missingPartner_; }

  // The names of clip i (it must be one of the written clips).
  ClipNames clip(std::size_t i) const;

  // The written clips are scanned: tells the engine the run's clips (Engine::begin), their
  // recipes made from `facts` (by clip; none where the engine asked nothing).
  void scanned(std::vector<ClipFacts> facts);
  // The recipe of clip i from what was read of it; raises Error where its views make no pair.
  ClipRecipe recipe(std::size_t i) const;

  // Stops with a message naming both files when one file would be written twice, or an input
  // clip or a file of the run would be replaced by another, and naming the file when its name
  // holds what the engine's command lines cannot carry (nothing is written yet).
  void checkClashes() const;

 private:
  enum class Use { Read, Written, Encoded };
  // One file of a clip or of the run: its path, and what the messages say of it.
  struct File {
    std::string path;
    Use use = Use::Read;
    std::string maker;   // an encoded file: what writes it
    std::string source;  // an encoded file: what it is made from
    std::string title;   // a file of the run's own: what it is
    bool video = true;   // an encoded file: a video, or a file made on the way
  };

  std::optional<std::pair<std::string, std::string>> pairOf(std::size_t i) const;
  // The files of clip i, or the run's own files for i == n.
  std::vector<File> filesOf(std::size_t i) const;

  const ConversionSettings& s_;
  PathStyle style_;
  std::vector<std::string> left_;
  std::vector<std::string> right_;
  std::size_t n_;
  std::size_t m_;
  Engine& engine_;
  std::vector<ClipFacts> facts_;
  std::size_t written_ = 0;
  std::optional<Error> missingPartner_;
};

}  // namespace twinlens
