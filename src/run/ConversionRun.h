#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Paths.h"
#include "engines/Engine.h"
#include "model/ConversionSettings.h"
#include "model/MediaInfo.h"
#include "model/PairMeasurer.h"
#include "run/ClipScan.h"
#include "run/RunReport.h"

namespace twinlens {

class Engine;

// An open-file dialog as the run asks for it.
struct OpenFilesRequest {
  std::string title;
  std::string initialFolder;
  bool multiple = true;
};

// What the run needs from its front end: the file dialogs and the launching of programs. The
// window shows real dialogs; the command line and the tests answer from lists.
class RunFrontEnd {
 public:
  virtual ~RunFrontEnd() = default;
  // The chosen files as full paths in the dialog's order, or nothing when cancelled.
  virtual std::optional<std::vector<std::string>> openFiles(const OpenFilesRequest& request) = 0;
  // Starts a program through the shell ("open", parameters, working folder), not waited for.
  // Returns the system's reason when the program could not be started, else an empty text.
  virtual std::string launch(const std::string& file, const std::string& parameters,
                             const std::string& workingFolder) = 0;
  // Starts the ffmpeg engine's runner, which a front end may follow clip by clip (EncodeRun); by
  // default as any other program.
  virtual std::string launchEncodes(const ProgramStart& runner) {
    return launch(runner.file, runner.parameters, runner.workingFolder);
  }
  // Told of every file the run has written, in order.
  virtual void wrote(const std::string& path) = 0;
  // Told what the scan of the clips before the writing is doing ("Measuring the geometry of clip
  // 2 of 5: ..."); nothing is shown by default.
  virtual void progress(const std::string& text) { (void)text; }
  // Asked every few tens of milliseconds while the clips are scanned: true stops the run with
  // nothing written (Cancelled).
  virtual bool cancelled() { return false; }
};

// "Convert files" (M1Click): one run from the file dialogs to the files on disk and the
// launches. Raises Error with the message to show.
//
// Before the first file is written the run knows every file it will write and every file the
// encoders it hands over to will write, and stops with nothing written when one of them would
// replace an input clip or another file of the run, or when anything else that can be known up
// front fails. The settings that need no selection are checked before the dialogs open. The
// batch file, the job lists and the histogram script grow on disk as the run goes and are put in
// place after the last clip, so a long run keeps one clip in memory; a file that already holds
// what the run would write is left untouched.
//
// Between the dialogs and the checks the clips are scanned (ClipScan) for what the engine asks,
// two at a time, their progress told to the front end, which may stop the run there.
class ConversionRun {
 public:
  // `probe` reads the clips, `measurer` measures their geometry where the settings ask for it;
  // without them, ffprobe and the ffmpeg program do. Nothing is kept across runs unless a scan
  // with a cache folder is set.
  ConversionRun(ConversionSettings& settings, RunFrontEnd& frontEnd,
                PathStyle style = nativePathStyle(), MediaProbe* probe = nullptr,
                PairMeasurer* measurer = nullptr);

  void M1Click();
  // The scan the clips are read through from now on, shared with a preview and the measure
  // buttons; the run's own when null.
  void setScan(ClipScan* scan) { scan_ = scan != nullptr ? scan : &ownScan_; }

  // The folder of the first file of the last right selection accepted by this run object (one
  // program session); empty before the first. A cancelled right dialog sets PathRight to it.
  const std::string& lastRightFolder() const { return lastRightFolder_; }

  // What the last run did (empty when its left dialog was cancelled).
  const RunReport& report() const { return report_; }

 private:
  std::string colourMatcherProgram() const;
  void launch(const Engine& engine);
  void checkNeededPrograms(const Engine& engine) const;

  ConversionSettings& settings_;
  RunFrontEnd& frontEnd_;
  PathStyle style_;
  ClipScan ownScan_;
  ClipScan* scan_;
  std::string lastRightFolder_;
  RunReport report_;
  bool launchFailed_ = false;
};

}  // namespace twinlens
