#include "devices/enumeration/portaddresscache.h"

#include <cstring>

#include "platform/os.h"
#include "support/stringutil.h"

namespace rb {

namespace {

constexpr std::uint32_t kAllAccess = 0xF003F;  // KEY_ALL_ACCESS

// A REG_SZ value of at most 255 characters; empty when missing or of another type.
std::string TextValue(os::Platform& system, win::HKEY key, const char* name) {
  char buffer[256] = {};
  win::DWORD type = 0;
  win::DWORD size = sizeof buffer - 1;
  if (system.RegQueryValue(key, name, &type, buffer, &size) != win::ERROR_SUCCESS) return {};
  if (type != win::REG_SZ && type != win::REG_EXPAND_SZ) return {};
  return std::string(buffer, strnlen(buffer, std::min<std::size_t>(size, sizeof buffer - 1)));
}

}  // namespace

PortAddressCache PortAddressCache::Read() {
  os::Platform& system = os::Current();
  PortAddressCache cache;
  for (std::uint32_t n = 0; n < kMaxPorts; ++n) {
    win::HKEY key = nullptr;
    const std::string path = StringPrintf("HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port %u", n);
    if (system.RegOpenKey(win::HKEY_LOCAL_MACHINE, path, kAllAccess, &key) != win::ERROR_SUCCESS) break;
    Port port;
    port.number = n;
    std::uint8_t value[256] = {};
    win::DWORD type = 0;
    win::DWORD size = sizeof value;
    if (system.RegQueryValue(key, "IOAddress", &type, value, &size) == win::ERROR_SUCCESS && size >= 4) {
      port.hasIoAddress = true;
      std::memcpy(&port.ioAddress, value, 4);
    }
    port.driver = TextValue(system, key, "Driver");
    system.RegCloseKey(key);
    cache.ports_.push_back(std::move(port));
  }
  return cache;
}

const PortAddressCache::Port* PortAddressCache::Find(std::uint32_t number) const {
  for (const Port& port : ports_)
    if (port.number == number) return &port;
  return nullptr;
}

bool PortAddressCache::IsUsbPort(std::uint32_t number) const {
  const Port* port = Find(number);
  if (port == nullptr) return false;
  return EqualsNoCase(port->driver, "USBSTOR") || EqualsNoCase(port->driver, "usb-storage") ||
         EqualsNoCase(port->driver, "uas");
}

}  // namespace rb
