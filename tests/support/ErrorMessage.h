#pragma once

#include <functional>
#include <string>

#include "base/Error.h"

namespace twinlens::test {

// The message of the Error an action raises, or "(no error)".
inline std::string messageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "(no error)";
}

}  // namespace twinlens::test
