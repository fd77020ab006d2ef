#include "setupapipci.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the SetupAPI and configuration-manager headers build on its types.
#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace vmlhw {

namespace {

// The hexadecimal number after `tag` in a device identifier ("VEN_8086"), or nothing.
bool HexAfter(const std::string& id, const char* tag, std::size_t digits, unsigned long& value) {
  const std::size_t at = id.find(tag);
  if (at == std::string::npos) return false;
  const std::string text = id.substr(at + std::strlen(tag), digits);
  char* end = nullptr;
  value = std::strtoul(text.c_str(), &end, 16);
  return end != text.c_str();
}

bool DwordProperty(HDEVINFO set, SP_DEVINFO_DATA& info, DWORD property, DWORD& value) {
  return SetupDiGetDeviceRegistryPropertyA(set, &info, property, nullptr, reinterpret_cast<PBYTE>(&value),
                                           sizeof value, nullptr) != FALSE;
}

std::string TextProperty(HDEVINFO set, SP_DEVINFO_DATA& info, DWORD property) {
  char text[1024] = {};
  if (!SetupDiGetDeviceRegistryPropertyA(set, &info, property, nullptr, reinterpret_cast<PBYTE>(text),
                                         sizeof text - 2, nullptr))
    return {};
  // A multi-string property: its strings joined with spaces.
  std::string joined;
  for (const char* s = text; *s != '\0'; s += std::strlen(s) + 1)
    joined.append(joined.empty() ? "" : " ").append(s);
  return joined;
}

// The memory and I/O ranges of the device's allocated configuration.
void ReadResources(DEVINST instance, os::PciFunction& f) {
  LOG_CONF configuration = 0;
  if (CM_Get_First_Log_Conf(&configuration, instance, ALLOC_LOG_CONF) != CR_SUCCESS) return;
  RES_DES descriptor = 0;
  RES_DES current = configuration;
  RESOURCEID type = 0;
  int index = 0;
  while (index < 6 && CM_Get_Next_Res_Des(&descriptor, current, ResType_All, &type, 0) == CR_SUCCESS) {
    if (current != configuration) CM_Free_Res_Des_Handle(current);
    current = descriptor;
    if (type != ResType_Mem && type != ResType_IO) continue;
    ULONG size = 0;
    if (CM_Get_Res_Des_Data_Size(&size, descriptor, 0) != CR_SUCCESS || size == 0) continue;
    std::string data(size, '\0');
    if (CM_Get_Res_Des_Data(descriptor, data.data(), size, 0) != CR_SUCCESS) continue;
    os::PciFunction::Bar bar;
    bar.index = index++;
    if (type == ResType_Mem && size >= sizeof(MEM_DES)) {
      bar.address = reinterpret_cast<const MEM_DES*>(data.data())->MD_Alloc_Base;
    } else if (type == ResType_IO && size >= sizeof(IO_DES)) {
      bar.address = reinterpret_cast<const IO_DES*>(data.data())->IOD_Alloc_Base;
      bar.io = true;
    }
    f.bars.push_back(bar);
  }
  if (current != configuration) CM_Free_Res_Des_Handle(current);
  CM_Free_Log_Conf_Handle(configuration);
}

}  // namespace

std::vector<os::PciFunction> ReadSetupApiPci() {
  std::vector<os::PciFunction> functions;
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, "PCI", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return functions;
  SP_DEVINFO_DATA info = {};
  info.cbSize = sizeof info;
  for (DWORD member = 0; SetupDiEnumDeviceInfo(set, member, &info); ++member) {
    char instance[MAX_DEVICE_ID_LEN] = {};
    if (!SetupDiGetDeviceInstanceIdA(set, &info, instance, sizeof instance, nullptr)) continue;
    const std::string id = instance;
    unsigned long vendor = 0;
    unsigned long device = 0;
    if (!HexAfter(id, "VEN_", 4, vendor) || !HexAfter(id, "DEV_", 4, device)) continue;
    os::PciFunction f;
    f.osDeviceId = id;
    f.vendorId = static_cast<std::uint16_t>(vendor);
    f.deviceId = static_cast<std::uint16_t>(device);
    unsigned long subsystem = 0;
    if (HexAfter(id, "SUBSYS_", 8, subsystem)) {
      f.subsystemId = static_cast<std::uint16_t>(subsystem >> 16);
      f.subVendorId = static_cast<std::uint16_t>(subsystem);
    }
    unsigned long classCode = 0;
    if (HexAfter(TextProperty(set, info, SPDRP_COMPATIBLEIDS), "CC_", 6, classCode))
      f.classCode = static_cast<std::uint32_t>(classCode);
    DWORD value = 0;
    if (DwordProperty(set, info, SPDRP_BUSNUMBER, value)) f.bus = static_cast<std::uint8_t>(value);
    if (DwordProperty(set, info, SPDRP_ADDRESS, value)) {
      f.device = static_cast<std::uint8_t>(value >> 16);
      f.function = static_cast<std::uint8_t>(value);
    }
    if (DwordProperty(set, info, SPDRP_UI_NUMBER, value)) f.slot = value;
    f.description = TextProperty(set, info, SPDRP_DEVICEDESC);
    ReadResources(info.DevInst, f);
    functions.push_back(std::move(f));
  }
  SetupDiDestroyDeviceInfoList(set);
  return functions;
}

}  // namespace vmlhw
