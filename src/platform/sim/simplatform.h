#pragma once

// The sim backend: a simulated machine read from a description file. Paths in the device namespace
// (\\.\...) belong to the machine, and their handles come from a range of values apart from the native
// backend's. Time is the machine's own (simclock.h): Sleep advances it and the tick count reads it.
// Everything else (files, processor affinity, process services) is the native backend's.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/devicenamespace.h"
#include "platform/handletable.h"
#include "platform/os.h"
#include "platform/pcifunction.h"
#include "platform/sim/scsi/simosdevice.h"
#include "platform/sim/simclock.h"
#include "platform/sim/simdeviceinstaller.h"
#include "platform/sim/simdosdevices.h"
#include "platform/sim/simmachine.h"
#include "platform/sim/simportspace.h"
#include "platform/sim/simregistry.h"
#include "platform/wmirepository.h"

namespace os {

class SimArrayController;

class SimPlatform : public Platform {
 public:
  // Loads the machine; raises MachineError when the description cannot be used.
  explicit SimPlatform(const std::string& descriptionPath);

  const char* Name() const override { return "sim"; }
  // The value of the first device handle: far above any handle of the native backend.
  static constexpr std::uintptr_t kFirstDeviceHandle = 0x10000000;

  const SimMachine& Machine() const { return machine_; }
  // The machine's simulated time, which Sleep and GetTickCount64 follow.
  SimClock& Clock() { return *clock_; }
  SimPortSpace& Ports() { return *ports_; }
  // The array controller of SCSI port `number`; null when the port has none.
  SimArrayController* ArrayController(std::uint32_t number) const;
  // The PCI functions of the description (see simpci.h).
  const std::vector<PciFunction>& PciFunctions() const { return pci_; }

  win::HANDLE CreateFile(const std::string& path, win::DWORD access, win::DWORD share, win::DWORD disposition,
                         win::DWORD flagsAndAttributes) override;
  bool CloseHandle(win::HANDLE handle) override;
  bool ReadFile(win::HANDLE handle, void* buffer, win::DWORD toRead, win::DWORD* read) override;
  bool WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite, win::DWORD* written) override;
  bool SetFilePointer(win::HANDLE handle, std::int64_t distance, std::int64_t* newPosition,
                      win::DWORD moveMethod) override;
  bool LockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) override;
  win::DWORD GetFileType(win::HANDLE handle) override;
  bool FlushFileBuffers(win::HANDLE handle) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
  bool DeleteFile(const std::string& path) override;
  bool UnlockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) override;
  bool DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength, void* out,
                       win::DWORD outLength, win::DWORD* returned) override;

  win::DWORD GetLastError() override;
  void SetLastError(win::DWORD error) override;

  void OutputDebugString(const char* text) override;
  bool GetProcessAffinityMask(std::uint64_t* processMask, std::uint64_t* systemMask) override;
  bool SetProcessAffinityMask(std::uint64_t mask) override;
  win::DWORD GetCurrentThreadId() override;
  std::optional<std::string> GetEnvironmentVariable(const std::string& name) override;
  std::uint64_t GetTickCount64() override;
  void Sleep(win::DWORD milliseconds) override;
  std::tm LocalTime() override;
  bool GetFixedLogicalDisks(std::vector<LogicalDisk>* disks) override;
  win::HMODULE LoadLibrary(const std::string& name) override;
  void* GetProcAddress(win::HMODULE module, const std::string& name) override;
  bool FreeLibrary(win::HMODULE module) override;
  // The keys the description declares under <registry> (see simregistry.h), and the SCSI device map:
  // HARDWARE\DEVICEMAP\Scsi\Scsi Port n for each port, with its Driver and IOAddress (simscsiport.h).
  win::DWORD RegOpenKey(win::HKEY root, const std::string& subKey, win::DWORD access,
                        win::HKEY* key) override;
  win::DWORD RegQueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                           win::DWORD* size) override;
  win::DWORD RegCloseKey(win::HKEY key) override;
  // The drive names of the ports' devices, the ports and the fixed volumes (simdosdevices.h).
  win::DWORD QueryDosDevice(const std::string& name, char* buffer, win::DWORD size) override;
  // The ports' devices by setup class (simdeviceinstaller.h).
  SetupResult SetupEnumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                             std::vector<SetupDevice>* devices) override;
  // Queries of \\.\root\cimv2 on the machine's management view (simmanagementview.h); a machine whose
  // fixed volumes cannot be read fails the query of its logical disks.
  bool WmiQuery(const std::string& nameSpace, const std::string& query, std::vector<WmiRow>* rows) override;
  // A drive declared mounted="1" is refused (ERROR_BUSY); any other is given with no hold to close.
  bool HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                          std::vector<win::HANDLE>* holds) override;
  // The tape functions on a \\.\TapeN of the machine (simtapehandle.h).
  win::DWORD GetTapeStatus(win::HANDLE handle) override;
  win::DWORD GetTapeParameters(win::HANDLE handle, win::DWORD operation, win::DWORD* size,
                               void* information) override;
  win::DWORD SetTapePosition(win::HANDLE handle, win::DWORD method, win::DWORD partition,
                             win::DWORD offsetLow, win::DWORD offsetHigh, bool immediate) override;
  win::DWORD WriteTapemark(win::HANDLE handle, win::DWORD type, win::DWORD count, bool immediate) override;
  // The SMBIOS table of the description (see simsmbios.h); ERROR_NOT_SUPPORTED when it declares none.
  win::DWORD GetSystemFirmwareTable(win::DWORD provider, win::DWORD tableId, void* buffer,
                                    win::DWORD size) override;

 private:
  Platform& native_;
  SimMachine machine_;
  std::shared_ptr<SimClock> clock_ = std::make_shared<SimClock>();
  std::shared_ptr<SimPortSpace> ports_;
  DeviceNamespace devices_;
  HandleTable deviceHandles_{kFirstDeviceHandle};
  SimRegistry registry_;
  std::vector<PciFunction> pci_;
  std::vector<std::uint8_t> smbios_;
  std::optional<std::vector<LogicalDisk>> logicalDisks_;
  std::vector<std::shared_ptr<SimScsiPort>> scsiPorts_;
  // The class drivers' devices of the ports.
  std::vector<SimOsDevice> drives_;
  SimDosDevices dosDevices_;
  SimDeviceInstaller installer_;
  // The management view, built on the first query and again when an optical drive's medium changed.
  std::mutex viewLock_;
  std::optional<WmiRepository> view_;
  std::vector<bool> viewMedia_;
};

}  // namespace os
