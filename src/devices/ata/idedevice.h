#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "devices/ata/ataidentify.h"
#include "framework/device.h"
#include "platform/winapi.h"

namespace rb {

class AtaController;

// A drive on an ATA controller, reached through its operating-system path ("\\.\PhysicalDrive1",
// "\\.\CDROM0", "\\.\Floppy0"): its identify data (read on first use), its SMART requests, its place
// on its controller and the texts made from them.
class IdeDevice : public Device {
 public:
  static constexpr const char* kClassName = "IdeDevice";

  IdeDevice(std::string name, bool makeUnique, std::string devicePath);

  const std::string& DevicePath() const { return devicePath_; }
  // The name the identify traces give the drive: the path's last part ("CDROM3", "PhysicalDrive1"), or
  // "WMIdev" for a drive the management instrumentation named.
  std::string TraceLabel() const;
  void SetFoundThroughWmi(bool wmi) { wmi_ = wmi; }
  // The drive number whose parity selects the device register of the IDE pass-through.
  std::int32_t DriveNumber() const { return driveNumber_; }
  void SetDriveNumber(std::int32_t number) { driveNumber_ = number; }
  // Where the drive is: its controller, the SCSI address the system gives it and the controller's
  // channel it is on (-1 when not known).
  void SetController(std::shared_ptr<AtaController> controller);
  AtaController* Controller() const { return controller_; }
  void SetAddress(const win::ScsiAddress& address, std::int32_t channel);
  const win::ScsiAddress& Address() const { return address_; }

  // The identify data, read with the identify sequence on first use; empty when the drive answers no
  // identify request (it is listed all the same).
  const AtaIdentify& Identify();
  bool Identified() { return Identify().Present(); }
  // Replaces the identify data (a drive whose data came another way).
  void SetIdentify(const AtaIdentify& identify);

  std::string ModelText();
  std::string FirmwareText();
  std::string SerialText();
  // "Primary" or "Secondary" with "Master" or "Slave" ("Port n" on a SATA controller); "Not available"
  // when the place is not known.
  std::string ConnectorText() const;

  // SMART RETURN STATUS (1 threshold exceeded, 0 healthy, -1 failed), SMART READ DATA (checksum
  // checked), a SMART command with a sub-code (0 or the system error) and the SMART log write.
  int SmartReturnStatus();
  bool SmartReadData(std::uint8_t* data);
  win::DWORD SmartCommand(std::uint8_t feature, std::uint8_t subCode);
  bool SmartWriteLog(std::uint8_t logAddress, const std::uint8_t* sector);

  // The parent link to the controller, and the controller's child link to this drive.
  void LinkToController(const std::string& kind);

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;

 protected:
  IdeDevice();
  // Model, firmware, serial number and the DMA properties, as the identify data gives them.
  void DescribeIdentity(XmlObject& element);

 private:
  std::string devicePath_;
  std::int32_t driveNumber_ = 0;
  AtaController* controller_ = nullptr;
  std::shared_ptr<AtaController> controllerHold_;
  win::ScsiAddress address_{sizeof(win::ScsiAddress), 0, 0, 0, 0};
  std::int32_t channel_ = -1;
  bool wmi_ = false;
  bool identifyRead_ = false;
  AtaIdentify identify_;
};

}  // namespace rb
