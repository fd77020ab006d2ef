#pragma once

// A device reached with SCSI commands: its command record and its command set, one operation per
// CDB. Every command goes through SendCdb, which records the CDB and sends it through the device's
// own ScsiDriver, else through its parent adapter. The disk, tape and optical families derive from
// it and add their descriptions and tests.

#include <cstdint>
#include <memory>
#include <string>

#include "devices/scsi/scsicommandrecord.h"
#include "framework/device.h"
#include "platform/winapi.h"

namespace rb {

class ScsiDriver;

// What READ CAPACITY(10) answers.
struct ScsiCapacity {
  std::uint32_t lastBlock = 0;
  std::uint32_t blockLength = 0;
};

// What READ CAPACITY(16) answers.
struct ScsiCapacity16 {
  std::uint64_t lastBlock = 0;
  std::uint32_t blockLength = 0;
};

class DiscoveryContext;

class ScsiDevice : public Device {
 public:
  // The CDB allocation length of INQUIRY and the size of the inquiry cache.
  static constexpr std::uint8_t kInquiryAllocation = 0xF0;
  static constexpr std::uint32_t kModeSenseLength = 256;
  static constexpr std::uint32_t kDefectListLength = 512;
  static constexpr std::uint32_t kMaxSelfTestMinutes = 180;

  ScsiDevice(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path, std::uint8_t target,
             std::uint8_t lun);
  ~ScsiDevice() override;

  // Turns a unit that a port listed into a device of the right class, or null when the unit is not one
  // this family keeps (see scsidevicecreate.cpp). The device sends through its own copy of `port`'s
  // driver and has `adapter` as its parent.
  static std::unique_ptr<ScsiDevice> Create(DiscoveryContext& context, const ScsiDriver& port,
                                            const std::shared_ptr<ScsiDevice>& adapter, std::uint8_t path,
                                            std::uint8_t target, std::uint8_t lun, bool usbPort);

  // The persistent form: the device's, then its address, model, drive number and device type, its own
  // driver and its parent adapter (a link to a device of the set).
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;

  ScsiCommandRecord& Record() { return record_; }
  const ScsiCommandRecord& Record() const { return record_; }
  ScsiDriver* Driver() const { return driver_; }
  void SetDriver(ScsiDriver* driver) { driver_ = driver; }
  // Sends through a driver of its own, which it keeps.
  void OwnDriver(std::unique_ptr<ScsiDriver> driver);
  // The adapter whose send operation carries this device's commands when it has no driver of its own.
  ScsiDevice* ParentAdapter() const { return parent_; }
  void SetParentAdapter(ScsiDevice* parent) {
    parent_ = parent;
    parentHold_.reset();
  }
  // The same, keeping the adapter alive as long as this device, whatever happens to the device set.
  void SetParentAdapter(std::shared_ptr<ScsiDevice> parent);

  // The port number of the device's own driver (0 without one).
  std::uint32_t PortNumber() const;
  // The device's address as the system's SCSI requests give it (SCSI_ADDRESS).
  win::ScsiAddress OsAddress() const;
  // "port.path.target.lun".
  virtual std::string AddressText() const;
  // The vendor and product identification of the INQUIRY data, each without trailing blanks; the ATA
  // model of IDENTIFY DEVICE over CSMI STP when INQUIRY fails. Read once.
  virtual std::string ModelText();
  // The product revision (INQUIRY bytes 32-35), without trailing blanks.
  std::string FirmwareText();
  // The unit serial number (VPD page 80h), cleaned for documents; empty when the device has none.
  std::string SerialNumberText();
  virtual std::string BusSpeedText();
  virtual std::string BusWidthText();
  std::int32_t DriveNumber() const { return driveNumber_; }
  void SetDriveNumber(std::int32_t number) { driveNumber_ = number; }
  // Adds the properties every SCSI device shows (model and firmware) to its element.
  virtual void DescribeScsiProperties(XmlObject& element, bool catalogRequest);

  // Records the CDB, zero-fills the caller's buffer for data in, and sends through the device's
  // driver or its parent adapter; raises "Undefined SCSI adapter" when it has neither. Answers the
  // SCSI status byte.
  virtual std::uint8_t SendCdb(const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer,
                               std::uint32_t length, int direction);
  // Carries a command of a device behind this adapter: through this adapter's driver to the child's
  // address. Array controllers replace it with their own transport.
  virtual std::uint8_t ForwardCdb(ScsiDevice& child, const std::uint8_t* cdb, std::int32_t cdbLength,
                                  void* buffer, std::uint32_t length, int direction);
  // CSMI: whether this device's commands go over the parent adapter's CSMI pass-through instead of
  // the direct pass-through (a disk flagged so by discovery), and, for an adapter, whether it speaks
  // CSMI and its protocol mask (bits 0-1 SSP, bits 2-3 STP).
  virtual bool RoutesThroughCsmi() const { return false; }
  virtual bool CsmiCapable() const { return false; }
  virtual std::uint32_t CsmiProtocolMask() const { return 0; }

  // The command set. Status-answering operations return the SCSI status byte.
  std::uint8_t Inquiry();
  std::uint8_t InquiryVpd(std::uint8_t page, void* buffer, std::uint32_t length);
  std::uint8_t GetDeviceType();
  bool IsRemovable();
  std::uint8_t ClockingByte();
  bool TestUnitReady();
  bool Unload();
  std::uint8_t ModeSense(std::uint8_t page, void* buffer, std::uint32_t length);
  std::uint8_t SendDiagnostic(std::uint8_t flags);
  std::uint8_t RequestSense(void* buffer, std::uint8_t length);
  void LogSelect(std::uint8_t flags, std::uint8_t page, void* parameters, std::uint16_t length);
  void LogSense(std::uint8_t page, std::uint16_t parameterPointer, void* buffer, std::uint16_t length);
  std::uint8_t ReadCapacity(ScsiCapacity& capacity);
  // READ CAPACITY(16) (SERVICE ACTION IN 9Eh/10h), for devices whose last block does not fit 32 bits.
  std::uint8_t ReadCapacity16(ScsiCapacity16& capacity);
  // READ/WRITE/VERIFY(16) (88h, 8Ah, 8Fh) of `count` blocks at a 64-bit address; `length` bytes move.
  std::uint8_t ReadWrite16(std::uint8_t opcode, std::uint64_t lba, std::uint32_t count, void* buffer,
                           std::uint32_t length, int direction);
  // READ/WRITE(10) of `count` blocks of `blockLength` bytes; `buffer` holds count × blockLength bytes.
  std::uint8_t ReadBlocks(std::uint32_t lba, std::uint16_t count, std::uint32_t blockLength, void* buffer);
  std::uint8_t WriteBlocks(std::uint32_t lba, std::uint16_t count, std::uint32_t blockLength, void* buffer);
  std::uint8_t VerifyBlocks(std::uint32_t lba, std::uint16_t count);
  // The number of grown defects; -1 when READ DEFECT DATA fails.
  std::int32_t GrownDefectCount();
  std::uint8_t Format(int formatType);
  // Minutes of the extended self-test from the control mode page; 0 when above three hours.
  std::uint32_t GetExtendedOfflineSelfTestTime();
  // Seconds of the extended self-test from the control mode page, uncapped; 0 when the drive has no
  // control mode page.
  std::uint32_t ExtendedSelfTestSeconds();
  bool IsSASDrive();

  // The failure text of the last command (status, CDB and sense lines).
  std::string LastStatusText() const;

 protected:
  // The state a reader starts from.
  ScsiDevice();

 private:
  std::uint8_t Send6(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4,
                     void* buffer, std::uint32_t length, int direction);
  std::uint8_t ReadWrite10(std::uint8_t opcode, std::uint32_t lba, std::uint16_t count, void* buffer,
                           std::uint32_t length, int direction);

  ScsiCommandRecord record_;
  ScsiDriver* driver_ = nullptr;
  ScsiDevice* parent_ = nullptr;
  std::unique_ptr<ScsiDriver> ownedDriver_;
  std::shared_ptr<ScsiDevice> parentHold_;
  std::string model_;
  std::int32_t driveNumber_ = 0;
};

}  // namespace rb
