// Whole runs of the real twinlens-cli.exe with Windows paths: clips on drives C: and D:, folders
// whose names differ only in letter case, names in the ANSI code page, VirtualDub behind a
// doubled separator. Every file written must end its lines in CR LF.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "model/ConversionSettings.h"
#include "platform/ProgramOutput.h"
#include "storage/SettingsFile.h"
#include "support/DriveFolder.h"

namespace twinlens {
namespace {

using test::crLfFault;
using test::DriveFolder;
using test::fileBytes;
using test::putFile;

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The program as Windows names it; under Wine the build's Linux folders lie on drive Z:.
std::string cliProgram() {
  std::string path = TWINLENS_CLI_PROGRAM;
  if (path.starts_with("/")) path.insert(0, "Z:");
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

struct Outcome {
  DWORD status;
  std::string out;
  std::string err;
};

// Runs twinlens-cli.exe in the folder `work`, its output and messages going to files there.
Outcome runCli(const std::vector<std::string>& args, const std::string& work) {
  std::vector<std::string> command{cliProgram()};
  command.insert(command.end(), args.begin(), args.end());
  std::string commandLine = platform::windowsCommandLine(command);
  const std::string outPath = work + "\\stdout.txt";
  const std::string errPath = work + "\\stderr.txt";
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, work.c_str(), &startup, &process);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) return {~DWORD{0}, "", "cannot start " + commandLine};
  // A run of a few empty clips takes well under a second; a hung one must not hang the tests.
  if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return {status, fileBytes(outPath), fileBytes(errPath)};
}

// Lines as the program writes them to its standard output, which is in text mode: CR LF.
std::string outputLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

struct ExpectedFile {
  std::string path;
  std::vector<std::string> lines;  // the whole file, or lines it holds among others
  bool whole = true;
};

struct WindowsRunCase {
  const char* label;
  std::vector<std::pair<std::string, std::string>> inputs;  // path, bytes
  std::vector<std::string> args;
  std::vector<std::string> out;  // the lines of the standard output
  std::vector<ExpectedFile> files;
};

void PrintTo(const WindowsRunCase& c, std::ostream* os) {
  *os << c.label;
}

// The places a case names with markers:
//   @C@ a fresh folder on C:, @c@ the same with the drive letter in lower case,
//   @D@ a fresh folder on D:, @CC@ the C: folder with every backslash doubled (VirtualDub's
//   script form), @A@ a folder name in the ANSI code page with letters beyond ASCII.
class WindowsCliRun : public ::testing::TestWithParam<WindowsRunCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(c_.created()) << "cannot create a folder in C:\\";
    ansiName_ = test::ansiText(L"caf\u00e9 \u20ac");
  }

  std::string place(const std::string& text) const {
    std::string result = replaceAll(text, "@CC@", replaceAll(c_.path(), "\\", "\\\\"));
    result = replaceAll(result, "@C@", c_.path());
    std::string lower = c_.path();
    lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
    result = replaceAll(result, "@c@", lower);
    result = replaceAll(result, "@A@", ansiName_);
    if (d_) result = replaceAll(result, "@D@", d_->path());
    return result;
  }

  DriveFolder c_{'C'};
  std::unique_ptr<DriveFolder> d_;
  std::string ansiName_;
};

bool mentions(const WindowsRunCase& c, const std::string& marker) {
  const auto holds = [&](const std::string& text) {
    return text.find(marker) != std::string::npos;
  };
  return std::any_of(c.args.begin(), c.args.end(), holds);
}

TEST_P(WindowsCliRun, WritesTheFilesUnderTheirWindowsNames) {
  const WindowsRunCase& c = GetParam();
  if (mentions(c, "@A@") && ansiName_.empty()) {
    GTEST_SKIP() << "code page " << GetACP() << " cannot spell the folder's name";
  }
  if (mentions(c, "@D@")) {
    d_ = std::make_unique<DriveFolder>('D');
    // Wine gets its D: from scripts/wine-run; a Windows machine may have no such drive.
    if (!d_->created() && !test::underWine()) GTEST_SKIP() << "no writable drive D:";
    ASSERT_TRUE(d_->created()) << "cannot create a folder in D:\\ (scripts/wine-run maps it)";
  }
  for (const auto& [path, bytes] : c.inputs) ASSERT_TRUE(putFile(place(path), bytes)) << path;
  const std::string work = c_.file("work");
  ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
  std::vector<std::string> args;
  for (const std::string& arg : c.args) args.push_back(place(arg));

  const Outcome outcome = runCli(args, work);

  ASSERT_EQ(outcome.status, 0u) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  std::vector<std::string> out;
  for (const std::string& line : c.out) out.push_back(place(line));
  EXPECT_EQ(outcome.out, outputLines(out));
  // Every file written is there under the name reported, every line ended by CR LF.
  for (const std::string& line : out) {
    if (!line.starts_with("wrote\t")) continue;
    const std::string path = line.substr(6);
    const std::string bytes = fileBytes(path);
    EXPECT_FALSE(bytes.empty()) << path;
    EXPECT_EQ(crLfFault(bytes), "") << path;
  }
  for (const ExpectedFile& file : c.files) {
    const std::string bytes = fileBytes(place(file.path));
    if (file.whole) {
      std::string expected;
      for (const std::string& line : file.lines) expected += place(line) + "\r\n";
      EXPECT_EQ(bytes, expected) << file.path;
    } else {
      for (const std::string& line : file.lines) {
        EXPECT_NE(("\r\n" + bytes).find("\r\n" + place(line) + "\r\n"), std::string::npos)
            << file.path << " lacks the line " << place(line) << "\n"
            << bytes;
      }
    }
  }
}

const std::vector<std::pair<std::string, std::string>> kVirtualDubFiles = {
    {"@C@\\vd\\deint.vcf",
     "VirtualDub.video.filters.Clear();\r\nVirtualDub.video.filters.Add(\"deinterlace\");\r\n"},
    {"@C@\\vd\\separate.vcf", "VirtualDub.video.SetCompression(0x7367616d,0,10000,0);\r\n"},
    {"@C@\\vd\\lr.vcf", "VirtualDub.audio.SetMode(0);\nVirtualDub.video.SetDepth(24,24);"}};

const std::vector<std::string> kVirtualDubArgs = {
    "--set", "VcfDeint=@C@\\vd\\deint.vcf",
    "--set", "Edit_vcf_deint=@C@\\vd\\deint.vcf",
    "--set", "VcfSeparate=@C@\\vd\\separate.vcf",
    "--set", "Edit_vcf_separate=@C@\\vd\\separate.vcf",
    "--set", "VcfLR=@C@\\vd\\lr.vcf",
    "--set", "Edit_vcf_LR=@C@\\vd\\lr.vcf",
    "--set", "CheckBox_VD_MakeJobs=1",
    "--set", "CheckBox_Execute_VD=1"};

const std::vector<std::string> kBatchArgs = {
    "--set", "RadioGroup_Colour_Match=1",        "--set", "CheckBox_ffmpeg_make=1",
    "--set", "CheckBox_Execute_ffmpeg=1",        "--set", "FfmpegLocation=C:\\ff\\ffmpeg.exe",
    "--set", "Edit_coding_presets=-c:v utvideo", "--set", "Edit_Video_Extension=.avi"};

template <typename T>
std::vector<T> join(std::vector<T> a, const std::vector<T>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A pair of separate clips, the right one in `right` (a folder with a trailing backslash), with
// colour matching and the batch file; `prefix` is how the left folder names the right one and
// `back` how the right folder names the left one.
WindowsRunCase pairCase(const char* label, const std::string& left, const std::string& right,
                        const std::string& prefix, const std::string& back) {
  return WindowsRunCase{
      label,
      {{left + "a_L.mp4", ""}, {right + "a_R.mp4", ""}},
      join({"--left", left + "a_L.mp4", "--right", right + "a_R.mp4"}, kBatchArgs),
      {"wrote\t" + left + "a_L.avs", "wrote\t" + right + "a_R.avs", "wrote\t" + left + "a_L.bat",
       "wrote\t" + left + "Hist_a_L.avs", "launch\t" + left + "a_L.bat\t/r /x\t" + left},
      {{right + "a_R.avs",
        {"AVISource(\"a_R.mp4\")", "colourlike(\"Hist_a_R.txt\", \"" + back + "Hist_a_L.txt\")"}},
       {left + "a_L.bat",
        {"\"C:\\ff\\ffmpeg.exe\" -i \"a_L.avs\" -c:v utvideo \"a_L.avi\"",
         "\"C:\\ff\\ffmpeg.exe\" -i \"" + prefix + "a_R.avs\" -c:v utvideo \"a_R.avi\""},
        false}}};
}

INSTANTIATE_TEST_SUITE_P(
    Runs, WindowsCliRun,
    ::testing::Values(
        pairCase("BothClipsInOneFolder", "@C@\\v\\", "@C@\\v\\", "", ""),
        pairCase("RightClipInASisterFolder", "@C@\\l\\", "@C@\\r\\", "..\\r\\", "..\\l\\"),
        pairCase("RightClipDeeperDown", "@C@\\l\\", "@C@\\l\\right eye\\", "right eye\\", "..\\"),
        pairCase("RightClipOnAnotherDrive", "@C@\\l\\", "@D@\\r\\", "@D@\\r\\", "@C@\\l\\"),
        pairCase("FoldersDifferOnlyInLetterCase", "@C@\\Clips\\L\\", "@c@\\clips\\R\\", "..\\R\\",
                 "..\\L\\"),
        pairCase("NamesInTheAnsiCodePage", "@C@\\@A@\\", "@C@\\@A@ 2\\", "..\\@A@ 2\\",
                 "..\\@A@\\"),
        // An MVC clip on D: found through its separated views.
        WindowsRunCase{"MvcPartnersOnAnotherDrive",
                       {{"@D@\\m\\00001.MTS", ""},
                        {"@D@\\m\\00001-l.avi", ""},
                        {"@D@\\m\\00001_r.avi", ""},
                        {"@D@\\m\\00001_l.avi", ""}},
                       {"--left", "@D@\\m\\00001.MTS", "--set", "CheckBox_MVC_Ref=1"},
                       {"wrote\t@D@\\m\\00001_L.avs", "wrote\t@D@\\m\\00001_R.avs"},
                       {{"@D@\\m\\00001_L.avs", {"AVISource(\"00001_l.avi\")"}},
                        {"@D@\\m\\00001_R.avs", {"AVISource(\"00001_r.avi\")"}}}},
        // A picture sequence: the pattern is a full Windows path.
        WindowsRunCase{
            "PicturesOnOneDrive",
            {{"@C@\\p\\img0001.jpg", ""}, {"@C@\\p\\img0250.jpg", ""}},
            {"--left", "@C@\\p\\img0001.jpg", "--left", "@C@\\p\\img0250.jpg", "--set",
             "RadioGroup_Import_Options=2", "--set", "RadioGroup_Input_Format=3", "--set",
             "RadioGroup_Output_Format=4", "--set", "Edit_import_picture_FR=25"},
            {"wrote\t@C@\\p\\img0001.avs"},
            {{"@C@\\p\\img0001.avs",
              {"ImageSource(\"@C@\\p\\img%04d.jpg\", 1 , 250 , 25)"},
              false}}},
        // Deinterlaced through VirtualDub, whose program and job list are named behind the
        // folder of its configuration files, separator and all.
        WindowsRunCase{
            "VirtualDubBehindADoubledSeparator",
            join({{"@C@\\l\\a_L.mp4", ""}, {"@C@\\r\\a_R.mp4", ""}}, kVirtualDubFiles),
            join({"--left", "@C@\\l\\a_L.mp4", "--right", "@C@\\r\\a_R.mp4", "--set",
                  "CheckBox_Output_DI=1"},
                 kVirtualDubArgs),
            {"wrote\t@C@\\l\\DI_a_L.avs", "wrote\t@C@\\r\\DI_a_R.avs", "wrote\t@C@\\l\\a_L.avs",
             "wrote\t@C@\\r\\a_R.avs", "wrote\t@C@\\vd\\\\VirtualDub.jobs",
             "launch\t@C@\\vd\\\\VirtualDub.exe\t/r /x\t"},
            {{"@C@\\vd\\VirtualDub.jobs",
              {"// $input \"@C@\\l\\DI_a_L.avs\"", "// $output \"@C@\\l\\DI_a_L.avi\"",
               "VirtualDub.Open(\"@CC@\\\\l\\\\DI_a_L.avs\",\"\",0);",
               "VirtualDub.SaveAVI(\"@CC@\\\\r\\\\DI_a_R.avi\");", "// $done"},
              false}}}),
    [](const auto& info) { return std::string(info.param.label); });

// The folders a run remembers start in the program's own folder, as GetModuleFileNameA tells it
// to twinlens-cli.exe; the settings file it saves has CR LF line ends too.
TEST(WindowsCli, RememberedFoldersStartBesideTheProgram) {
  DriveFolder root('C');
  ASSERT_TRUE(root.created());
  const std::string saved = root.file("twinlens-cli.ini");

  const Outcome outcome = runCli({"--save-settings", saved}, root.path());

  ASSERT_EQ(outcome.status, 0u) << outcome.err;
  ConversionSettings settings;
  LoadSettings(settings, saved, nullptr, "");
  const std::string program = cliProgram();
  const std::string folder = program.substr(0, program.rfind('\\'));
  EXPECT_EQ(settings.PathLeft.size(), folder.size()) << settings.PathLeft;
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, settings.PathLeft.c_str(), -1,
                           folder.c_str(), -1),
            CSTR_EQUAL)
      << settings.PathLeft << " is not " << folder;
  EXPECT_EQ(crLfFault(fileBytes(saved)), "");
}

// The whole chain of a launch: the program starts the batch file through the shell in the batch
// file's own folder, and the batch file runs its first command, here a recorder in ffmpeg's place.
TEST(WindowsCli, LaunchStartsTheBatchFileInItsOwnFolder) {
  DriveFolder root('C');
  ASSERT_TRUE(root.created());
  ASSERT_TRUE(putFile(root.file("l\\a_L.mp4"), ""));
  ASSERT_TRUE(putFile(root.file("r\\a_R.mp4"), ""));
  ASSERT_TRUE(putFile(root.file("ff\\ffmpeg.bat"), test::recorderBatch(root.file("record.txt"))));

  const Outcome outcome =
      runCli({"--left", root.file("l\\a_L.mp4"), "--right", root.file("r\\a_R.mp4"), "--set",
              "CheckBox_ffmpeg_make=1", "--set", "CheckBox_Execute_ffmpeg=1", "--set",
              "FfmpegLocation=" + root.file("ff\\ffmpeg.bat"), "--set",
              "Edit_coding_presets=-c:v utvideo", "--set", "Edit_Video_Extension=.avi", "--launch"},
             root.path());

  ASSERT_EQ(outcome.status, 0u) << outcome.err;
  EXPECT_EQ(test::awaitRecord(root.file("record.txt")),
            root.file("l") + "\r\n-i \"a_L.avs\" -c:v utvideo \"a_L.avi\"\r\n");
}

// Neither Slurm nor GNU parallel runs Windows workers: the choice is refused before anything is
// written, with what to choose instead.
TEST(WindowsCli, EncodesOnAClusterAreRefused) {
  DriveFolder root('C');
  ASSERT_TRUE(root.created());
  ASSERT_TRUE(putFile(root.file("v\\a_L.mp4"), ""));
  ASSERT_TRUE(putFile(root.file("v\\a_R.mp4"), ""));
  for (const char* on : {"1", "2"}) {
    const Outcome outcome = runCli(
        {"--left", root.file("v\\a_L.mp4"), "--right", root.file("v\\a_R.mp4"), "--set",
         "RadioGroup_Engine=1", "--set", "CheckBox_ffmpeg_make=1", "--set",
         std::string("RadioGroup_Encode_On=") + on, "--set", "Edit_Parallel_Computers=studio1"},
        root.path());
    EXPECT_EQ(outcome.status, 1u) << on;
    EXPECT_EQ(
        outcome.err.rfind("Slurm clusters and GNU parallel run their jobs on Linux computers, "
                          "not from Windows: choose \"This computer\" under \"Run the "
                          "encodes on\"",
                          0),
        0u)
        << outcome.err;
    EXPECT_EQ(GetFileAttributesA(root.file("v\\a_LR.ffgraph").c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

}  // namespace
}  // namespace twinlens
