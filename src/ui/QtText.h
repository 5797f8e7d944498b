#pragma once

#include <QString>
#include <string>

namespace twinlens::ui {

// The core takes bytes in the system's 8-bit encoding; the window converts at its boundary.
inline std::string toCore(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

inline QString fromCore(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace twinlens::ui
