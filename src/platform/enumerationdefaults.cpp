// What a backend answers for the enumeration sources it does not have: a machine without them; and a
// disk it cannot tell free is not written.

#include "platform/os.h"

namespace os {

win::DWORD Platform::RegQueryValue(win::HKEY, const std::string&, win::DWORD*, void*, win::DWORD*) {
  return win::ERROR_FILE_NOT_FOUND;
}

win::DWORD Platform::QueryDosDevice(const std::string&, char*, win::DWORD) {
  SetLastError(win::ERROR_NOT_SUPPORTED);
  return 0;
}

SetupResult Platform::SetupEnumerate(const win::Guid&, const win::Guid&, std::vector<SetupDevice>* devices) {
  devices->clear();
  SetLastError(win::ERROR_NOT_SUPPORTED);
  return SetupResult::kSetupClassFailed;
}

bool Platform::WmiQuery(const std::string&, const std::string&, std::vector<WmiRow>* rows) {
  rows->clear();
  return false;
}

bool Platform::HoldDiskForWriting(const std::string&, const win::ScsiAddress&, std::vector<win::HANDLE>* holds) {
  holds->clear();
  SetLastError(win::ERROR_NOT_SUPPORTED);
  return false;
}

}  // namespace os
