#pragma once

// An array controller of the older generation, driven with BMIC commands through its miniport
// driver, and the base of the CISS controllers: identification, slot and PCI location, the BMIC
// command set, the SCSI commands of the devices behind it (SCSI through BMIC), its physical drives
// ("<controller>b<bus>d<target>") and arrays, and its catalog entry with the general controller
// properties and, on the factory line, its tests.
//
// Replies are not trusted: counts are bounded by the reply and by the drive maps, names are cut at
// their field and cleaned (replytext.h).

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "controllers/bmicdriver.h"
#include "devices/scsi/scsidevice.h"

namespace rb {

class DiscoveryContext;
class LogicalVolume;
class RaidArray;
class RaidDisk;

class BmicDevice : public ScsiDevice {
 public:
  static constexpr const char* kStreamableName = "BmicDevice";
  // Seconds a SCSI command to a device behind the controller may take.
  static constexpr std::uint32_t kChildTimeout = 30;
  // The wait between the two steps of a controller reset.
  static constexpr std::uint32_t kResetWaitMilliseconds = 30000;

  BmicDevice(std::string name, bool makeUnique, std::uint16_t port);
  // The state a reader starts from.
  BmicDevice();
  ~BmicDevice() override;

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<BmicDevice>(); }
  std::string ElementClass() const override { return "Controller"; }

  // Whether the board is one of the SAS controller set.
  virtual bool IsSasController();
  // A CDB to the controller itself: a BMIC controller takes none ("SCSI command is not supported").
  virtual std::uint8_t SendToController(const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer,
                                        std::uint32_t length, int direction);
  // A CDB to a device behind the controller, at the child's path, target and LUN. Answers the SCSI
  // status when the controller reports BMIC status 0, whatever that status is; otherwise raises "BMIC
  // driver reported problem" with what the controller said.
  std::uint8_t ForwardCdb(ScsiDevice& child, const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer,
                          std::uint32_t length, int direction) override;
  // BMIC 0x51 for a logical drive.
  virtual void DeleteLogicalVolume(std::uint8_t logicalDrive);
  // BMIC 0x40, half a minute, then BMIC 0x13.
  virtual void Reset();
  // Background activity (surface scans, rebuilds) paused with BMIC 0x98 or resumed with 0x99.
  virtual void SetBackgroundTasks(bool enable);
  // Configures a logical drive of `blocks` blocks at a fault tolerance code of identify logical drive
  // over `drives`, after the configured ones, and answers its volume ("<controller>v%dtemp"). Refuses
  // ("Invalid parameter list") a drive that a configured logical drive uses now, before sending.
  std::unique_ptr<LogicalVolume> CreateLogicalVolume(std::uint8_t faultTolerance,
                                                     const std::vector<RaidDisk*>& drives, std::uint32_t blocks);
  // The controller's PCI bus, device and function as its port reports them; unchanged when unknown.
  virtual void PciLocation(std::int32_t& bus, std::int32_t& device, std::int32_t& function);
  // The port the controller's requests go to: the system shows its volumes as disks there.
  virtual const ArrayPortDriver& PortDriver() const { return driver_; }
  // Sends a BMIC command with `count` in the second parameter; a non-zero BMIC status raises "BMIC
  // driver reported problem". The direction is the caller's description only: the request carries
  // the buffer both ways.
  virtual void SendBmicCommand(std::uint8_t command, void* buffer, std::uint32_t length,
                               std::uint32_t parameter, std::uint16_t count, std::uint8_t unit,
                               int direction);
  // The controller's name and "b%dd%d".
  virtual std::string NamePhysicalDrive(std::uint8_t bus, std::uint8_t target);
  // The general controller properties (model, firmware, memory, cache, batteries, backplane, drives).
  virtual void AddControllerProperties(XmlObject& element);
  // What the usable-cache word of BMIC 0xC1 counts in, per megabyte.
  virtual std::uint32_t CacheUnit() const { return 1024; }
  // Makes the array nodes from the logical drives' identification (their array and member drives).
  virtual void ListArrays();
  // The disks of array `number`.
  virtual std::vector<RaidDisk*> ListArrayMembers(std::uint32_t number);

  // Identify controller (which must answer), the slot and the PCI location.
  void Identify();
  // The slot from BMIC 0x66, asked until it answers once; 0 while unknown, and for 16 and above.
  std::int32_t Slot();
  std::uint32_t BoardId() const;
  // The identify-controller reply (empty before Identify).
  const std::vector<std::uint8_t>& IdentifyReply() const { return identify_; }
  const std::string& ProductName() const { return productName_; }
  const std::string& Firmware() const { return firmware_; }
  // A storage-array controller (a product name with "KSR1000") numbers its drives its own way.
  bool IsStorageArrayController() const;
  // The parameter of identify physical drive (BMIC 0x15) for a bus and target.
  std::uint32_t PhysicalDriveParameter(std::uint8_t bus, std::uint8_t target) const;
  // BMIC 0x15 for the drive at a bus and target.
  std::vector<std::uint8_t> IdentifyPhysicalDrive(std::uint8_t bus, std::uint8_t target);

  // Finds the devices behind the controller (each present bus and target), adds them to the device
  // set without describing them, and keeps the disks. A device that cannot be identified is traced
  // and left out.
  void DiscoverPhysicalDevices(DiscoveryContext& context);
  const std::vector<RaidDisk*>& PhysicalDisks() const { return physicalDisks_; }
  // Keeps a device behind the controller that is in the device set: a volume, a disk, or another device.
  void KeepChild(Device& device);
  // Adds a volume for each configured logical drive that the controller identifies, as the drive's
  // number; a drive it cannot identify is traced and left out.
  virtual void DiscoverLogicalVolumes(DiscoveryContext& context);
  const std::vector<LogicalVolume*>& LogicalVolumes() const { return logicalVolumes_; }
  // Every device behind the controller: the disks, then the others (tapes).
  std::vector<ScsiDevice*> Children() const;
  // The physical disks that belong to no logical drive (known once the arrays are listed, or the
  // assignments reread).
  std::vector<RaidDisk*> UnassignedDisks() const;
  // Asks the controller again which drives its configured logical drives use: a controller read back
  // from the persistent file, or configured since, knows no better than the controller.
  void RereadAssignedDrives();
  const std::vector<std::unique_ptr<RaidArray>>& Arrays() const { return arrays_; }

  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

 private:
  std::uint8_t IdentifyByte(std::size_t offset) const;
  // The identification replies of logical drives 0 .. count - 1, with their unit numbers (a drive the
  // controller cannot identify is traced and left out).
  std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> IdentifyLogicalDrives(std::uint8_t count);
  // The configured count as the controller answers it now.
  std::uint8_t ConfiguredLogicalDrives();
  void NoteAssignedDrives(const std::vector<std::uint8_t>& identifyLogical);
  // The devices behind the controller that discovery probes: present ones only when the controller
  // reports presence maps.
  bool Probed(std::uint8_t bus, std::uint8_t target) const;
  void AddDevice(DiscoveryContext& context, std::uint8_t bus, std::uint8_t target);

 protected:
  // A volume object for a logical drive the controller has just configured.
  virtual std::unique_ptr<LogicalVolume> MakeVolume(std::uint8_t logicalDrive, std::string name);
  // Adds a child found behind the controller and links the two; the added device, or null when the
  // device set already had it.
  std::shared_ptr<Device> AddChild(DiscoveryContext& context, std::unique_ptr<ScsiDevice> device,
                                   const char* role);

 private:
  void AddBatteryAndCacheProperties(XmlObject& element);
  void AddBackplaneProperties(XmlObject& element);

  BmicDriver driver_;
  std::mutex sending_;
  std::vector<std::uint8_t> identify_;
  std::int32_t slot_ = 0;
  bool slotRead_ = false;
  std::int32_t pciBus_ = -1;
  std::int32_t pciDevice_ = -1;
  std::int32_t pciFunction_ = -1;
  std::string productName_;
  std::string firmware_;
  std::vector<RaidDisk*> physicalDisks_;
  std::vector<ScsiDevice*> otherDevices_;
  std::vector<LogicalVolume*> logicalVolumes_;
  // Bus and target of each drive that a logical drive uses.
  std::vector<std::pair<std::uint8_t, std::uint8_t>> assignedDrives_;
  std::vector<std::unique_ptr<RaidArray>> arrays_;
};

}  // namespace rb
