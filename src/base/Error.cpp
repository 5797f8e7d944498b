#include "base/Error.h"

namespace twinlens {

namespace {

bool isAsciiLetterOrDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::string Error::displayText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && isAsciiLetterOrDigit(text.back())) text += '.';
  return text;
}

Error Error::cannotOpen(std::string_view path, std::string_view reason) {
  std::string message = "Cannot open file \"";
  message.append(path).append("\". ").append(reason);
  return Error(message);
}

Error Error::cannotCreate(std::string_view path, std::string_view reason) {
  std::string message = "Cannot create file \"";
  message.append(path).append("\". ").append(reason);
  return Error(message);
}

Error Error::notAnInteger(std::string_view text) {
  std::string message = "'";
  message.append(text).append("' is not a valid integer value");
  return Error(message);
}

Error Error::unableToWrite(std::string_view path) {
  std::string message = "Unable to write to ";
  message.append(path);
  return Error(message);
}

}  // namespace twinlens
