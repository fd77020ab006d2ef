#include "devices/diskwritehold.h"

#include "platform/os.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

DiskWriteHold::DiskWriteHold(const std::string& devicePath, const win::ScsiAddress& address) {
  os::Platform& system = os::Current();
  if (system.HoldDiskForWriting(devicePath, address, &holds_)) return;
  const win::DWORD error = system.GetLastError();
  std::string disk = devicePath;
  if (!devicePath.empty() && devicePath.back() == ':')
    disk += StringPrintf(" %u:%u:%u", address.PathId, address.TargetId, address.Lun);
  throw OruError(kRefusedText, disk + " [GetLastErrText=" + system.FormatMessage(error) + "]");
}

DiskWriteHold::~DiskWriteHold() {
  for (win::HANDLE hold : holds_) os::Current().CloseHandle(hold);
}

}  // namespace rb
