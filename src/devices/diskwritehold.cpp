#include "devices/diskwritehold.h"

#include <map>
#include <mutex>

#include "platform/os.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {
namespace {

// The disks this process holds, with the system's holds and how many DiskWriteHolds share them.
struct HeldDisk {
  std::vector<win::HANDLE> holds;
  int users = 0;
};

std::mutex& HeldLock() {
  static std::mutex lock;
  return lock;
}

std::map<std::string, HeldDisk>& HeldDisks() {
  static std::map<std::string, HeldDisk> disks;
  return disks;
}

}  // namespace

DiskWriteHold::DiskWriteHold(const std::string& devicePath, const win::ScsiAddress& address) {
  std::string disk = devicePath;
  if (!devicePath.empty() && devicePath.back() == ':')
    disk += StringPrintf(" %u:%u:%u", address.PathId, address.TargetId, address.Lun);
  const std::lock_guard guard(HeldLock());
  if (auto held = HeldDisks().find(disk); held != HeldDisks().end()) {
    ++held->second.users;
    disk_ = std::move(disk);
    return;
  }
  os::Platform& system = os::Current();
  std::vector<win::HANDLE> holds;
  if (!system.HoldDiskForWriting(devicePath, address, &holds)) {
    const win::DWORD error = system.GetLastError();
    throw OruError(kRefusedText, disk + " [GetLastErrText=" + system.FormatMessage(error) + "]");
  }
  HeldDisks()[disk] = HeldDisk{std::move(holds), 1};
  disk_ = std::move(disk);
}

DiskWriteHold::~DiskWriteHold() {
  const std::lock_guard guard(HeldLock());
  auto held = HeldDisks().find(disk_);
  if (held == HeldDisks().end() || --held->second.users > 0) return;
  for (win::HANDLE hold : held->second.holds) os::Current().CloseHandle(hold);
  HeldDisks().erase(held);
}

}  // namespace rb
