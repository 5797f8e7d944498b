#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace twinlens {

// An error that ends a user action. Its message is the exact text the user sees; the front end
// shows it through displayText().
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}

  // The message as shown in a message box: a period follows a message that ends in a letter or
  // a digit.
  static std::string displayText(std::string_view message);
  std::string displayText() const { return displayText(what()); }

  static Error cannotOpen(std::string_view path, std::string_view reason);
  static Error cannotCreate(std::string_view path, std::string_view reason);
  static Error notAnInteger(std::string_view text);
  static Error unableToWrite(std::string_view path);
};

}  // namespace twinlens
