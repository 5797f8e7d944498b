#pragma once

#include <string>

namespace twinlens::platform {

// This computer's name on the network, as the system tells it ("studio1"; without its domain).
std::string hostName();

// Whether the folder lies on a file system that other computers reach too (NFS, SMB, Lustre,
// GPFS, BeeGFS, CephFS, ...), as far as the system tells.
bool onNetworkFileSystem(const std::string& folder);

}  // namespace twinlens::platform
