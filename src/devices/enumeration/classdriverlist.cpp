#include "devices/enumeration/classdriverlist.h"

#include <vector>

#include "devices/scsi/scsidriver.h"
#include "platform/os.h"
#include "support/debug.h"
#include "support/oruerror.h"

namespace rb {

namespace {

constexpr win::DWORD kListStep = 8192;
constexpr int kMaxSteps = 128;
constexpr const char* kPrefixes[] = {"FibreArray", "PhysicalDrive", "Keystone", "Tape"};

bool OfInterest(const std::string& name) {
  for (const char* prefix : kPrefixes)
    if (name.rfind(prefix, 0) == 0) return true;
  return false;
}

}  // namespace

std::vector<std::string> ClassDriverList::SplitNames(const char* list, std::size_t length) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (list[i] != '\0') continue;
    if (i > start) names.emplace_back(list + start, i - start);
    start = i + 1;
  }
  return names;
}

ClassDriverList ClassDriverList::Read() {
  os::Platform& system = os::Current();
  std::vector<char> buffer;
  win::DWORD length = 0;
  for (int k = 1; k <= kMaxSteps; ++k) {
    buffer.assign(static_cast<std::size_t>(k) * kListStep, '\0');
    length = system.QueryDosDevice("", buffer.data(), static_cast<win::DWORD>(buffer.size()));
    if (length != 0 && length < buffer.size()) break;
    length = 0;
  }
  if (length == 0) {
    DebugPrint("QueryDosDevice() failed:%s\n", ScsiDriver::SystemErrorText(system.GetLastError()).c_str());
    throw OruError("System Resource Failure", "QueryDosDevice");
  }

  ClassDriverList list;
  for (const std::string& name : SplitNames(buffer.data(), length)) {
    if (!OfInterest(name)) continue;
    const std::string path = "\\\\.\\" + name;
    DebugPrint("InitClassDriverList trying to get handle to (%s)\n", path.c_str());
    const win::HANDLE handle = system.CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE, 0,
                                                 win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
    if (handle == win::INVALID_HANDLE_VALUE) {
      DebugPrint("Got INVALID HANDLE VALUE!!!\n");
      continue;
    }
    DebugPrint("InitClassDriverList trying to get scsi address of (%s)\n", path.c_str());
    win::ScsiAddress address{};
    win::DWORD returned = 0;
    const bool ok = system.DeviceIoControl(handle, win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                                           sizeof address, &returned) &&
                    returned >= sizeof address;
    system.CloseHandle(handle);
    if (!ok) {
      DebugPrint("FAILED to get scsi address!!!\n");
      continue;
    }
    DebugPrint("Got scsi address ok PortId=%d, PathId=%d, TargetId=%d, Lun=%d\n", address.PortNumber, address.PathId,
               address.TargetId, address.Lun);
    list.entries_.push_back({name, address.PortNumber, address.PathId, address.TargetId, address.Lun});
  }
  return list;
}

const ClassDriverList::Entry* ClassDriverList::Find(std::uint32_t port, std::uint8_t path, std::uint8_t target,
                                                    std::uint8_t lun) const {
  for (const Entry& entry : entries_)
    if (entry.port == port && entry.path == path && entry.target == target && entry.lun == lun) return &entry;
  return nullptr;
}

}  // namespace rb
