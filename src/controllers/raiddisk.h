#pragma once

// A physical disk behind an array controller, reached through the controller's send-to-child
// operation at its bus and target. It keeps the controller's identification of the drive (BMIC 0x15),
// read on first use, and what that reply gives: the drive type (parallel SCSI, SATA or SAS), the bus
// speed or negotiated link rate and the error and usage counters. Its history (the controller's
// records and logs of the drive) is what the disk's diagnosis judges; the diagnosis's "Identify
// Drive" action blinks the drive's LED through the controller.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "component/disklogreader.h"
#include "devices/scsi/scsidisk.h"

namespace rb {

class BmicDevice;

class RaidDisk : public ScsiDisk, public DiskLogReader {
 public:
  static constexpr const char* kStreamableName = "RaidDisk";

  // `addressName` is the controller's name for the drive's bus and target ("...b%dd%d").
  RaidDisk(std::string name, BmicDevice& controller, std::uint8_t bus, std::uint8_t target,
           std::string addressName);
  // A disk of a CISS controller, which addresses it by its entry of the physical LUN report.
  RaidDisk(std::string name, BmicDevice& controller, std::uint8_t bus, std::uint8_t target,
           std::string addressName, const std::array<std::uint8_t, 8>& lunAddress);
  // The state a reader starts from.
  RaidDisk();

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<RaidDisk>(); }

  BmicDevice* Controller() const { return controller_; }
  std::uint8_t Bus() const { return Record().path; }
  std::uint8_t Target() const { return Record().target; }
  const std::string& AddressName() const { return addressName_; }
  // The physical LUN address on a CISS controller; zero on a BMIC controller.
  const std::array<std::uint8_t, 8>& LunAddress() const { return lunAddress_; }

  // The controller's identification of the drive, asked once; empty when the controller refused it.
  const std::vector<std::uint8_t>& Identification();
  // Takes an identification read already (discovery asks for it when the drive does not answer INQUIRY).
  void SetIdentification(std::vector<std::uint8_t> reply);
  // 0 parallel SCSI, 1 SATA, 2 SAS, from the identification.
  std::uint8_t DriveType();

  // The model of the INQUIRY data, else the controller's identification of the drive.
  std::string ModelText() override;
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;
  // "FlashLED" blinks the drive's LED for half a minute.
  void Action(const XmlObject& command) override;

  // The texts of the identification's speed bits and link-rate code.
  static const char* BusSpeedText(std::uint8_t olderRates, std::uint8_t newerRates);
  // The speed's rank: 0 asynchronous, 1 Fast, 2 Ultra, 3 Ultra-2, 4 Ultra-3 (160), 5 Ultra-320.
  static int BusSpeedRank(std::uint8_t olderRates, std::uint8_t newerRates);
  static const char* LinkRateText(std::uint8_t code);

  DriveDescription DescribeDrive() override;
  std::vector<DriveRecord> ReadDriveRecords() override;
  std::optional<SmartFindings> ReadSmartLogs() override;
  std::optional<DstFindings> ReadDstLogs() override;
  std::optional<PerformanceFindings> ReadPerformanceLogs() override;
  std::optional<std::vector<ScsiErrorLogEntry>> ReadScsiErrorLogs() override;
  bool AmberLightOn() override;
  std::optional<std::string> ReadApplicationClientLog() override;

 protected:
  std::string_view SpeedTestName() override;

 private:
  std::uint8_t IdentificationByte(std::size_t offset);
  void AddCounters(XmlObject& element);

  BmicDevice* controller_ = nullptr;
  std::string addressName_;
  std::array<std::uint8_t, 8> lunAddress_{};
  std::vector<std::uint8_t> identification_;
  bool identificationRead_ = false;
};

}  // namespace rb
