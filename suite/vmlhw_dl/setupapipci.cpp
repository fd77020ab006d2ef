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

// The configuration manager's resource calls, looked up when first needed. They are absent on some
// systems, and Wine exports them only as stubs that abort the process when called, so on Wine the
// walk goes on without them: the summary then lacks the memory and I/O ranges, nothing else.
struct ResourceCalls {
  decltype(&CM_Get_First_Log_Conf) firstLogConf = nullptr;
  decltype(&CM_Get_Next_Res_Des) nextResDes = nullptr;
  decltype(&CM_Get_Res_Des_Data_Size) dataSize = nullptr;
  decltype(&CM_Get_Res_Des_Data) data = nullptr;
  decltype(&CM_Free_Res_Des_Handle) freeResDes = nullptr;
  decltype(&CM_Free_Log_Conf_Handle) freeLogConf = nullptr;

  bool Complete() const {
    return firstLogConf != nullptr && nextResDes != nullptr && dataSize != nullptr && data != nullptr &&
           freeResDes != nullptr && freeLogConf != nullptr;
  }
};

bool RunningOnWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

template <typename Function>
void Resolve(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The calls, or null when any is missing (the module stays loaded for the life of the process).
const ResourceCalls* LoadResourceCalls() {
  static const ResourceCalls calls = [] {
    ResourceCalls found;
    const HMODULE module = RunningOnWine() ? nullptr : LoadLibraryA("cfgmgr32.dll");
    if (module == nullptr) return found;
    Resolve(module, "CM_Get_First_Log_Conf", found.firstLogConf);
    Resolve(module, "CM_Get_Next_Res_Des", found.nextResDes);
    Resolve(module, "CM_Get_Res_Des_Data_Size", found.dataSize);
    Resolve(module, "CM_Get_Res_Des_Data", found.data);
    Resolve(module, "CM_Free_Res_Des_Handle", found.freeResDes);
    Resolve(module, "CM_Free_Log_Conf_Handle", found.freeLogConf);
    return found;
  }();
  return calls.Complete() ? &calls : nullptr;
}

// The memory and I/O ranges of the device's allocated configuration, when the system can tell them.
void ReadResources(DEVINST instance, os::PciFunction& f) {
  const ResourceCalls* cm = LoadResourceCalls();
  if (cm == nullptr) return;
  LOG_CONF configuration = 0;
  if (cm->firstLogConf(&configuration, instance, ALLOC_LOG_CONF) != CR_SUCCESS) return;
  RES_DES descriptor = 0;
  RES_DES current = configuration;
  RESOURCEID type = 0;
  int index = 0;
  while (index < 6 && cm->nextResDes(&descriptor, current, ResType_All, &type, 0) == CR_SUCCESS) {
    if (current != configuration) cm->freeResDes(current);
    current = descriptor;
    if (type != ResType_Mem && type != ResType_IO) continue;
    ULONG size = 0;
    if (cm->dataSize(&size, descriptor, 0) != CR_SUCCESS || size == 0 || size > 4096) continue;
    std::string data(size, '\0');
    if (cm->data(descriptor, data.data(), size, 0) != CR_SUCCESS) continue;
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
  if (current != configuration) cm->freeResDes(current);
  cm->freeLogConf(configuration);
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
