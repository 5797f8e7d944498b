#include "platform/Host.h"

#include <array>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/vfs.h>
#include <unistd.h>
#endif

namespace twinlens::platform {

std::string hostName() {
#ifdef _WIN32
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return {};
  return name;
#else
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  std::string text(name);
  return text.substr(0, text.find('.'));
#endif
}

bool onNetworkFileSystem(const std::string& folder) {
#ifdef _WIN32
  const std::string root = folder.size() >= 3 ? folder.substr(0, 3) : folder;
  return folder.rfind("\\\\", 0) == 0 || GetDriveTypeA(root.c_str()) == DRIVE_REMOTE;
#else
  struct statfs about {};
  if (statfs(folder.c_str(), &about) != 0) return false;
  // The magic numbers of Linux's network and cluster file systems.
  constexpr std::array<std::uint32_t, 11> kShared = {
      0x6969,      // NFS
      0xFF534D42,  // CIFS / SMB
      0xFE534D42,  // SMB2
      0x517B,      // SMB
      0x0BD00BD0,  // Lustre
      0x47504653,  // GPFS
      0x19830326,  // BeeGFS
      0x00C36400,  // CephFS
      0x65735546,  // FUSE (sshfs, GlusterFS, ...)
      0x013111A8,  // IBRIX
      0x7461636F,  // OCFS2
  };
  const auto type = static_cast<std::uint32_t>(about.f_type);
  for (const std::uint32_t shared : kShared) {
    if (type == shared) return true;
  }
  return false;
#endif
}

}  // namespace twinlens::platform
