// enumerationprobe: the win32 backend's enumeration sources on the system it runs on, for the Wine
// bench. It prints what the registry, the DOS device list, the device installer and the management
// instrumentation answer through the seam, and checks what every Windows system must answer alike:
//
//   - RegQueryValue: a value's size alone, a buffer too small, the bytes, a missing value;
//   - QueryDosDevice: the whole list ending with a second NUL and naming C:, a drive's target, a list
//     that does not fit, an unknown name;
//   - SetupEnumerate: the four device classes of discovery answer (devices or none), every text
//     property ends with its NUL; the display adapter has its interface's path and typed properties;
//   - WmiQuery: the fixed logical disks are the volumes the file system reports, sizes in decimal;
//     disk drives and the other discovery queries answer; a malformed query and an unknown namespace
//     fail with no rows; a thread already in a single-threaded apartment is served and keeps it, and a
//     thread the query had to initialise is left uninitialised.
//
// Exit status 0 when every check holds, 1 otherwise (each failed check prints a "FAIL:" line).

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/os.h"

// Taken before <windows.h> defines the same name as a macro.
namespace {
const win::HKEY kLocalMachine = win::HKEY_LOCAL_MACHINE;
}  // namespace

#include "platform/win32/windowsheaders.h"
// After <windows.h>, whose types it uses.
#include <objbase.h>
// The seam's calls share these names, which <windows.h> maps to their A/W forms.
#undef RegOpenKey
#undef RegQueryValue
#undef QueryDosDevice

namespace {

int failures = 0;

void Check(bool holds, const std::string& what) {
  if (holds) return;
  std::printf("FAIL: %s\n", what.c_str());
  ++failures;
}

// A property's bytes as text: a string, the strings of a multi-string joined with "|", or its size.
std::string PropertyText(const os::SetupProperty& p) {
  const std::string bytes(p.data.begin(), p.data.end());
  if (p.type == REG_SZ || p.type == REG_EXPAND_SZ) return bytes.c_str();
  if (p.type == REG_MULTI_SZ) {
    std::string joined;
    for (const char* s = bytes.c_str(); s < bytes.c_str() + bytes.size() && *s != '\0';
         s += std::strlen(s) + 1)
      joined.append(joined.empty() ? "" : "|").append(s);
    return joined;
  }
  return std::to_string(p.data.size()) + " bytes";
}

void ProbeRegistry(os::Platform& platform) {
  std::printf("registry:\n");
  win::HKEY key = nullptr;
  const std::string processor = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
  Check(platform.RegOpenKey(kLocalMachine, processor, KEY_READ, &key) == ERROR_SUCCESS,
        "the first processor's key opens");
  win::DWORD type = 0;
  win::DWORD size = 0;
  const win::DWORD sized = platform.RegQueryValue(key, "Identifier", &type, nullptr, &size);
  Check(sized == ERROR_SUCCESS && type == REG_SZ && size > 1,
        "a null buffer asks for the size of a text value");
  std::vector<char> text(size + 1, '\0');
  win::DWORD small = 1;
  Check(platform.RegQueryValue(key, "Identifier", &type, text.data(), &small) == ERROR_MORE_DATA &&
            small == size,
        "a buffer too small answers ERROR_MORE_DATA with the size needed");
  win::DWORD whole = size;
  Check(
      platform.RegQueryValue(key, "Identifier", &type, text.data(), &whole) == ERROR_SUCCESS && whole == size,
      "the value's bytes fill the buffer of its size");
  std::printf("  %s\\Identifier type=%u size=%u \"%s\"\n", processor.c_str(), type, size, text.data());
  win::DWORD missingSize = 4;
  std::uint32_t number = 0;
  Check(platform.RegQueryValue(key, "NoSuchValue", &type, &number, &missingSize) == ERROR_FILE_NOT_FOUND,
        "a missing value answers ERROR_FILE_NOT_FOUND");
  platform.RegCloseKey(key);

  // The SCSI device map, as discovery walks it.
  for (int port = 0;; ++port) {
    const std::string name = "HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port " + std::to_string(port);
    if (platform.RegOpenKey(kLocalMachine, name, KEY_READ, &key) != ERROR_SUCCESS) {
      std::printf("  SCSI ports in the device map: %d\n", port);
      break;
    }
    char driver[256] = {};
    win::DWORD length = sizeof driver - 1;
    const win::DWORD status = platform.RegQueryValue(key, "Driver", &type, driver, &length);
    std::printf("  %s Driver: %s\n", name.c_str(), status == ERROR_SUCCESS ? driver : "(none)");
    platform.RegCloseKey(key);
  }
}

void ProbeDosDevices(os::Platform& platform) {
  std::printf("DOS devices:\n");
  std::vector<char> list(1 << 20);
  const win::DWORD length = platform.QueryDosDevice("", list.data(), static_cast<win::DWORD>(list.size()));
  Check(length > 1 && list[length - 1] == '\0' && list[length - 2] == '\0',
        "the list of DOS devices ends with a second NUL");
  std::vector<std::string> names;
  for (win::DWORD at = 0; at < length && list[at] != '\0';
       at += static_cast<win::DWORD>(names.back().size()) + 1)
    names.emplace_back(&list[at]);
  bool drive = false;
  std::string storage;
  for (const std::string& name : names) {
    drive = drive || _stricmp(name.c_str(), "C:") == 0;
    if (_strnicmp(name.c_str(), "PhysicalDrive", 13) == 0 || _strnicmp(name.c_str(), "CdRom", 5) == 0 ||
        _strnicmp(name.c_str(), "Tape", 4) == 0)
      storage += " " + name;
  }
  Check(drive, "the list names drive C:");
  std::printf("  %zu names; disk, optical and tape devices:%s\n", names.size(),
              storage.empty() ? " none" : storage.c_str());

  char target[1024] = {};
  const win::DWORD targetLength = platform.QueryDosDevice("C:", target, sizeof target);
  Check(targetLength > 0 && target[0] != '\0', "C: stands for a device");
  std::printf("  C: -> %s\n", target);
  char tiny[4];
  Check(platform.QueryDosDevice("", tiny, sizeof tiny) == 0 &&
            platform.GetLastError() == ERROR_INSUFFICIENT_BUFFER,
        "a list that does not fit answers 0 with ERROR_INSUFFICIENT_BUFFER");
  Check(platform.QueryDosDevice("NoSuchDevice7", target, sizeof target) == 0 &&
            platform.GetLastError() == ERROR_FILE_NOT_FOUND,
        "an unknown name answers 0 with ERROR_FILE_NOT_FOUND");
}

// Enumerates one class, checks what every device must have and prints the devices.
std::vector<os::SetupDevice> Enumerate(os::Platform& platform, const char* name, const win::Guid& setupClass,
                                       const win::Guid& interfaceClass) {
  std::vector<os::SetupDevice> devices(1);  // replaced by the answer
  const os::SetupResult result = platform.SetupEnumerate(setupClass, interfaceClass, &devices);
  Check(result == os::SetupResult::kOk, std::string("the ") + name + " class enumerates");
  std::printf("  %s: result %d, %zu device(s)\n", name, static_cast<int>(result), devices.size());
  for (const os::SetupDevice& device : devices) {
    std::printf("    %s path=%s\n", device.instanceId.c_str(), device.devicePath.c_str());
    Check(!device.instanceId.empty(), std::string("a ") + name + " device has an instance id");
    for (const os::SetupProperty& p : device.properties) {
      std::printf("      property %u type %u: %s\n", p.property, p.type, PropertyText(p).c_str());
      if (p.type == REG_SZ) Check(!p.data.empty() && p.data.back() == 0, "a text property ends with its NUL");
    }
  }
  return devices;
}

void ProbeSetupClasses(os::Platform& platform) {
  std::printf("device installer:\n");
  Enumerate(platform, "floppy", win::GUID_DEVCLASS_FLOPPYDISK, win::GUID_DEVINTERFACE_FLOPPY);
  Enumerate(platform, "disk", win::GUID_DEVCLASS_DISKDRIVE, win::GUID_DEVINTERFACE_DISK);
  Enumerate(platform, "tape", win::GUID_DEVCLASS_TAPEDRIVE, win::GUID_DEVINTERFACE_TAPE);
  Enumerate(platform, "cdrom", win::GUID_DEVCLASS_CDROM, win::GUID_DEVINTERFACE_CDROM);

  // Wine lists none of those; its display adapter shows the rest of the reading: the interface's path
  // found for the device, a multi-string and a string property with their types.
  const win::Guid displayClass = {
      0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
  const win::Guid adapterInterface = {
      0x5B45201D, 0xF2F2, 0x4F3B, {0x85, 0xBB, 0x30, 0xFF, 0x1F, 0x95, 0x35, 0x99}};
  const std::vector<os::SetupDevice> adapters =
      Enumerate(platform, "display", displayClass, adapterInterface);
  Check(!adapters.empty(), "Wine's display adapter is listed");
  for (const os::SetupDevice& adapter : adapters) {
    Check(adapter.devicePath.find("{5b45201d-f2f2-4f3b-85bb-30ff1f953599}") != std::string::npos,
          "the adapter's path is its interface's");
    const os::SetupProperty* hardware = adapter.Find(win::SPDRP_HARDWAREID);
    Check(hardware != nullptr && hardware->type == REG_MULTI_SZ && hardware->data.size() >= 2 &&
              hardware->data.end()[-1] == 0 && hardware->data.end()[-2] == 0,
          "the hardware ids are a multi-string ending with two NULs");
    const os::SetupProperty* description = adapter.Find(win::SPDRP_DEVICEDESC);
    Check(description != nullptr && description->type == REG_SZ, "the description is a string");
  }
}

bool Decimal(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

void PrintRows(const std::vector<os::WmiRow>& rows) {
  for (const os::WmiRow& row : rows) {
    std::string line;
    for (const auto& [name, value] : row.properties) line += " " + name + "=" + value;
    std::printf("    row:%s\n", line.c_str());
  }
}

bool Query(os::Platform& platform, const std::string& query, std::vector<os::WmiRow>& rows) {
  const bool answered = platform.WmiQuery("\\\\.\\root\\cimv2", query, &rows);
  std::printf("  %s: %s, %zu row(s)\n", query.c_str(), answered ? "answered" : "failed", rows.size());
  if (!answered) Check(rows.empty(), "a failed query leaves no rows");
  return answered;
}

void ProbeWmi(os::Platform& platform) {
  std::printf("management instrumentation:\n");
  std::vector<os::WmiRow> rows;
  Check(Query(platform, "SELECT * FROM Win32_LogicalDisk WHERE DriveType=3", rows),
        "the logical disks answer");
  PrintRows(rows);
  std::vector<os::LogicalDisk> volumes;
  Check(platform.GetFixedLogicalDisks(&volumes), "the fixed volumes can be read");
  Check(rows.size() == volumes.size(), "one logical disk row per fixed volume");
  for (const os::LogicalDisk& volume : volumes) {
    bool found = false;
    for (const os::WmiRow& row : rows) {
      if (row.Get("DeviceID") != volume.deviceId) continue;
      found = true;
      Check(row.Get("DriveType") == "3", volume.deviceId + ": DriveType reads 3");
      // Sizes are 64-bit integers, which the service hands over as decimal text already; Wine's own
      // figure differs from the file system's, so only the form is checked.
      Check(Decimal(row.Get("Size")) && Decimal(row.Get("FreeSpace")),
            volume.deviceId + ": sizes in decimal");
      Check(row.Get("FileSystem") == volume.fileSystem,
            volume.deviceId + ": the file system is the volume's");
    }
    Check(found, volume.deviceId + " is among the logical disks");
  }

  Check(Query(platform, "select * from Win32_DiskDrive", rows), "the disk drives answer");
  PrintRows(rows);
  // The other queries of discovery: whatever the system has, each must come back rather than hang.
  for (const char* query :
       {"select * from Win32_CDROMDrive", "select * from Win32_PnPEntity where deviceId like \"%FLOPPY%\"",
        "select * from Win32_FloppyDrive where DeviceID like \"%USBSTOR%\"",
        "SELECT * FROM CIM_MediaAccessDevice WHERE DeviceID LIKE \"USBSTOR%\"",
        "SELECT * FROM Win32_DiskDrive WHERE SCSIPort=0 AND SCSIBus=0 AND SCSITargetId=0 AND "
        "SCSILogicalUnit=0",
        "ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\\\\\.\\\\PHYSICALDRIVE0\"} WHERE ResultClass = "
        "Win32_PnPEntity"}) {
    Query(platform, query, rows);
    PrintRows(rows);
  }

  // Booleans: no storage class of Wine has one, its services do.
  Check(Query(platform, "SELECT * FROM Win32_Service", rows) && !rows.empty(), "the services answer");
  for (const os::WmiRow& row : rows)
    Check(row.Get("AcceptStop") == "TRUE" || row.Get("AcceptStop") == "FALSE",
          row.Get("Name") + ": AcceptStop reads TRUE or FALSE");
  if (!rows.empty()) PrintRows({rows.front()});

  Check(!Query(platform, "select from where", rows), "a malformed query fails");
  Check(!platform.WmiQuery("\\\\.\\root\\NoSuchNamespace", "select * from Win32_DiskDrive", &rows) &&
            rows.empty(),
        "an unknown namespace fails with no rows");

  // A host thread already in a single-threaded apartment.
  std::thread([&] {
    const HRESULT joined = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<os::WmiRow> found;
    Check(platform.WmiQuery("\\\\.\\root\\cimv2", "SELECT * FROM Win32_LogicalDisk WHERE DriveType=3",
                            &found) &&
              found.size() == volumes.size(),
          "a thread of a single-threaded apartment is answered");
    Check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) == S_FALSE, "the thread keeps its apartment");
    CoUninitialize();
    if (SUCCEEDED(joined)) CoUninitialize();
  }).join();
  // A thread without COM: the query joins the multithreaded apartment and leaves it again.
  std::thread([&] {
    std::vector<os::WmiRow> found;
    Check(platform.WmiQuery("\\\\.\\root\\cimv2", "select * from Win32_DiskDrive", &found),
          "a thread without COM is answered");
    const HRESULT after = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Check(after == S_OK, "the query left the thread's COM as it found it");
    if (SUCCEEDED(after)) CoUninitialize();
  }).join();
}

}  // namespace

int main() {
  os::Platform& platform = os::Current();
  std::printf("backend %s\n", platform.Name());
  ProbeRegistry(platform);
  ProbeDosDevices(platform);
  ProbeSetupClasses(platform);
  ProbeWmi(platform);
  if (failures > 0) {
    std::printf("enumeration probe: %d check(s) failed\n", failures);
    return 1;
  }
  std::printf("enumeration probe: every check holds\n");
  return 0;
}
