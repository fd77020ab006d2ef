#pragma once

// A logical volume of an array controller: the drive the operating system sees. It keeps the
// controller's identification, query and status of the logical drive (read with the drive number as
// unit), shows its status, fault tolerance and capacity, and transfers blocks with BMIC read and write
// on a BMIC controller, with SCSI block commands to its logical LUN through a CISS controller. Either
// way a write first takes the disk the system shows for the volume, so that nothing is written under a
// mounted file system.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "devices/scsi/scsidisk.h"

namespace rb {

class BmicDevice;

class LogicalVolume : public ScsiDisk {
 public:
  static constexpr const char* kStreamableName = "LogicalVolume";
  // Identifiers above this belong to volumes of an external controller.
  static constexpr std::uint32_t kLastInternalVolumeId = 65535;

  // A volume of a BMIC controller, named by the controller.
  LogicalVolume(BmicDevice& controller, std::uint8_t logicalDrive, std::uint32_t volumeId);
  // A volume of a CISS controller: its entry of the logical LUN report and its name ("<controller>v%x").
  LogicalVolume(BmicDevice& controller, std::uint8_t logicalDrive, std::uint32_t volumeId,
                const std::array<std::uint8_t, 8>& lunAddress, std::string name);
  // The state a reader starts from.
  LogicalVolume();

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<LogicalVolume>(); }

  BmicDevice* Controller() const { return controller_; }
  std::uint8_t LogicalDrive() const { return logicalDrive_; }
  std::uint32_t VolumeId() const { return volumeId_; }
  bool IsExternal() const { return volumeId_ > kLastInternalVolumeId; }
  const std::array<std::uint8_t, 8>& LunAddress() const { return lunAddress_; }
  const std::string& DevicePath() const { return devicePath_; }
  void SetDevicePath(std::string path) { devicePath_ = std::move(path); }

  // Rereads the identification, query and status of the logical drive.
  void Refresh();
  const std::vector<std::uint8_t>& IdentifyReply() const { return identify_; }
  const std::vector<std::uint8_t>& StatusReply() const { return status_; }
  // The status code of the logical-drive status, and its untranslated text.
  std::uint8_t StatusCode() const;
  static const char* StatusText(std::uint8_t code);
  // The fault tolerance of the logical-drive identification, and its text.
  std::uint8_t FaultTolerance() const;
  static const char* FaultToleranceText(std::uint8_t value);
  // "Logical Volume <n>, Controller Slot <slot>", or the external form with the controller's bus.
  std::string DisplayNameText();

  // The block count and size of the logical-drive identification.
  std::uint64_t BlockCount();
  std::uint64_t LastBlockAddress() override;
  std::uint32_t BlockSize() override;
  bool IsReady() override { return true; }
  // BMIC read and write on a BMIC controller; SCSI block commands to the volume's LUN through the
  // controller otherwise (the controller answers them whether or not the system shows the volume).
  void Access(int mode, std::uint64_t address, std::uint32_t count, void* buffer) override;
  std::unique_ptr<DiskWriteHold> HoldForWriting() override;
  std::string ModelText() override { return DisplayNameText(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

 private:
  // Reads the controller's replies once when nothing has read them yet.
  void RefreshOnce();
  // Whether the controller moves the volume's blocks itself (BMIC read and write).
  bool TransfersThroughBmic() const;

  BmicDevice* controller_ = nullptr;
  std::uint8_t logicalDrive_ = 0;
  std::uint32_t volumeId_ = 0;
  std::array<std::uint8_t, 8> lunAddress_{};
  std::string devicePath_;
  std::vector<std::uint8_t> identify_;
  std::vector<std::uint8_t> query_;
  std::vector<std::uint8_t> status_;
};

}  // namespace rb
