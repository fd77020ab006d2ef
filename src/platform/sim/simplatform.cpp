#include "platform/sim/simplatform.h"

#include <algorithm>
#include <utility>

#include "platform/devicepath.h"
#include "platform/sim/scsi/simmmcdrive.h"
#include "platform/sim/scsi/simscsiport.h"
#include "platform/sim/simlogicaldisks.h"
#include "platform/sim/simmanagementview.h"
#include "platform/sim/simpci.h"
#include "platform/sim/simportdevice.h"
#include "platform/sim/simsmbios.h"
#include "platform/smbiostable.h"
#include "platform/tapehandle.h"
#include "support/stringutil.h"

namespace os {

SimPlatform::SimPlatform(const std::string& descriptionPath)
    : native_(Native()),
      machine_(SimMachine::Load(descriptionPath)),
      ports_(std::make_shared<SimPortSpace>(machine_)),
      registry_(machine_),
      pci_(SimPciFunctions(machine_)),
      smbios_(SimSmbiosTable(machine_)),
      logicalDisks_(ReadSimLogicalDisks(machine_)),
      scsiPorts_(SimScsiPort::ReadAll(machine_, clock_, pci_)),
      drives_(ListSimOsDevices(scsiPorts_)),
      dosDevices_(machine_, scsiPorts_, drives_, logicalDisks_.value_or(std::vector<LogicalDisk>{})),
      installer_(machine_, drives_) {
  devices_.Add("qxdvmkd", [ports = ports_](win::DWORD, win::DWORD& error) -> std::shared_ptr<DeviceHandle> {
    return SimPortDevice::Open(ports, error);
  });
  SimScsiPort::Register(scsiPorts_, drives_, devices_);
  for (const auto& port : scsiPorts_) {
    if (port->FloppyController()) continue;
    std::vector<SimRegistry::Value> values = {SimRegistry::Value::Text("Driver", port->Driver())};
    if (port->IoAddress()) values.push_back(SimRegistry::Value::Dword("IOAddress", *port->IoAddress()));
    registry_.AddKey(rb::StringPrintf("HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port %u", port->Number()),
                     std::move(values));
  }
}

win::HANDLE SimPlatform::CreateFile(const std::string& path, win::DWORD access, win::DWORD share,
                                    win::DWORD disposition, win::DWORD flagsAndAttributes) {
  if (!IsDevicePath(path)) return native_.CreateFile(path, access, share, disposition, flagsAndAttributes);
  win::DWORD error = win::ERROR_SUCCESS;
  auto device = devices_.Open(path, access, error);
  native_.SetLastError(error);
  return device != nullptr ? deviceHandles_.Add(std::move(device)) : win::INVALID_HANDLE_VALUE;
}

bool SimPlatform::CloseHandle(win::HANDLE handle) {
  if (deviceHandles_.Remove(handle) != nullptr) return true;
  return native_.CloseHandle(handle);
}

bool SimPlatform::ReadFile(win::HANDLE handle, void* buffer, win::DWORD toRead, win::DWORD* read) {
  const auto device = deviceHandles_.FindAs<DeviceHandle>(handle);
  if (device == nullptr) return native_.ReadFile(handle, buffer, toRead, read);
  win::DWORD moved = 0;
  const win::DWORD error = device->Read(buffer, toRead, &moved);
  if (read != nullptr) *read = moved;
  native_.SetLastError(error);
  return error == win::ERROR_SUCCESS;
}

bool SimPlatform::WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite, win::DWORD* written) {
  const auto device = deviceHandles_.FindAs<DeviceHandle>(handle);
  if (device == nullptr) return native_.WriteFile(handle, buffer, toWrite, written);
  win::DWORD moved = 0;
  const win::DWORD error = device->Write(buffer, toWrite, &moved);
  if (written != nullptr) *written = moved;
  native_.SetLastError(error);
  return error == win::ERROR_SUCCESS;
}

bool SimPlatform::SetFilePointer(win::HANDLE handle, std::int64_t distance, std::int64_t* newPosition,
                                 win::DWORD moveMethod) {
  const auto device = deviceHandles_.FindAs<DeviceHandle>(handle);
  if (device == nullptr) return native_.SetFilePointer(handle, distance, newPosition, moveMethod);
  const win::DWORD error = device->Seek(distance, moveMethod, newPosition);
  native_.SetLastError(error);
  return error == win::ERROR_SUCCESS;
}

win::DWORD SimPlatform::GetFileType(win::HANDLE handle) {
  if (deviceHandles_.Find(handle) != nullptr) return win::FILE_TYPE_CHAR;
  return native_.GetFileType(handle);
}

bool SimPlatform::FlushFileBuffers(win::HANDLE handle) {
  if (deviceHandles_.Find(handle) != nullptr) return true;
  return native_.FlushFileBuffers(handle);
}

bool SimPlatform::MoveFile(const std::string& from, const std::string& to) {
  return native_.MoveFile(from, to);
}

bool SimPlatform::DeleteFile(const std::string& path) {
  return native_.DeleteFile(path);
}

bool SimPlatform::LockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) {
  return native_.LockFile(handle, offset, length);
}

bool SimPlatform::UnlockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) {
  return native_.UnlockFile(handle, offset, length);
}

bool SimPlatform::DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength,
                                  void* out, win::DWORD outLength, win::DWORD* returned) {
  const auto device = deviceHandles_.FindAs<DeviceHandle>(handle);
  if (device == nullptr) return native_.DeviceIoControl(handle, code, in, inLength, out, outLength, returned);
  const win::DWORD error = device->Request(code, in, inLength, out, outLength, returned);
  native_.SetLastError(error);
  return error == win::ERROR_SUCCESS;
}

win::DWORD SimPlatform::GetTapeStatus(win::HANDLE handle) {
  const win::DWORD error = OnTape(deviceHandles_, handle, [](TapeHandle& tape) { return tape.TapeStatus(); });
  native_.SetLastError(error);
  return error;
}

win::DWORD SimPlatform::GetTapeParameters(win::HANDLE handle, win::DWORD operation, win::DWORD* size,
                                          void* information) {
  const win::DWORD error = OnTape(deviceHandles_, handle, [&](TapeHandle& tape) {
    return tape.TapeParameters(operation, size, information);
  });
  native_.SetLastError(error);
  return error;
}

win::DWORD SimPlatform::SetTapePosition(win::HANDLE handle, win::DWORD method, win::DWORD partition,
                                        win::DWORD offsetLow, win::DWORD offsetHigh, bool immediate) {
  const std::uint64_t offset = std::uint64_t{offsetHigh} << 32 | offsetLow;
  const win::DWORD error = OnTape(deviceHandles_, handle, [&](TapeHandle& tape) {
    return tape.TapePosition(method, partition, offset, immediate);
  });
  native_.SetLastError(error);
  return error;
}

win::DWORD SimPlatform::WriteTapemark(win::HANDLE handle, win::DWORD type, win::DWORD count, bool immediate) {
  const win::DWORD error =
      OnTape(deviceHandles_, handle, [&](TapeHandle& tape) { return tape.Tapemark(type, count, immediate); });
  native_.SetLastError(error);
  return error;
}

// The last error is the thread's, shared with the native backend whose calls set it.
win::DWORD SimPlatform::GetLastError() {
  return native_.GetLastError();
}

void SimPlatform::SetLastError(win::DWORD error) {
  native_.SetLastError(error);
}

void SimPlatform::OutputDebugString(const char* text) {
  native_.OutputDebugString(text);
}

bool SimPlatform::GetProcessAffinityMask(std::uint64_t* processMask, std::uint64_t* systemMask) {
  return native_.GetProcessAffinityMask(processMask, systemMask);
}

bool SimPlatform::SetProcessAffinityMask(std::uint64_t mask) {
  return native_.SetProcessAffinityMask(mask);
}

win::DWORD SimPlatform::GetCurrentThreadId() {
  return native_.GetCurrentThreadId();
}

std::optional<std::string> SimPlatform::GetEnvironmentVariable(const std::string& name) {
  return native_.GetEnvironmentVariable(name);
}

// Simulated time: a sleep passes at once, and the devices see the time it would have taken.
std::uint64_t SimPlatform::GetTickCount64() {
  return clock_->Now();
}

SimArrayController* SimPlatform::ArrayController(std::uint32_t number) const {
  for (const auto& port : scsiPorts_)
    if (port->Number() == number) return port->Array();
  return nullptr;
}

void SimPlatform::Sleep(win::DWORD milliseconds) {
  clock_->Advance(milliseconds);
}

std::tm SimPlatform::LocalTime() {
  return native_.LocalTime();
}

bool SimPlatform::GetFixedLogicalDisks(std::vector<LogicalDisk>* disks) {
  if (!logicalDisks_) return false;
  *disks = *logicalDisks_;
  return true;
}

win::HMODULE SimPlatform::LoadLibrary(const std::string& name) {
  return native_.LoadLibrary(name);
}

void* SimPlatform::GetProcAddress(win::HMODULE module, const std::string& name) {
  return native_.GetProcAddress(module, name);
}

bool SimPlatform::FreeLibrary(win::HMODULE module) {
  return native_.FreeLibrary(module);
}

win::DWORD SimPlatform::RegOpenKey(win::HKEY root, const std::string& subKey, win::DWORD, win::HKEY* key) {
  return registry_.Open(root, subKey, key);
}

win::DWORD SimPlatform::RegQueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                                      win::DWORD* size) {
  return registry_.QueryValue(key, name, type, data, size);
}

win::DWORD SimPlatform::RegCloseKey(win::HKEY key) {
  return registry_.Close(key);
}

win::DWORD SimPlatform::QueryDosDevice(const std::string& name, char* buffer, win::DWORD size) {
  win::DWORD error = win::ERROR_SUCCESS;
  const win::DWORD stored = dosDevices_.Query(name, buffer, size, error);
  native_.SetLastError(error);
  return stored;
}

SetupResult SimPlatform::SetupEnumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                                        std::vector<SetupDevice>* devices) {
  return installer_.Enumerate(setupClass, interfaceClass, devices);
}

bool SimPlatform::WmiQuery(const std::string& nameSpace, const std::string& query,
                           std::vector<WmiRow>* rows) {
  rows->clear();
  if (!rb::EqualsNoCase(nameSpace, "\\\\.\\root\\cimv2") && !rb::EqualsNoCase(nameSpace, "root\\cimv2"))
    return false;
  const std::string_view volumes = "Win32_LogicalDisk";
  const bool volumesQuery =
      std::search(query.begin(), query.end(), volumes.begin(), volumes.end(),
                  [](char a, char b) { return rb::SameBytesNoCase(&a, &b, 1); }) != query.end();
  if (!logicalDisks_ && volumesQuery) return false;
  // The view is the machine's, which changes only where an optical drive's medium comes or goes.
  std::vector<bool> media;
  for (const SimOsDevice& drive : drives_)
    if (drive.kind == SimOsDevice::kCdRom)
      media.push_back(static_cast<const SimMmcDrive*>(drive.unit)->HasMedium());
  std::lock_guard lock(viewLock_);
  if (!view_ || media != viewMedia_) {
    view_ = SimManagementView(scsiPorts_, drives_, logicalDisks_.value_or(std::vector<LogicalDisk>{}));
    viewMedia_ = std::move(media);
  }
  return view_->Query(query, rows);
}

win::DWORD SimPlatform::GetSystemFirmwareTable(win::DWORD provider, win::DWORD tableId, void* buffer,
                                               win::DWORD size) {
  win::DWORD error = win::ERROR_SUCCESS;
  win::DWORD answer = 0;
  if (provider != win::RSMB || tableId != 0) {
    error = win::ERROR_INVALID_PARAMETER;
  } else if (smbios_.empty()) {
    error = win::ERROR_NOT_SUPPORTED;
  } else {
    answer = CopyFirmwareTable(smbios_, buffer, size, error);
  }
  native_.SetLastError(error);
  return answer;
}

bool SimPlatform::HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                                     std::vector<win::HANDLE>* holds) {
  holds->clear();
  bool mounted = false;
  const std::string name = IsDevicePath(devicePath) ? devicePath.substr(kDevicePrefix.size()) : devicePath;
  for (const SimOsDevice& drive : drives_)
    if (rb::EqualsNoCase(drive.Name(), name)) mounted = drive.unit != nullptr && drive.unit->Mounted();
  for (const auto& port : scsiPorts_)
    if (rb::EqualsNoCase(rb::StringPrintf("SCSI%u:", port->Number()), name)) mounted = port->Mounted(address);
  if (mounted) {
    native_.SetLastError(win::ERROR_BUSY);
    return false;
  }
  return true;
}

}  // namespace os
