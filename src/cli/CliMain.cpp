#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <functional>
#include <iostream>
#include <optional>

#include "analysis/FfmpegColourMatcher.h"
#include "analysis/FfmpegGeometryMeasurer.h"
#include "analysis/OffsetDetector.h"
#include "base/Error.h"
#include "base/IntegerText.h"
#include "base/Paths.h"
#include "cli/CliApp.h"
#include "media/FfmpegSoundSource.h"
#include "model/ConversionSettings.h"
#include "model/SettingsFields.h"
#include "platform/FileSystem.h"
#include "platform/ProgramLauncher.h"
#include "platform/ProgramPath.h"
#include "platform/Terminal.h"
#include "run/ClipScan.h"
#include "run/ConversionRun.h"
#include "run/EncodeRun.h"
#include "run/FramePreview.h"
#include "storage/PresetsFile.h"
#include "storage/SettingsFile.h"

namespace twinlens::cli {

namespace {

constexpr const char* kUsage =
    "Usage: twinlens-cli [--settings FILE] [--presets FILE] [--set NAME=VALUE]... "
    "[--left FILE]... [--right FILE]... [--launch] [--save-settings FILE]\n"
    "       twinlens-cli detect-offset LEFT RIGHT [--seconds S] [--settings FILE]\n"
    "       twinlens-cli measure-geometry LEFT [RIGHT] [--views pair|side-by-side|over-under] "
    "[--frames N] [--settings FILE] [--json]\n"
    "       twinlens-cli preview [--settings FILE] [--set NAME=VALUE]... --left FILE [--right "
    "FILE] "
    "[--frame N | --time SECONDS] [--mode output|anaglyph|difference|overlay] --png FILE";
constexpr const char* kPreviewUsage =
    "Usage: twinlens-cli preview [--settings FILE] [--set NAME=VALUE]... --left FILE "
    "[--right FILE] [--frame N | --time SECONDS] [--mode output|anaglyph|difference|overlay] "
    "--png FILE";
constexpr const char* kColourUsage =
    "Usage: twinlens-cli colour-match --reference left|right [--views pair|side-by-side|"
    "over-under] --lut FILE [--ffmpeg PROGRAM] LEFT [RIGHT]";
constexpr const char* kDetectUsage =
    "Usage: twinlens-cli detect-offset LEFT RIGHT [--seconds S] [--settings FILE]";
constexpr const char* kGeometryUsage =
    "Usage: twinlens-cli measure-geometry LEFT [RIGHT] [--views pair|side-by-side|over-under] "
    "[--frames N] [--settings FILE] [--json]";

// A command line that cannot be carried out as given.
struct UsageError {
  std::string message;
};

// Answers the run's dialogs from the command line and reports its events as lines.
class CommandLineFrontEnd : public RunFrontEnd {
 public:
  CommandLineFrontEnd(std::vector<std::string> left, std::vector<std::string> right,
                      bool startPrograms, std::ostream& out)
      : left_(std::move(left)),
        right_(std::move(right)),
        startPrograms_(startPrograms),
        out_(out) {}

  // The run always asks for the left files first, then (maybe) for the right ones.
  std::optional<std::vector<std::string>> openFiles(const OpenFilesRequest&) override {
    const std::vector<std::string>& files = dialogsAnswered_++ == 0 ? left_ : right_;
    if (files.empty()) return std::nullopt;
    return files;
  }

  std::string launch(const std::string& file, const std::string& parameters,
                     const std::string& workingFolder) override {
    out_ << "launch\t" << file << '\t' << parameters << '\t' << workingFolder << '\n';
    return startPrograms_ ? platform::launchProgram(file, parameters, workingFolder)
                          : std::string();
  }

  // The ffmpeg engine's runner is followed clip by clip once the run is done (`followEncodes`).
  std::string launchEncodes(const ProgramStart& runner) override {
    out_ << "launch\t" << runner.file << '\t' << runner.parameters << '\t' << runner.workingFolder
         << '\n';
    if (startPrograms_) encodes_ = runner;
    return {};
  }
  const std::optional<ProgramStart>& encodes() const { return encodes_; }

  void wrote(const std::string& path) override { out_ << "wrote\t" << path << '\n'; }
  void progress(const std::string& text) override {
    out_ << "progress\t" << text << '\n' << std::flush;
  }

 private:
  std::vector<std::string> left_;
  std::vector<std::string> right_;
  bool startPrograms_;
  std::ostream& out_;
  int dialogsAnswered_ = 0;
  std::optional<ProgramStart> encodes_;
};

// Runs the ffmpeg engine's runner to its end. On a terminal its progress is one line written over
// in place; elsewhere each clip's start is a "progress" line. Each output's result follows
// ("encoded", or "failed" with ffmpeg's last error line). Returns the exit status: 1 when a clip
// failed or the runner could not start.
int followEncodes(const ProgramStart& runner, bool terminal, std::ostream& out, std::ostream& err) {
  EncodeRun encodes;
  // Ctrl+C at the terminal ends the runner and ffmpeg with the command line.
  const std::string failure = encodes.start(runner, /*stoppable=*/false);
  if (!failure.empty()) {
    err << "Cannot start \"" << runner.file << "\". " << failure << '\n';
    return 1;
  }
  std::string shown;
  std::size_t clipShown = 0;
  while (encodes.poll(250)) {
    const EncodeStatus& status = encodes.status();
    if (terminal && status.line() != shown) {
      shown = status.line();
      err << '\r' << shown << "\x1b[K" << std::flush;
    } else if (!terminal && status.clip != clipShown) {
      clipShown = status.clip;
      out << "progress\t" << status.line() << '\n' << std::flush;
    }
  }
  const EncodeStatus& status = encodes.status();
  if (terminal) err << '\r' << status.line() << "\x1b[K\n";
  for (const EncodeStatus::Result& result : status.results) {
    for (const std::string& output : result.outputs) {
      out << (result.failed ? "failed\t" : "encoded\t") << output;
      if (result.failed) out << '\t' << result.error;
      out << '\n';
    }
  }
  out << "progress\t" << status.line() << '\n';
  return status.failures() > 0 || status.results.size() < status.clips ? 1 : 0;
}

// A dialog returns full paths; so does the command line, whatever the user typed.
std::vector<std::string> absolutePaths(const std::vector<std::string>& files, const char* option) {
  std::vector<std::string> result;
  std::string folder;
  for (const std::string& file : files) {
    std::string full = platform::absolutePath(file);
    std::string fileFolder = paths::dir(full);
    if (result.empty()) {
      folder = fileFolder;
    } else if (!paths::sameName(folder, fileFolder)) {
      throw UsageError{std::string("all ") + option + " files must lie in one folder"};
    }
    result.push_back(std::move(full));
  }
  return result;
}

// The folder of the running program without its trailing separator, where the remembered
// folders start.
std::string programFolder() {
  std::string folder = paths::dir(platform::programPath());
  if (folder.size() > 1 && paths::endsFolder(folder.back(), nativePathStyle())) folder.pop_back();
  return folder;
}

// The check of an input file. CLI11's own goes through wide-character paths on Windows, which
// miss names in the 8-bit code page; this one asks the system the way the run will.
CLI::Validator existingFile() {
  return CLI::Validator(
      [](std::string& file) {
        if (platform::fileExists(file)) return std::string();
        return platform::folderExists(file) ? file + " is a folder, not a file"
                                            : "File does not exist: " + file;
      },
      "");
}

void applySetting(ConversionSettings& settings, const std::string& assignment) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string::npos) {
    throw UsageError{"--set needs NAME=VALUE, not '" + assignment + "'"};
  }
  const std::string name = assignment.substr(0, equals);
  const SettingsField* field = findSettingsField(name);
  if (field == nullptr) throw UsageError{"unknown setting '" + name + "'"};
  const std::string value = assignment.substr(equals + 1);
  try {
    setSettingsField(settings, *field, value);
  } catch (const Error& error) {
    throw UsageError{name + ": " + error.what()};
  }
  if (field->kind == SettingsField::Kind::Text) {
    settings.sources.record(name, settingsFieldText(settings, *field), "--set " + name);
  }
  // A choice is one of its items or -1 for none; any other number would silently become another
  // item, or none.
  const bool choice =
      field->kind == SettingsField::Kind::Radio || field->kind == SettingsField::Kind::DropDown;
  if (choice) {
    const int index = toInteger(value);
    if (index < -1 || (field->count >= 0 && index >= field->count)) {
      const std::string range =
          field->count >= 0 ? "-1 to " + std::to_string(field->count - 1) : "-1 or more";
      throw UsageError{name + ": '" + value + "' is not an item of the choice (" + range + ")"};
    }
  }
}

// The preset fields as the window shows them at start: the preset at the remembered position.
void showRememberedPreset(ConversionSettings& settings, const PresetsFile& presets) {
  const std::vector<std::string> names = presets.names();
  const int position = settings.ComboBox_FF_codec;
  const bool listed = position >= 0 && static_cast<std::size_t>(position) < names.size();
  presets.showPreset(settings, listed ? names[static_cast<std::size_t>(position)] : std::string());
}

// `detect-offset LEFT RIGHT [--seconds S] [--settings FILE]`: the cameras' offset and drift
// measured from the two clips' sound, as the button beside "Offset frames" measures it.
// Parses a command's arguments (and checks them further with `check`, which raises
// CLI::ValidationError). Returns the exit status where the command ends here: 0 after its help,
// 2 for arguments it cannot take, told with its usage line.
std::optional<int> parseCommand(CLI::App& app, const std::vector<std::string>& args,
                                const char* name, const char* usage,
                                const std::function<void()>& check, std::ostream& out,
                                std::ostream& err) {
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
    if (check) check();
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      return app.exit(error, out, err);
    }
    err << "twinlens-cli " << name << ": " << error.what() << '\n' << usage << '\n';
    return 2;
  }
  return std::nullopt;
}

// Two clips for a pair, one file for views side by side or over and under.
void checkClips(const std::vector<std::string>& files, const std::string& views) {
  if (files.size() != (views == "pair" ? 2u : 1u)) {
    throw CLI::ValidationError(
        "CLIPS", views == "pair" ? "a pair needs two clips" : "one file holds both views");
  }
}

int detectOffset(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app("Measures the time offset and the clock drift between two clips from their sound.",
               "twinlens-cli detect-offset");
  std::string left;
  std::string right;
  double seconds = 60;
  std::string settingsFile;
  app.add_option("LEFT", left, "The left camera's clip")->required()->check(existingFile());
  app.add_option("RIGHT", right, "The right camera's clip")->required()->check(existingFile());
  app.add_option("--seconds", seconds, "How much sound is compared near the start and the end")
      ->check(CLI::Range(1.0, 3600.0));
  app.add_option("--settings", settingsFile, "Settings file naming the ffmpeg to use")
      ->type_name("FILE");
  if (const auto ended =
          parseCommand(app, args, "detect-offset", kDetectUsage, nullptr, out, err)) {
    return *ended;
  }
  try {
    ConversionSettings settings(programFolder());
    if (!settingsFile.empty()) LoadSettings(settings, settingsFile, nullptr, programFolder());
    FfmpegSoundSource source(settings);
    const OffsetReport report =
        OffsetDetector(source, seconds)
            .detect(platform::absolutePath(left), platform::absolutePath(right));
    for (const std::string& line : report.lines()) out << line << '\n';
    return 0;
  } catch (const Error& error) {
    err << error.displayText() << '\n';
    return 1;
  }
}

// `measure-geometry LEFT [RIGHT] [--views ...] [--frames N] [--settings FILE] [--json]`: how the
// right view lies against the left one and how deep the scene is.
int measureGeometry(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app("Measures the misalignment of a pair's views and the parallax of its scene.",
               "twinlens-cli measure-geometry");
  std::vector<std::string> files;
  std::string views = "pair";
  int frames = FfmpegGeometryMeasurer::kDefaultFrames;
  std::string settingsFile;
  bool json = false;
  app.add_option("CLIPS", files, "The left and the right clip, or the one file")
      ->required()
      ->check(existingFile());
  app.add_option("--views", views, "How the clip holds its views")
      ->check(CLI::IsMember({"pair", "side-by-side", "over-under"}));
  app.add_option("--frames", frames, "How many frames are measured")->check(CLI::Range(1, 240));
  app.add_option("--settings", settingsFile, "Settings file naming the ffmpeg to use")
      ->type_name("FILE");
  app.add_flag("--json", json, "One JSON object instead of lines");
  if (const auto ended = parseCommand(
          app, args, "measure-geometry", kGeometryUsage, [&] { checkClips(files, views); }, out,
          err)) {
    return *ended;
  }
  try {
    ConversionSettings settings(programFolder());
    if (!settingsFile.empty()) LoadSettings(settings, settingsFile, nullptr, programFolder());
    const recipe::InputLayout layout = views == "side-by-side" ? recipe::InputLayout::SideBySide
                                       : views == "over-under" ? recipe::InputLayout::OverUnder
                                                               : recipe::InputLayout::Pair;
    // Measured through the scan, which keeps what it read for the next run or preview.
    FfmpegGeometryMeasurer measurer(settings, frames);
    ClipScan scan(nullptr, &measurer, platform::cacheFolder());
    ScanRequest request;
    request.geometry = true;
    request.headersOnly = true;
    const GeometryReport report =
        *scan.scanClip(settings, layout, request, platform::absolutePath(files.front()),
                       platform::absolutePath(files.back()))
             .geometry;
    if (json) {
      out << report.json() << '\n';
    } else {
      for (const std::string& line : report.lines()) out << line << '\n';
    }
    return 0;
  } catch (const Error& error) {
    err << error.displayText() << '\n';
    return 1;
  }
}

// `colour-match --reference left|right --views pair|side-by-side|over-under --lut FILE LEFT
// [RIGHT]`: the colour-match tables of one clip, which the runner script of the ffmpeg engine
// makes before it encodes the clip.
int colourMatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app("Writes the 1D LUT that matches one view's colours to the other's.",
               "twinlens-cli colour-match");
  std::string reference;
  std::string views = "pair";
  std::string lut;
  std::vector<std::string> files;
  std::string ffmpeg;
  app.add_option("--reference", reference, "The view whose colours stay: left or right")
      ->required()
      ->check(CLI::IsMember({"left", "right"}));
  app.add_option("--views", views, "How the clip holds its views")
      ->check(CLI::IsMember({"pair", "side-by-side", "over-under"}));
  app.add_option("--lut", lut, "The .cube file to write")->required()->type_name("FILE");
  app.add_option("--ffmpeg", ffmpeg, "The ffmpeg program to decode with (default: on the PATH)")
      ->type_name("PROGRAM");
  app.add_option("CLIPS", files, "The left and the right clip, or the one file")
      ->required()
      ->check(existingFile());
  if (const auto ended = parseCommand(
          app, args, "colour-match", kColourUsage, [&] { checkClips(files, views); }, out, err)) {
    return *ended;
  }
  try {
    ConversionSettings settings(programFolder());
    settings.FfmpegLocation = ffmpeg;
    FfmpegColourMatcher matcher(settings);
    const ChannelTables tables =
        matcher.tables(views, files.front(), files.back(), reference == "left");
    platform::writeFileReplacing(lut, cubeText(tables));
    return 0;
  } catch (const Error& error) {
    err << error.displayText() << '\n';
    return 1;
  }
}

// `preview ... --left FILE [--right FILE] [--frame N | --time S] [--mode ...] --png FILE`: one
// frame of the clip through its conversion, as a PNG picture.
int preview(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app("Renders one frame of a clip through its conversion into a PNG picture.",
               "twinlens-cli preview");
  std::string settingsFile;
  std::vector<std::string> assignments;
  std::string left;
  std::string right;
  std::int64_t frame = 0;
  double seconds = 0;
  std::string mode = "output";
  std::string png;
  app.add_option("--settings", settingsFile, "Settings file to load (missing: the defaults)")
      ->type_name("FILE");
  app.add_option("--set", assignments, "Set one setting by its field name, after loading")
      ->type_name("NAME=VALUE")
      ->allow_extra_args(false);
  app.add_option("--left", left, "The left clip, or the one file")
      ->required()
      ->check(existingFile());
  app.add_option("--right", right, "The right clip")->check(existingFile());
  CLI::Option* frameOption =
      app.add_option("--frame", frame, "The frame of the output")->check(CLI::NonNegativeNumber);
  CLI::Option* timeOption = app.add_option("--time", seconds, "The time on the output, in seconds")
                                ->check(CLI::NonNegativeNumber);
  frameOption->excludes(timeOption);
  app.add_option("--mode", mode, "What is shown")
      ->check(CLI::IsMember({"output", "anaglyph", "difference", "overlay"}));
  app.add_option("--png", png, "The picture to write")->required()->type_name("FILE");
  if (const auto ended = parseCommand(app, args, "preview", kPreviewUsage, {}, out, err)) {
    return *ended;
  }
  try {
    ConversionSettings settings(programFolder());
    if (!settingsFile.empty()) LoadSettings(settings, settingsFile, nullptr, programFolder());
    for (const std::string& assignment : assignments) applySetting(settings, assignment);
    const PreviewMode shown = mode == "anaglyph"     ? PreviewMode::Anaglyph
                              : mode == "difference" ? PreviewMode::Difference
                              : mode == "overlay"    ? PreviewMode::Overlay
                                                     : PreviewMode::Output;
    FramePreview::Where where;
    if (timeOption->count() > 0) {
      where.seconds = seconds;
    } else {
      where.frame = frame;
    }
    // What was read of a file is kept for the next preview of it, while it stays as it was.
    ClipScan scan(nullptr, nullptr, platform::cacheFolder());
    const std::vector<std::string> notes =
        FramePreview(settings, scan)
            .render(platform::absolutePath(left),
                    right.empty() ? std::string() : platform::absolutePath(right), where, shown,
                    platform::absolutePath(png));
    for (const std::string& note : notes) err << "note\t" << note << '\n';
    out << "wrote\t" << platform::absolutePath(png) << '\n';
    return 0;
  } catch (const UsageError& error) {
    err << "twinlens-cli preview: " << error.message << '\n' << kPreviewUsage << '\n';
    return 2;
  } catch (const Error& error) {
    err << error.displayText() << '\n';
    return 1;
  }
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (!args.empty() && args.front() == "detect-offset") {
    return detectOffset(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
  }
  if (!args.empty() && args.front() == "measure-geometry") {
    return measureGeometry(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
  }
  if (!args.empty() && args.front() == "preview") {
    return preview(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
  }
  if (!args.empty() && args.front() == "colour-match") {
    return colourMatch(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
  }
  CLI::App app(
      "Writes the AviSynth scripts, the ffmpeg batch file and the VirtualDub job lists of one "
      "conversion run, as \"Convert files\" does in the window.",
      "twinlens-cli");
  std::string settingsFile;
  std::string presetsFile;
  std::string saveSettingsFile;
  std::vector<std::string> assignments;
  std::vector<std::string> leftFiles;
  std::vector<std::string> rightFiles;
  bool startPrograms = false;

  app.add_option("--settings", settingsFile, "Settings file to load (missing: the defaults)")
      ->type_name("FILE");
  app.add_option("--presets", presetsFile, "Presets file that fills the preset fields")
      ->type_name("FILE");
  app.add_option("--set", assignments, "Set one setting by its field name, after loading")
      ->type_name("NAME=VALUE")
      ->allow_extra_args(false);
  app.add_option("--left", leftFiles, "A file of the left (or only) selection, in order")
      ->type_name("FILE")
      ->allow_extra_args(false)
      ->check(existingFile());
  app.add_option("--right", rightFiles, "A file of the right selection, in order")
      ->type_name("FILE")
      ->allow_extra_args(false)
      ->check(existingFile());
  app.add_flag(
      "--launch", startPrograms,
      "Start the batch file and VirtualDub as well (the ffmpeg engine's runner is followed "
      "to its end, with its progress)");
  app.add_option("--save-settings", saveSettingsFile, "Save the settings after the run")
      ->type_name("FILE");
  app.set_version_flag("--version", std::string("twinlens-cli ") + TWINLENS_VERSION);

  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      return app.exit(error, out, err);  // --help and --version
    }
    err << "twinlens-cli: " << error.what() << '\n' << kUsage << '\n';
    return 2;
  }

  try {
    const std::vector<std::string> left = absolutePaths(leftFiles, "--left");
    const std::vector<std::string> right = absolutePaths(rightFiles, "--right");

    std::optional<PresetsFile> presets;
    if (!presetsFile.empty()) presets.emplace(presetsFile);
    const std::string folder = programFolder();
    ConversionSettings settings(folder);
    if (!settingsFile.empty()) {
      LoadSettings(settings, settingsFile, presets ? &*presets : nullptr, folder);
    } else if (presets) {
      showRememberedPreset(settings, *presets);
    }
    for (const std::string& assignment : assignments) applySetting(settings, assignment);

    CommandLineFrontEnd frontEnd(left, right, startPrograms, out);
    ConversionRun conversion(settings, frontEnd);
    // What the scan reads is kept for the next run, preview or measurement of the same files.
    ClipScan scan(nullptr, nullptr, platform::cacheFolder());
    conversion.setScan(&scan);
    int status = 0;
    try {
      conversion.M1Click();
    } catch (const Error& error) {
      // As in the window, the folders the run remembered stay and can still be saved.
      out.flush();
      err << error.displayText() << '\n';
      status = 1;
    }
    // The notes of the clips, which leave the exit status as it is.
    for (const RunReport::Note& note : conversion.report().notes()) {
      err << "note\t" << note.clip << '\t' << note.text << '\n';
    }
    if (status == 0 && frontEnd.encodes()) {
      const bool terminal = &err == &std::cerr && platform::standardErrorIsTerminal();
      status = followEncodes(*frontEnd.encodes(), terminal, out, err);
    }
    if (!saveSettingsFile.empty()) SaveSettings(settings, saveSettingsFile);
    out.flush();
    return status;
  } catch (const UsageError& error) {
    err << "twinlens-cli: " << error.message << '\n' << kUsage << '\n';
    return 2;
  } catch (const Error& error) {
    out.flush();
    err << error.displayText() << '\n';
    return 1;
  } catch (const std::exception& error) {
    out.flush();
    err << "twinlens-cli: " << error.what() << '\n';
    return 1;
  }
}

}  // namespace twinlens::cli
