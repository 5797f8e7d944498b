#include "platform/ProgramLauncher.h"

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>
#endif

namespace twinlens::platform {

#ifdef _WIN32

namespace {

std::string windowsErrorText(DWORD code) {
  char buffer[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  // The system's messages end in a period and a line break; the caller adds its own ending.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) {
    text.pop_back();
  }
  return text.empty() ? "Error " + std::to_string(code) : text;
}

}  // namespace

std::string launchProgram(const std::string& file, const std::string& parameters,
                          const std::string& workingFolder) {
  if (file.empty()) return windowsErrorText(ERROR_FILE_NOT_FOUND);
  // The shell reports a failure through a result of 32 or less, most of them system error codes.
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(
      nullptr, "open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
      workingFolder.empty() ? nullptr : workingFolder.c_str(), SW_SHOWNORMAL));
  if (result > 32) return {};
  switch (result) {
    case 0:
    case SE_ERR_OOM:
      return windowsErrorText(ERROR_NOT_ENOUGH_MEMORY);
    case SE_ERR_ACCESSDENIED:
      return windowsErrorText(ERROR_ACCESS_DENIED);
    case SE_ERR_NOASSOC:
    case SE_ERR_ASSOCINCOMPLETE:
      return windowsErrorText(ERROR_NO_ASSOCIATION);
    case SE_ERR_SHARE:
      return windowsErrorText(ERROR_SHARING_VIOLATION);
    case SE_ERR_DLLNOTFOUND:
      return windowsErrorText(ERROR_DLL_NOT_FOUND);
    default:
      return windowsErrorText(static_cast<DWORD>(result));
  }
}

#else

namespace {

bool endsWithIgnoringCase(std::string_view text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  const std::string_view tail = text.substr(text.size() - ending.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != ending[i]) return false;
  }
  return true;
}

bool isExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// The executable `program` in the folders of PATH, as the shell would find it; empty when absent.
std::string findOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  std::string_view folders(path);
  while (true) {
    const std::size_t colon = folders.find(':');
    // An empty entry stands for the current folder.
    const std::string_view entry = folders.substr(0, colon);
    std::string candidate(entry.empty() ? std::string_view(".") : entry);
    candidate.append("/").append(program);
    if (isExecutableFile(candidate)) {
      // Absolute, because the launch changes into the working folder before it runs.
      std::error_code error;
      return std::filesystem::absolute(candidate, error).string();
    }
    if (colon == std::string_view::npos) return {};
    folders.remove_prefix(colon + 1);
  }
}

std::vector<std::string> splitAtBlanks(const std::string& text) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t blank = text.find(' ', start);
    const std::size_t end = blank == std::string::npos ? text.size() : blank;
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

// Runs the command in a grandchild of a new session, so it outlives us, has no terminal of ours
// and leaves no zombie: the intermediate child ends at once and is reaped here. Returns 0 once
// the program runs, or the error number that kept it from starting: the grandchild sends it
// through a pipe that closes by itself when the program starts.
int startDetached(const std::vector<std::string>& command, const std::string& workingFolder) {
  // Everything the child needs is prepared before the fork; after it only async-signal-safe
  // calls are made, since the window may run other threads.
  std::vector<char*> argv;
  argv.reserve(command.size() + 1);
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  const char* folder = workingFolder.empty() ? nullptr : workingFolder.c_str();

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return errno;
  const pid_t child = ::fork();
  if (child < 0) {
    const int error = errno;
    ::close(report[0]);
    ::close(report[1]);
    return error;
  }
  if (child == 0) {
    ::close(report[0]);
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) {
      const int error = errno;
      (void)!::write(report[1], &error, sizeof error);
      ::_exit(127);
    }
    if (grandchild != 0) ::_exit(0);
    const int sender = report[1];
    auto fail = [sender]() {
      const int error = errno;
      (void)!::write(sender, &error, sizeof error);
      ::_exit(127);
    };
    // Like a program the shell opens in a window of its own, it shares no input or output with
    // us: otherwise its output would mix into ours, and whoever reads our output through a pipe
    // would wait until it ends.
    const int nowhere = ::open("/dev/null", O_RDWR);
    if (nowhere < 0) fail();
    for (int stream = 0; stream <= 2; ++stream) {
      if (::dup2(nowhere, stream) < 0) fail();
    }
    if (nowhere > 2) ::close(nowhere);
    if (folder != nullptr && ::chdir(folder) != 0) fail();
    ::execv(argv[0], argv.data());
    fail();
  }
  ::close(report[1]);
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got = 0;
  while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

}  // namespace

std::string launchProgram(const std::string& file, const std::string& parameters,
                          const std::string& workingFolder) {
  if (file.empty()) return std::strerror(ENOENT);
  // The file is named from our own folder, before the launch changes into the working folder.
  std::error_code error;
  const std::string program = std::filesystem::absolute(file, error).string();
  if (error) return error.message();
  // A missing file or folder is told as such, whatever would have run it.
  struct stat info {};
  if (::stat(program.c_str(), &info) != 0) return std::strerror(errno);
  struct stat folderInfo {};
  if (!workingFolder.empty() && ::stat(workingFolder.c_str(), &folderInfo) != 0) {
    return std::strerror(errno);
  }

  std::vector<std::string> command;
  if (endsWithIgnoringCase(program, ".exe") || endsWithIgnoringCase(program, ".bat")) {
    // Windows programs and batch files run through wine, when it is installed.
    const std::string wine = findOnPath("wine");
    if (wine.empty()) return "Windows programs are started through Wine, which is not installed";
    command.push_back(wine);
    if (endsWithIgnoringCase(program, ".bat")) {
      command.push_back("cmd");
      command.push_back("/c");
    }
  } else if (!isExecutableFile(program)) {
    return std::strerror(S_ISREG(info.st_mode) ? EACCES : EISDIR);
  }
  command.push_back(program);
  for (std::string& word : splitAtBlanks(parameters)) command.push_back(std::move(word));
  const int failure = startDetached(command, workingFolder);
  return failure == 0 ? std::string() : std::strerror(failure);
}

#endif

}  // namespace twinlens::platform
