#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "devices/scsi/scsiblockdevice.h"

namespace rb {

// A SCSI, SAS or SATA hard disk on a SCSI port (array disks derive from it): its caption by kind, its
// catalog entry and its tests.
class ScsiDisk : public ScsiBlockDevice {
 public:
  static constexpr const char* kStreamableName = "ScsiDisk";

  ScsiDisk(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path, std::uint8_t target,
           std::uint8_t lun);
  // The state a reader starts from.
  ScsiDisk();

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ScsiDisk>(); }

  // Whether the disk's commands go over its adapter's CSMI pass-through, and whether it is a SATA drive.
  bool RoutesThroughCsmi() const override { return csmi_; }
  void SetCsmi(bool csmi) { csmi_ = csmi; }
  bool IsSata() const { return sata_; }
  void SetSata(bool sata) { sata_ = sata; }
  // IsSASDrive, asked once.
  bool IsSas();
  void SetSas(bool sas) { sas_ = sas ? 1 : 0; }
  // The disk's slot in its enclosure and its controller's slot, when known (-1 otherwise).
  void SetSlots(std::int32_t controllerSlot, std::int32_t enclosureSlot);

  // "SATA Hard Disk", "SAS Hard Drive" or "SCSI Hard Drive", with the slots where they are known.
  virtual std::string GetCaptionName();
  // The bus width and the connector of a parallel SCSI disk, "Not available" where it cannot be told.
  std::string CableDescription();
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

 protected:
  // The bus-speed test the disk offers with its other tests; empty for none.
  virtual std::string_view SpeedTestName() { return "BusSpeedTest"; }

 private:
  // The kind's name in documents: "scsiDisk", "sasDisk" or "sataDisk".
  std::string KindName();
  std::string RotationRateText();
  std::string TemperatureText();
  std::string ExtendedSelfTestText();
  // The control mode page's self-test time; 0 when the drive cannot be asked.
  std::uint32_t SelfTestSecondsOrZero();

  bool csmi_ = false;
  bool sata_ = false;
  std::int8_t sas_ = -1;  // not asked yet
  std::int32_t controllerSlot_ = -1;
  std::int32_t enclosureSlot_ = -1;
  std::uint32_t extendedSelfTestMinutes_ = 0;
};

}  // namespace rb
