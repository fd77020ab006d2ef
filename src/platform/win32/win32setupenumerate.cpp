#include "platform/win32/win32setupenumerate.h"

#include <cstring>
#include <map>
#include <string>

// The properties of a device that discovery reads, taken before <setupapi.h> defines the same names
// as macros.
namespace {
constexpr win::DWORD kProperties[] = {win::SPDRP_HARDWAREID, win::SPDRP_FRIENDLYNAME,
                                      win::SPDRP_DEVICEDESC, win::SPDRP_ENUMERATOR_NAME,
                                      win::SPDRP_MFG,        win::SPDRP_LOCATION_INFORMATION};
}  // namespace

#include "platform/win32/windowsheaders.h"
// After <windows.h>, whose types it uses.
#include <setupapi.h>

namespace os {

static_assert(sizeof(win::Guid) == sizeof(::GUID));

namespace {

::GUID ToGuid(const win::Guid& guid) {
  ::GUID converted;
  std::memcpy(&converted, &guid, sizeof converted);
  return converted;
}

// A device information set, destroyed with its owner.
class DeviceInfoSet {
 public:
  DeviceInfoSet(const win::Guid& deviceClass, ::DWORD flags) {
    const ::GUID guid = ToGuid(deviceClass);
    set_ = ::SetupDiGetClassDevsA(&guid, nullptr, nullptr, flags);
  }
  ~DeviceInfoSet() {
    if (Made()) {
      // Destroying the set must not hide why the enumeration failed.
      const ::DWORD error = ::GetLastError();
      ::SetupDiDestroyDeviceInfoList(set_);
      ::SetLastError(error);
    }
  }
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;

  bool Made() const { return set_ != INVALID_HANDLE_VALUE; }
  ::HDEVINFO Handle() const { return set_; }

 private:
  ::HDEVINFO set_;
};

std::string InstanceId(::HDEVINFO set, ::SP_DEVINFO_DATA& device) {
  ::DWORD required = 0;
  ::SetupDiGetDeviceInstanceIdA(set, &device, nullptr, 0, &required);
  if (required == 0) return {};
  std::string id(required, '\0');
  if (!::SetupDiGetDeviceInstanceIdA(set, &device, id.data(), required, &required)) return {};
  id.resize(std::strlen(id.c_str()));
  return id;
}

// A registry property of a device, asked for twice: once for its size, once for its bytes. False when
// the device has no such property.
bool ReadProperty(::HDEVINFO set, ::SP_DEVINFO_DATA& device, ::DWORD code, SetupProperty& property) {
  ::DWORD type = REG_NONE;
  ::DWORD required = 0;
  if (!::SetupDiGetDeviceRegistryPropertyA(set, &device, code, &type, nullptr, 0, &required) &&
      ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return false;
  if (required == 0) return false;  // nothing to keep
  std::vector<std::uint8_t> data(required);
  ::DWORD stored = 0;
  if (!::SetupDiGetDeviceRegistryPropertyA(set, &device, code, &type, data.data(), required, &stored))
    return false;
  data.resize(stored < required ? stored : required);
  property.property = code;
  property.type = type;
  property.data = std::move(data);
  return true;
}

// The device path of every interface of the class, by the instance identifier of its device.
std::map<std::string, std::string> InterfacePaths(const DeviceInfoSet& interfaces,
                                                  const win::Guid& interfaceClass) {
  std::map<std::string, std::string> paths;
  const ::GUID guid = ToGuid(interfaceClass);
  ::SP_DEVICE_INTERFACE_DATA entry = {};
  entry.cbSize = sizeof entry;
  for (::DWORD index = 0; ::SetupDiEnumDeviceInterfaces(interfaces.Handle(), nullptr, &guid, index, &entry);
       ++index) {
    ::DWORD required = 0;
    ::SetupDiGetDeviceInterfaceDetailA(interfaces.Handle(), &entry, nullptr, 0, &required, nullptr);
    if (required < sizeof(::SP_DEVICE_INTERFACE_DETAIL_DATA_A)) continue;
    // The detail is a structure with a path of variable length; 8-byte words keep it aligned.
    std::vector<std::uint64_t> storage((required + 7) / 8);
    auto* detail = reinterpret_cast<::SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
    detail->cbSize = sizeof(::SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    ::SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!::SetupDiGetDeviceInterfaceDetailA(interfaces.Handle(), &entry, detail, required, nullptr, &device))
      continue;
    // A device with several interfaces of the class keeps its first.
    paths.emplace(InstanceId(interfaces.Handle(), device), detail->DevicePath);
  }
  return paths;
}

}  // namespace

SetupResult Win32SetupEnumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                                std::vector<SetupDevice>* devices) {
  devices->clear();
  const DeviceInfoSet classDevices(setupClass, DIGCF_PRESENT);
  if (!classDevices.Made()) return SetupResult::kSetupClassFailed;
  const DeviceInfoSet interfaces(interfaceClass, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (!interfaces.Made()) return SetupResult::kInterfaceClassFailed;

  const std::map<std::string, std::string> paths = InterfacePaths(interfaces, interfaceClass);
  ::SP_DEVINFO_DATA info = {};
  info.cbSize = sizeof info;
  for (::DWORD index = 0; ::SetupDiEnumDeviceInfo(classDevices.Handle(), index, &info); ++index) {
    SetupDevice device;
    device.instanceId = InstanceId(classDevices.Handle(), info);
    if (const auto path = paths.find(device.instanceId); path != paths.end())
      device.devicePath = path->second;
    for (const win::DWORD code : kProperties) {
      SetupProperty property;
      if (ReadProperty(classDevices.Handle(), info, code, property))
        device.properties.push_back(std::move(property));
    }
    devices->push_back(std::move(device));
  }
  ::SetLastError(ERROR_SUCCESS);
  return SetupResult::kOk;
}

}  // namespace os
