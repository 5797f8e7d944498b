#include "platform/Terminal.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <cstdio>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace twinlens::platform {

namespace {

std::atomic<bool> interrupted{false};

#ifdef _WIN32
BOOL WINAPI onConsoleEvent(DWORD) {
  interrupted = true;
  return TRUE;
}
#else
void onSignal(int) {
  interrupted = true;
}
struct sigaction previousInterrupt {};
struct sigaction previousTerminate {};
#endif

}  // namespace

bool standardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return ::isatty(STDERR_FILENO) != 0;
#endif
}

InterruptCatcher::InterruptCatcher() {
  interrupted = false;
#ifdef _WIN32
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
  struct sigaction caught {};
  caught.sa_handler = onSignal;
  sigemptyset(&caught.sa_mask);
  ::sigaction(SIGINT, &caught, &previousInterrupt);
  ::sigaction(SIGTERM, &caught, &previousTerminate);
#endif
}

InterruptCatcher::~InterruptCatcher() {
#ifdef _WIN32
  SetConsoleCtrlHandler(onConsoleEvent, FALSE);
#else
  ::sigaction(SIGINT, &previousInterrupt, nullptr);
  ::sigaction(SIGTERM, &previousTerminate, nullptr);
#endif
}

bool InterruptCatcher::requested() {
  return interrupted;
}

}  // namespace twinlens::platform
