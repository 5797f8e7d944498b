#include "platform/ChildProcess.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string_view>
#include <thread>

#include "platform/ProgramOutput.h"

#ifdef _WIN32
#include <windows.h>

#include <cstring>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace twinlens::platform {

#ifdef _WIN32

struct ChildProcess::System {
  HANDLE process = nullptr;
  HANDLE job = nullptr;
  HANDLE pipes[2] = {nullptr, nullptr};  // the read ends of its output and its errors

  void closePipe(int i) {
    if (pipes[i] != nullptr) CloseHandle(pipes[i]);
    pipes[i] = nullptr;
  }
  void close() {
    closePipe(0);
    closePipe(1);
    if (process != nullptr) CloseHandle(process);
    if (job != nullptr) CloseHandle(job);
    process = nullptr;
    job = nullptr;
  }
};

namespace {

// The environment block of this process with `changes` set over it.
std::string environmentWith(const std::vector<std::pair<std::string, std::string>>& changes) {
  std::string block;
  char* inherited = GetEnvironmentStringsA();
  for (const char* entry = inherited; entry != nullptr && *entry != '\0';
       entry += std::strlen(entry) + 1) {
    const std::string text = entry;
    const std::string name = text.substr(0, text.find('=', 1));
    const bool changed = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
      return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1,
                            change.first.c_str(), -1) == CSTR_EQUAL;
    });
    if (!changed) block.append(text).push_back('\0');
  }
  if (inherited != nullptr) FreeEnvironmentStringsA(inherited);
  for (const auto& [name, value] : changes) block.append(name + "=" + value).push_back('\0');
  block.push_back('\0');
  return block;
}

}  // namespace

std::string ChildProcess::launch(const std::vector<std::string>& command, const Options& options) {
  std::string line = windowsCommandLine(command);

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE writeEnds[2] = {nullptr, nullptr};
  for (int i = 0; i < 2; ++i) {
    if (!CreatePipe(&system_->pipes[i], &writeEnds[i], &inherit, 1 << 16)) {
      system_->close();
      if (writeEnds[0] != nullptr) CloseHandle(writeEnds[0]);
      return "Cannot create a pipe";
    }
    SetHandleInformation(system_->pipes[i], HANDLE_FLAG_INHERIT, 0);
  }
  HANDLE nothing = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nothing;
  startup.hStdOutput = writeEnds[0];
  startup.hStdError = options.mergeErrors ? writeEnds[0] : writeEnds[1];
  std::string environment;
  if (!options.environment.empty()) environment = environmentWith(options.environment);
  PROCESS_INFORMATION process{};
  const BOOL created = CreateProcessA(
      nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_SUSPENDED,
      environment.empty() ? nullptr : environment.data(),
      options.workingFolder.empty() ? nullptr : options.workingFolder.c_str(), &startup, &process);
  const DWORD failure = GetLastError();
  CloseHandle(writeEnds[0]);
  CloseHandle(writeEnds[1]);
  CloseHandle(nothing);
  if (!created) {
    system_->close();
    return "Cannot start \"" + command[0] + "\" (error " + std::to_string(failure) + ")";
  }
  // Whatever the program starts stays in its job, which `stop` ends as a whole.
  if (options.ownGroup) {
    system_->job = CreateJobObjectA(nullptr, nullptr);
    if (system_->job != nullptr && !AssignProcessToJobObject(system_->job, process.hProcess)) {
      CloseHandle(system_->job);
      system_->job = nullptr;
    }
  }
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  system_->process = process.hProcess;
  running_ = true;
  return {};
}

bool ChildProcess::poll(int waitMs) {
  if (!running_) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  std::string* texts[2] = {&output_, &errors_};
  for (;;) {
    bool got = false;
    for (int i = 0; i < 2; ++i) {
      if (system_->pipes[i] == nullptr || (i == 0 && !takesOutput())) continue;
      DWORD waiting = 0;
      if (!PeekNamedPipe(system_->pipes[i], nullptr, 0, nullptr, &waiting, nullptr)) {
        system_->closePipe(i);  // the program closed it
        continue;
      }
      while (waiting > 0 && (i != 0 || takesOutput())) {
        char buffer[65536];
        DWORD read = 0;
        if (!ReadFile(system_->pipes[i], buffer, std::min<DWORD>(waiting, sizeof buffer), &read,
                      nullptr) ||
            read == 0) {
          break;
        }
        texts[i]->append(buffer, read);
        waiting -= read;
        got = true;
      }
    }
    if (WaitForSingleObject(system_->process, 0) == WAIT_OBJECT_0) {
      // It has ended: what is still in the pipes is taken in; a program it started and left
      // running may hold them open, so they are not waited on.
      for (int i = 0; i < 2; ++i) {
        DWORD waiting = 0;
        while (system_->pipes[i] != nullptr &&
               PeekNamedPipe(system_->pipes[i], nullptr, 0, nullptr, &waiting, nullptr) &&
               waiting > 0) {
          std::string buffer(waiting, '\0');
          DWORD read = 0;
          if (!ReadFile(system_->pipes[i], buffer.data(), waiting, &read, nullptr)) break;
          texts[i]->append(buffer.data(), read);
        }
      }
      DWORD code = 0;
      GetExitCodeProcess(system_->process, &code);
      finish(static_cast<int>(code));
      return false;
    }
    if (got || waitMs == 0) return true;
    if (waitMs > 0 && std::chrono::steady_clock::now() >= deadline) return true;
    WaitForSingleObject(system_->process, 5);
  }
}

void ChildProcess::stop() {
  if (!running_) return;
  if (system_->job != nullptr) {
    TerminateJobObject(system_->job, 1);
  } else {
    TerminateProcess(system_->process, 1);
  }
  WaitForSingleObject(system_->process, INFINITE);
  finish(-1);
}

void ChildProcess::stopGently(int) {
  stop();
}

void ChildProcess::finish(int exitCode) {
  running_ = false;
  exitCode_ = exitCode;
  system_->close();
}

#else

namespace {

// Waits a little while a program that has closed its outputs has not yet ended.
// The programs asked to take their large blocks of memory in huge pages where the system has them:
// an 8K picture then costs a few dozen page faults rather than tens of thousands, which on a
// virtual machine halves the time to read one. A choice the user's environment makes is kept.
void withLargePages(std::vector<std::string>& environment) {
  constexpr std::string_view kName = "GLIBC_TUNABLES=";
  constexpr std::string_view kLargePages = "glibc.malloc.hugetlb=1";
  for (std::string& entry : environment) {
    if (!entry.starts_with(kName)) continue;
    if (entry.find("glibc.malloc.hugetlb") == std::string::npos) {
      entry += (entry.size() > kName.size() ? ":" : "") + std::string(kLargePages);
    }
    return;
  }
  environment.push_back(std::string(kName) + std::string(kLargePages));
}

void pause(int waitMs) {
  std::this_thread::sleep_for(std::chrono::milliseconds(std::clamp(waitMs, 1, 10)));
}

}  // namespace

struct ChildProcess::System {
  pid_t pid = 0;
  bool ownGroup = false;
  int pipes[2] = {-1, -1};  // the read ends of its output and its errors

  void closePipe(int i) {
    if (pipes[i] >= 0) ::close(pipes[i]);
    pipes[i] = -1;
  }
};

std::string ChildProcess::launch(const std::vector<std::string>& command, const Options& options) {
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  // This process's environment with the changes set over it.
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    const bool changed = std::any_of(options.environment.begin(), options.environment.end(),
                                     [&](const auto& change) { return change.first == name; });
    if (!changed) environment.push_back(text);
  }
  for (const auto& [name, value] : options.environment) environment.push_back(name + "=" + value);
  withLargePages(environment);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  int ends[2][2];
  for (int i = 0; i < 2; ++i) {
    if (::pipe2(ends[i], O_CLOEXEC) != 0) {
      const std::string why = std::strerror(errno);
      if (i == 1) {
        ::close(ends[0][0]);
        ::close(ends[0][1]);
      }
      return "Cannot create a pipe. " + why;
    }
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, ends[0][1], 1);
  posix_spawn_file_actions_adddup2(&actions, options.mergeErrors ? ends[0][1] : ends[1][1], 2);
  if (!options.workingFolder.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.workingFolder.c_str());
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (options.ownGroup) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  pid_t child = 0;
  const int failure =
      ::posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ends[0][1]);
  ::close(ends[1][1]);
  if (failure != 0) {
    ::close(ends[0][0]);
    ::close(ends[1][0]);
    return "Cannot start \"" + command[0] + "\". " + std::strerror(failure);
  }
  for (int i = 0; i < 2; ++i) {
    system_->pipes[i] = ends[i][0];
    ::fcntl(ends[i][0], F_SETFL, ::fcntl(ends[i][0], F_GETFL) | O_NONBLOCK);
  }
  system_->pid = child;
  system_->ownGroup = options.ownGroup;
  running_ = true;
  return {};
}

bool ChildProcess::poll(int waitMs) {
  if (!running_) return false;
  std::string* texts[2] = {&output_, &errors_};
  pollfd streams[2];
  nfds_t open = 0;
  for (int i = 0; i < 2; ++i) {
    if (system_->pipes[i] >= 0 && (i != 0 || takesOutput())) {
      streams[open++] = {system_->pipes[i], POLLIN, 0};
    }
  }
  if (open == 0 && system_->pipes[0] >= 0) {
    // Its output waits for the caller to take what it has.
    if (waitMs != 0) pause(waitMs);
    return true;
  }
  if (open > 0) {
    // Both outputs are read as they come, so that neither fills up while the other is waited on.
    while (::poll(streams, open, waitMs) < 0 && errno == EINTR) {
    }
    for (int i = 0; i < 2; ++i) {
      for (;;) {
        if (system_->pipes[i] < 0 || (i == 0 && !takesOutput())) break;
        char buffer[65536];
        const ssize_t got = ::read(system_->pipes[i], buffer, sizeof buffer);
        if (got > 0) {
          texts[i]->append(buffer, static_cast<std::size_t>(got));
        } else if (got < 0 && errno == EINTR) {
          continue;
        } else {
          if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) system_->closePipe(i);
          break;
        }
      }
    }
    if (system_->pipes[0] >= 0 || system_->pipes[1] >= 0) return true;
  }
  // Both outputs are closed: the program has ended, or is about to.
  for (;;) {
    int status = 0;
    const pid_t ended = ::waitpid(system_->pid, &status, waitMs < 0 ? 0 : WNOHANG);
    if (ended < 0 && errno == EINTR) continue;
    if (ended == system_->pid || ended < 0) {
      finish(ended == system_->pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1);
      return false;
    }
    if (waitMs == 0) return true;
    pause(waitMs);
    waitMs = 0;
  }
}

void ChildProcess::stop() {
  if (!running_) return;
  ::kill(system_->ownGroup ? -system_->pid : system_->pid, SIGKILL);
  int status = 0;
  while (::waitpid(system_->pid, &status, 0) < 0 && errno == EINTR) {
  }
  finish(-1);
}

void ChildProcess::stopGently(int graceMs) {
  if (!running_) return;
  // Once it has ended the handles are closed: its group is known by its number alone.
  const pid_t group = system_->ownGroup ? system_->pid : 0;
  ::kill(system_->pid, SIGTERM);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
  while (poll(50)) {
    if (std::chrono::steady_clock::now() >= until) {
      stop();
      return;
    }
  }
  // What it started and left behind goes with it.
  if (group > 0) ::kill(-group, SIGKILL);
}

void ChildProcess::finish(int exitCode) {
  running_ = false;
  exitCode_ = exitCode;
  system_->closePipe(0);
  system_->closePipe(1);
  system_->pid = 0;
}

#endif

namespace {
std::atomic<std::uint64_t> startedPrograms = 0;
}  // namespace

ChildProcess::ChildProcess() : system_(std::make_unique<System>()) {}

ChildProcess::~ChildProcess() {
  stop();
}

std::string ChildProcess::start(const std::vector<std::string>& command, const Options& options) {
  stop();
  output_.clear();
  errors_.clear();
  exitCode_ = -1;
  outputLimit_ = options.outputLimit;
  if (command.empty()) return "No program to start";
  std::string failure = launch(command, options);
  if (failure.empty()) ++startedPrograms;
  return failure;
}

std::uint64_t ChildProcess::started() {
  return startedPrograms;
}

}  // namespace twinlens::platform
