#pragma once

// An array controller that speaks CISS: the BMIC controller's identification, properties and BMIC
// command set, carried as BMIC-over-CISS CDBs, with its own discovery of what is behind it (the
// physical LUN list: disks, tapes, backplanes and the external controllers whose disks follow them;
// the logical LUN list: volumes). Every command of the controller and of its children goes through
// SendCissCommand, which judges the completion status; a controller reached through another one
// ("External Array Controller") hands its commands to that one.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controllers/bmicdevice.h"
#include "controllers/cissdriver.h"
#include "controllers/cisstestlist.h"

namespace rb {

class DiscoveryContext;
class XmlObject;

using CissLun = std::array<std::uint8_t, 8>;

class CissDevice : public BmicDevice {
 public:
  static constexpr const char* kStreamableName = "CissDevice";

  CissDevice(std::string name, bool makeUnique, std::uint16_t port);
  // A controller behind `delegate`, at its physical LUN `lun`.
  CissDevice(std::string name, CissDevice& delegate, const CissLun& lun, bool sataAttached);
  // The state a reader starts from.
  CissDevice();
  ~CissDevice() override;

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CissDevice>(); }

  // The central send: one CISS command list to `lun`. Answers the SCSI status for success and data
  // underrun; every other completion raises "CISS driver reported problem" with its reason.
  virtual std::uint8_t SendCissCommand(const CissLun& lun, const std::uint8_t* cdb, std::int32_t cdbLength,
                                       void* buffer, std::uint32_t length, int direction);
  // The controller's own commands (its INQUIRY among them) go to its own LUN.
  std::uint8_t SendCdb(const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer, std::uint32_t length,
                       int direction) override;
  std::uint8_t SendToController(const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer,
                                std::uint32_t length, int direction) override;
  // To the physical LUN of the child's bus and target.
  std::uint8_t ForwardCdb(ScsiDevice& child, const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer,
                          std::uint32_t length, int direction) override;
  // A CDB to an explicit LUN (volumes hold theirs), recorded as the controller's last command.
  std::uint8_t SendToLun(const CissLun& lun, const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer,
                         std::uint32_t length, int direction);
  void PciLocation(std::int32_t& bus, std::int32_t& device, std::int32_t& function) override;
  // A controller behind another one is reached through that one's port.
  const ArrayPortDriver& PortDriver() const override {
    return delegate_ != nullptr ? delegate_->PortDriver() : driver_;
  }
  void SendBmicCommand(std::uint8_t command, void* buffer, std::uint32_t length, std::uint32_t parameter,
                       std::uint16_t count, std::uint8_t unit, int direction) override;
  std::uint32_t CacheUnit() const override { return 1; }

  // Identify controller, the physical LUN list and the slot (subsystem information, the PCI inventory
  // of `pciSummary`, then the storage configuration file's override).
  void IdentifyCiss(const XmlObject& pciSummary);
  // External controllers, then the physical devices, then the logical volumes; each child is added to
  // the set and the controller's interfaces.
  void DiscoverChildren(DiscoveryContext& context);

  // Finding a volume just created: the logical LUN report read before the creation, then the volume of
  // the entry that is new after it (named "<controller>v%x" with the low 30 bits of its first word and
  // refreshed; the caller owns it). No new entry raises "Volume Not Found".
  std::vector<CissLun> ReadLogicalLuns();
  std::unique_ptr<LogicalVolume> FindNewVolume(const std::vector<CissLun>& before);

  bool IsExternal() const { return delegate_ != nullptr; }
  bool SataAttached() const { return sataAttached_; }
  void SetSupported(bool supported) { supported_ = supported; }
  std::int32_t PciSlot() const { return pciSlot_; }
  const std::vector<CissLun>& PhysicalLuns() const { return physicalLuns_; }
  const std::vector<CissLun>& LogicalLuns() const { return logicalLuns_; }
  const std::vector<CissDevice*>& ExternalControllers() const { return external_; }
  // "External Array Controller" and its number for a controller behind another one.
  std::uint32_t ExternalNumber() const { return externalNumber_; }
  // The LUN address of the last command, its CDB, SCSI status and sense.
  struct LastCommand {
    std::array<std::uint8_t, 16> cdb{};
    std::int32_t cdbLength = 0;
    std::uint8_t scsiStatus = 0;
    std::array<std::uint8_t, 32> sense{};
  };
  const LastCommand& Last() const { return last_; }

  // Background tasks off (disable) or on again, with the controller's sense byte traced.
  void SetBackgroundTasks(bool enable) override;

  // BMIC 42h with a vendor sub-function (CDB byte 8) and its argument (byte 9); CDB byte 0 is 26h when
  // `readCdb`, 27h otherwise, as each sub-function's row asks. Raises what SendCissCommand raises.
  std::uint8_t SendVendorCommand(std::uint8_t subFunction, std::uint8_t argument, bool readCdb, void* buffer,
                                 std::uint32_t length, int direction);
  // Reads (the buffer zeroed first) or writes the I2C part at `address`.
  void ReadWriteI2CDevice(std::uint8_t address, void* buffer, std::uint32_t length, bool write);
  // Starts a controller-resident diagnostic; its result record (260 bytes, byte 1 the error code).
  void StartDiagnostic(std::uint8_t group, std::uint16_t code, std::uint16_t argument);
  std::vector<std::uint8_t> DiagnosticResult();
  // The diagnostics ROM version: byte 1 is shown first.
  std::array<std::uint8_t, 2> DiagnosticRomVersion();
  // An SES or backplane NVRAM region: its first 1024 bytes, or `bytes` written at `offset` (in records
  // of up to seven bytes, each its own request; a refused record leaves those before it written, so a
  // caller that must not leave a region half-changed reads it back). Raise what SendCissCommand raises.
  std::vector<std::uint8_t> ReadSesNvram(std::uint8_t region);
  void WriteSesNvram(std::uint8_t region, std::uint16_t offset, const std::vector<std::uint8_t>& bytes);
  // The storage box's version information (48 bytes).
  std::vector<std::uint8_t> StorageBoxVersion();
  // The controller's own descriptions (the layouts of arraylayout::cpldversion, picbattery,
  // worldwidenames and asicrevisions). Each raises what SendCissCommand raises.
  std::vector<std::uint8_t> CpldVersion();
  std::vector<std::uint8_t> PicBatteryInformation();
  std::vector<std::uint8_t> WorldWideNames();
  std::vector<std::uint8_t> AsicRevisions();

  void DescribeProperties(XmlObject& element, bool catalogRequest) override;
  std::string ElementClass() const override;

 protected:
  // A new logical drive is reached at its entry of the logical LUN report (40000000h | number).
  std::unique_ptr<LogicalVolume> MakeVolume(std::uint8_t logicalDrive, std::string name) override;

 private:
  std::vector<CissLun> ReadLunList(std::uint8_t opcode);
  // A vendor sub-function's reply of `size` bytes.
  std::vector<std::uint8_t> ReadVendorReply(std::uint8_t subFunction, bool readCdb, std::size_t size);
  std::vector<std::uint8_t> InquiryLun(const CissLun& lun, bool ataIdentify);
  void DiscoverExternalControllers(DiscoveryContext& context);
  void DiscoverPhysicalLuns(DiscoveryContext& context);
  void DiscoverVolumes(DiscoveryContext& context);
  // Adds a device behind `owner` (this controller or one behind it) at `lun`.
  void AddChild(DiscoveryContext& context, CissDevice& owner, std::unique_ptr<ScsiDevice> device,
                const CissLun& lun, const char* role);
  const CissLun* LunOf(const ScsiDevice& child) const;
  void ReadSlot(const XmlObject& pciSummary);
  std::string DisplayName();
  // Makes and offers each test of the list that is part of the component, configured by its entry.
  void OfferCissTests(XmlObject& element, const std::vector<CissTestEntry>& list);
  std::uint8_t IdentifyByte(std::size_t offset) const;

  CissDriver driver_;
  CissDevice* delegate_ = nullptr;
  bool supported_ = true;
  bool sataAttached_ = false;
  CissLun ownLun_{};
  std::vector<CissLun> physicalLuns_;
  std::vector<CissLun> logicalLuns_;
  LastCommand last_;
  std::int32_t pciBus_ = -1;
  std::int32_t pciDevice_ = -1;
  std::int32_t pciFunction_ = -1;
  std::int32_t pciSlot_ = 0;
  std::string serialNumber_;
  std::uint32_t externalNumber_ = 0;
  std::vector<CissDevice*> external_;
  // The LUN address of each child this controller carries commands for, side by side.
  std::vector<ScsiDevice*> lunOwners_;
  std::vector<CissLun> ownerLuns_;
  // Vendor, product and revision of the first processor-type LUN, and the four bytes after them.
  std::vector<std::uint8_t> backplaneInquiry_;
};

}  // namespace rb
