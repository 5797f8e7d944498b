#include "platform/ProgramOutput.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#else
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace twinlens::platform {

std::string windowsCommandLine(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& argument : command) {
    if (!line.empty()) line.push_back(' ');
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
      line += argument;
      continue;
    }
    line.push_back('"');
    std::size_t backslashes = 0;
    for (const char c : argument) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
      backslashes = 0;
      line.push_back(c);
    }
    line.append(backslashes * 2, '\\');
    line.push_back('"');
  }
  return line;
}

std::string ProgramOutput::lastErrorLine() const {
  std::string text = errors;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const std::size_t start = text.find_last_of('\n');
  return start == std::string::npos ? text : text.substr(start + 1);
}

#ifdef _WIN32

namespace {

std::string readAll(HANDLE handle) {
  std::string text;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(handle, buffer, sizeof buffer, &got, nullptr) && got > 0)
    text.append(buffer, got);
  return text;
}

}  // namespace

ProgramOutput runProgram(const std::vector<std::string>& command) {
  ProgramOutput result;
  std::string line = windowsCommandLine(command);

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE outRead = nullptr;
  HANDLE outWrite = nullptr;
  if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) {
    result.errors = "Cannot create a pipe";
    return result;
  }
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  // Standard error goes to a temporary file, so that neither output can fill up and stall the
  // program while the other is read.
  char folder[MAX_PATH + 1] = {};
  char errorsPath[MAX_PATH + 1] = {};
  GetTempPathA(sizeof folder, folder);
  GetTempFileNameA(folder, "tlo", 0, errorsPath);
  HANDLE errorsFile =
      CreateFileA(errorsPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                  CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  HANDLE nothing = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nothing;
  startup.hStdOutput = outWrite;
  startup.hStdError = errorsFile;
  PROCESS_INFORMATION process{};
  const BOOL created = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  CloseHandle(outWrite);
  CloseHandle(nothing);
  if (!created) {
    CloseHandle(outRead);
    CloseHandle(errorsFile);
    result.errors = "Cannot start \"" + (command.empty() ? std::string() : command[0]) +
                    "\" (error " + std::to_string(GetLastError()) + ")";
    return result;
  }
  result.started = true;
  result.output = readAll(outRead);
  CloseHandle(outRead);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  result.exitCode = static_cast<int>(code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  SetFilePointer(errorsFile, 0, nullptr, FILE_BEGIN);
  result.errors = readAll(errorsFile);
  CloseHandle(errorsFile);
  return result;
}

#else

ProgramOutput runProgram(const std::vector<std::string>& command) {
  ProgramOutput result;
  if (command.empty()) return result;
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  int out[2];
  int err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    result.errors = std::strerror(errno);
    return result;
  }
  if (::pipe2(err, O_CLOEXEC) != 0) {
    result.errors = std::strerror(errno);
    ::close(out[0]);
    ::close(out[1]);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  pid_t child = 0;
  const int failure = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  if (failure != 0) {
    ::close(out[0]);
    ::close(err[0]);
    result.errors = "Cannot start \"" + command[0] + "\". " + std::strerror(failure);
    return result;
  }
  result.started = true;

  // Both outputs are read as they come, so that neither fills up while the other is waited on.
  pollfd streams[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* texts[2] = {&result.output, &result.errors};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (::poll(streams, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (streams[i].fd < 0 || streams[i].revents == 0) continue;
      const ssize_t got = ::read(streams[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        texts[i]->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        ::close(streams[i].fd);
        streams[i].fd = -1;
        --open;
      }
    }
  }
  for (const pollfd& stream : streams) {
    if (stream.fd >= 0) ::close(stream.fd);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

#endif

}  // namespace twinlens::platform
