#include "run/ConversionRun.h"

#include <memory>
#include <optional>
#include <utility>

#include "base/Error.h"
#include "model/Choices.h"
#include "model/ConversionPlan.h"
#include "platform/FileSystem.h"
#include "platform/ProgramPath.h"
#include "run/EngineList.h"
#include "run/RunPlan.h"

namespace twinlens {

namespace {

std::string leftDialogTitle(const ConversionSettings& settings) {
  if (settings.CheckBox_MVC_Ref) return "Select original MVC video clip(s)";
  switch (settings.RadioGroup_Input_Format) {
    case choices::InputFormat::Separate:
      return "Select left input video clip(s)/pictures";
    case choices::InputFormat::SideBySide:
    case choices::InputFormat::OverUnder:
      return "Select stereo video clip(s)/pictures";
    default:
      return "Select 2D video clip(s)/pictures";
  }
}

// A dialog that returns no file at all is treated like a cancel.
std::vector<std::string> filesOrEmpty(std::optional<std::vector<std::string>> chosen) {
  return chosen ? std::move(*chosen) : std::vector<std::string>{};
}

}  // namespace

ConversionRun::ConversionRun(ConversionSettings& settings, RunFrontEnd& frontEnd, PathStyle style,
                             MediaProbe* probe, PairMeasurer* measurer)
    : settings_(settings),
      frontEnd_(frontEnd),
      style_(style),
      ownScan_(probe, measurer),
      scan_(&ownScan_) {}

// The twinlens-cli that makes the colour tables: the one beside this program, else the one on the
// search path.
std::string ConversionRun::colourMatcherProgram() const {
  const std::string name = style_ == PathStyle::Windows ? "twinlens-cli.exe" : "twinlens-cli";
  const std::string beside = paths::dir(platform::programPath(), style_) + name;
  return platform::fileExists(beside) ? beside : name;
}

void ConversionRun::M1Click() {
  const ConversionSettings& s = settings_;
  report_.clear();
  launchFailed_ = false;
  // A field the user must mend is told before any clip is picked: the numbers the recipe reads,
  // and what the engine cannot carry out.
  const ConversionPlan conversion(s);
  const bool separateInput = conversion.twoFiles();
  const bool pictures = conversion.pictures();
  const std::unique_ptr<Engine> engine = makeEngine(s, style_, {colourMatcherProgram()});
  engine->checkSettings();

  std::vector<std::string> left =
      filesOrEmpty(frontEnd_.openFiles({leftDialogTitle(s), s.PathLeft, /*multiple=*/true}));
  if (left.empty()) return;
  report_.begin();

  std::vector<std::string> right;
  const bool rightDialogShown = separateInput && !s.CheckBox_MVC_Ref;
  if (rightDialogShown) {
    right = filesOrEmpty(frontEnd_.openFiles(
        {"Select right input video clip(s)/pictures", s.PathRight, /*multiple=*/true}));
  }

  std::size_t n = left.size();
  std::size_t m = right.size();
  if (m == 0 && rightDialogShown) n = 0;
  if (pictures && n > 0) {
    n = 1;
    m = separateInput ? 1 : 0;
  }

  settings_.PathLeft = paths::dir(left.front(), style_);
  if (!right.empty()) {
    lastRightFolder_ = paths::dir(right.front(), style_);
    settings_.PathRight = n == m ? lastRightFolder_ : settings_.PathLeft;
  } else if (rightDialogShown) {
    settings_.PathRight = lastRightFolder_;
  } else {
    // No right dialog: the right view comes from the left file (one file holds both views, or
    // an MVC clip's partners lie beside it), so it shares the left folder.
    settings_.PathRight = settings_.PathLeft;
  }
  if (n == 0) {
    report_.noClips();
    return;
  }

  // The writing the run reports and tells its front end of.
  class Output : public EngineOutput {
   public:
    Output(RunReport& report, RunFrontEnd& frontEnd) : report_(report), frontEnd_(frontEnd) {}
    void wroteClipFile(const std::string& path) override {
      report_.wroteScript();
      frontEnd_.wrote(path);
    }
    void wroteBatchFile(const std::string& path) override {
      report_.wroteBatchFile(path);
      frontEnd_.wrote(path);
    }
    void wroteJobList(const std::string& path) override {
      report_.wroteJobList(path);
      frontEnd_.wrote(path);
    }
    void wroteHistogramScript(const std::string& path) override {
      report_.wroteHistogramScript();
      frontEnd_.wrote(path);
    }
    void noted(const std::string& clip, const std::string& text) override {
      report_.noted({clip, text});
    }

   private:
    RunReport& report_;
    RunFrontEnd& frontEnd_;
  } output(report_, frontEnd_);
  // The scan tells the front end where it is and asks it whether to stop.
  class Progress : public ScanProgress {
   public:
    explicit Progress(RunFrontEnd& frontEnd) : frontEnd_(frontEnd) {}
    void progress(const std::string& text) override { frontEnd_.progress(text); }
    bool cancelled() override { return frontEnd_.cancelled(); }

   private:
    RunFrontEnd& frontEnd_;
  } progress(frontEnd_);

  try {
    RunPlan plan(s, style_, std::move(left), std::move(right), n, m, *engine);
    plan.scanned(scan_->scan(
        s, conversion.input(), engine->scanRequest(), plan.writtenClips(),
        [&](std::size_t i) { return plan.clip(i); }, progress));
    plan.checkClashes();
    checkNeededPrograms(*engine);
    engine->write(output);
    if (plan.missingPartner()) throw *plan.missingPartner();
    launch(*engine);
  } catch (const Error&) {
    // A program that did not start is told once every file is in place; anything else stops the
    // run.
    if (!launchFailed_) report_.stopped();
    throw;
  }
}

// A program the started files run in turn that is not there would fail every clip at its end:
// the run stops before writing anything.
void ConversionRun::checkNeededPrograms(const Engine& engine) const {
  for (const ProgramStart& program : engine.programs()) {
    for (const std::string& needed : program.needs) {
      if (platform::onSearchPath(needed)) continue;
      throw Error("The outputs are tagged for VR players by \"" + needed +
                  "\" (part of MKVToolNix), which is not on the search path: install MKVToolNix "
                  "(Debian: apt install mkvtoolnix), or untick \"Execute ffmpeg\" to write the "
                  "files and run them where it is");
    }
  }
}

void ConversionRun::launch(const Engine& engine) {
  // Every file is in place; a program that does not start is told once all were tried.
  std::string failures;
  for (const ProgramStart& program : engine.programs()) {
    const std::string reason =
        program.encodes.empty()
            ? frontEnd_.launch(program.file, program.parameters, program.workingFolder)
            : frontEnd_.launchEncodes(program);
    report_.started({program.file, program.workingFolder, reason});
    if (reason.empty()) continue;
    if (!failures.empty()) failures += ".\n";
    failures += "Cannot start \"" + program.file + "\". " + reason;
  }
  if (!failures.empty()) {
    launchFailed_ = true;
    throw Error(failures);
  }
}

}  // namespace twinlens
