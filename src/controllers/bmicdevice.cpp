#include "controllers/bmicdevice.h"

#include <algorithm>
#include <cstring>

#include "controllers/arrayboards.h"
#include "controllers/arraylayouts.h"
#include "controllers/backplane.h"
#include "controllers/logicalvolume.h"
#include "controllers/raidarray.h"
#include "controllers/raiddisk.h"
#include "controllers/replytext.h"
#include "controllers/sataraiddisk.h"
#include "devices/enumeration/discoverycontext.h"
#include "devices/tape/scsitape.h"
#include "framework/interface.h"
#include "framework/ptstream.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/runenvironment.h"
#include "support/stringutil.h"

namespace rb {

namespace {

namespace layout = arraylayout;
namespace command = arraylayout::command;
namespace controller = arraylayout::identifycontroller;

constexpr std::uint8_t kNoDeviceType = 0xFF;
constexpr std::int32_t kSlotLimit = 16;

// A field of a reply, 0 when the reply is too short to hold it.
std::uint32_t ReadU32(const std::vector<std::uint8_t>& reply, std::size_t offset) {
  return offset + 4 <= reply.size() ? layout::Get32(reply.data(), offset) : 0;
}

std::uint16_t ReadU16(const std::vector<std::uint8_t>& reply, std::size_t offset) {
  return offset + 2 <= reply.size() ? layout::Get16(reply.data(), offset) : 0;
}

// Whether a drive map (a u32 target mask per bus) at `offset` names the drive.
bool DriveMapHas(const std::vector<std::uint8_t>& reply, std::size_t offset, std::uint8_t bus,
                 std::uint8_t target) {
  if (bus >= layout::kDriveMapBuses || target >= layout::kDriveMapTargets) return false;
  return (ReadU32(reply, offset + 4u * bus) >> target & 1u) != 0;
}

// The SCSI-through-BMIC results as fixed-format sense, so that the child's record reads as after any
// other command.
void KeepSense(ScsiCommandRecord& record, const ScsiThroughBmicRecord& scsi) {
  record.status = scsi.scsiStatus;
  record.sense.fill(0);
  if (scsi.scsiStatus != kScsiCheckCondition) return;
  record.sense[0] = scsi.senseErrorCode;
  record.sense[2] = scsi.senseKey;
  for (int i = 0; i < 4; ++i)
    record.sense[3 + i] = static_cast<std::uint8_t>(scsi.senseInformation >> (24 - 8 * i));
  record.sense[7] = 10;
  record.sense[12] = scsi.additionalSenseCode;
  record.sense[13] = scsi.qualifier;
}

std::string JoinNames(const std::vector<RaidDisk*>& disks) {
  std::string text;
  for (const RaidDisk* disk : disks) text += (text.empty() ? "" : ", ") + disk->AddressName();
  return text.empty() ? Translate("None") : text;
}

std::string Megabytes(unsigned value) {
  return StringPrintf("%u %s", value, Translate("Mbytes").c_str());
}

}  // namespace

BmicDevice::BmicDevice(std::string name, bool makeUnique, std::uint16_t port)
    : ScsiDevice(std::move(name), makeUnique, nullptr, 0, 0, 0), driver_(port) {
  SetCaption(Translate("Array Controller"));
  SetDescription("Array Controller");
}

BmicDevice::BmicDevice() = default;
BmicDevice::~BmicDevice() = default;

void BmicDevice::Stream(ptstream& stream, bool writing, std::int32_t version) {
  ScsiDevice::Stream(stream, writing, version);
  driver_.Stream(stream, writing, version);
  std::uint32_t identified = identify_.empty() ? 0 : 1;
  stream.Transfer(identified);
  if (identified != 0) {
    identify_.resize(controller::kSize);
    stream.TransferBytes(identify_.data(), identify_.size());
  } else {
    identify_.clear();
  }
  stream.Transfer(slot_);
  stream.Transfer(slotRead_);
  stream.Transfer(pciBus_);
  stream.Transfer(pciDevice_);
  stream.Transfer(pciFunction_);
  stream.Transfer(productName_);
  stream.Transfer(firmware_);
  stream.TransferLinkList(physicalDisks_);
  stream.TransferOwnedList(arrays_);
}

void BmicDevice::Assign(const Persistent& other) {
  ScsiDevice::Assign(other);
  const auto* source = dynamic_cast<const BmicDevice*>(&other);
  if (source == nullptr) return;
  driver_.Assign(source->driver_);
  identify_ = source->identify_;
  slot_ = source->slot_;
  slotRead_ = source->slotRead_;
  pciBus_ = source->pciBus_;
  pciDevice_ = source->pciDevice_;
  pciFunction_ = source->pciFunction_;
  productName_ = source->productName_;
  firmware_ = source->firmware_;
  physicalDisks_ = source->physicalDisks_;
  otherDevices_ = source->otherDevices_;
  assignedDrives_ = source->assignedDrives_;
  arrays_ = CloneAll(source->arrays_);
}

std::uint8_t BmicDevice::IdentifyByte(std::size_t offset) const {
  return offset < identify_.size() ? identify_[offset] : 0;
}

std::uint32_t BmicDevice::BoardId() const {
  return ReadU32(identify_, controller::kBoardId);
}

bool BmicDevice::IsSasController() {
  if (!arrayboards::IsSasBoard(BoardId())) return false;
  DebugPrint("Found a SAS controller \n");
  return true;
}

std::uint8_t BmicDevice::SendToController(const std::uint8_t*, std::int32_t, void*, std::uint32_t, int) {
  throw OruError("SCSI command is not supported", Name());
}

void BmicDevice::SendBmicCommand(std::uint8_t code, void* buffer, std::uint32_t length,
                                 std::uint32_t parameter, std::uint16_t count, std::uint8_t unit, int) {
  BmicRecord record;
  record.unit = unit;
  record.command = code;
  record.parameter = parameter;
  record.secondParameter = count;
  record.dataLength = length;
  record.data = buffer;
  {
    const std::lock_guard guard(sending_);
    driver_.Send(record, buffer, length);
  }
  if (record.status != layout::kBmicOk)
    throw OruError("BMIC driver reported problem", Name() + StringPrintf(": BMIC_ERROR: %d", record.status));
}

std::uint8_t BmicDevice::ForwardCdb(ScsiDevice& child, const std::uint8_t* cdb, std::int32_t cdbLength,
                                    void* buffer, std::uint32_t length, int) {
  BmicRecord record;
  record.command = layout::kBmicPassThroughCommand;
  record.dataLength = length;
  record.data = buffer;
  ScsiThroughBmicRecord scsi;
  const ScsiCommandRecord& address = child.Record();
  scsi.path = address.path;
  scsi.target = address.target;
  scsi.lun = address.lun;
  scsi.timeout = kChildTimeout;
  scsi.cdbLength = static_cast<std::uint8_t>(std::clamp<std::int32_t>(cdbLength, 0, sizeof scsi.cdb));
  std::memcpy(scsi.cdb, cdb, scsi.cdbLength);
  {
    const std::lock_guard guard(sending_);
    driver_.Send(record, buffer, length, &scsi);
  }
  KeepSense(child.Record(), scsi);
  if (record.status == layout::kBmicOk) return scsi.scsiStatus;

  std::string detail = Name() + " -> " + NamePhysicalDrive(address.path, address.target);
  const std::uint8_t machineError = scsi.machineError;
  if (machineError != layout::kMachineErrorNone && machineError != layout::kMachineErrorTargetStatus &&
      machineError != layout::kMachineErrorOverrun)
    detail += StringPrintf(": MACHINE_ERROR: %d", machineError);
  if (machineError == layout::kMachineErrorOverrun && scsi.residualCount > 0)
    detail += StringPrintf(": DATA OVERRUN: %d", static_cast<int>(scsi.residualCount));
  if ((scsi.scsiStatus & 0x02) != 0)
    detail += StringPrintf(": SCSI_CAC: Key=%d Code=%d Asc=%d Acq=%d", scsi.senseKey, scsi.senseErrorCode,
                           scsi.additionalSenseCode, scsi.qualifier);
  throw OruError("BMIC driver reported problem", detail);
}

void BmicDevice::DeleteLogicalVolume(std::uint8_t logicalDrive) {
  DebugPrint("%s: deleting logical volume %02xh\n", Name().c_str(), logicalDrive);
  std::vector<std::uint8_t> data(512, 0);
  SendBmicCommand(command::kDeleteLogicalDrive, data.data(), static_cast<std::uint32_t>(data.size()), 0, 1,
                  logicalDrive, kDataOut);
  DebugPrint("volume deleted\n");
}

void BmicDevice::Reset() {
  std::vector<std::uint8_t> data(512, 0);
  SendBmicCommand(command::kResetStart, data.data(), 512, 0, 1, 0, kDataIn);
  os::Current().Sleep(kResetWaitMilliseconds);
  std::fill(data.begin(), data.end(), 0);
  SendBmicCommand(command::kResetFinish, data.data(), 256, 0, 1, 0, kDataIn);
}

void BmicDevice::SetBackgroundTasks(bool enable) {
  std::vector<std::uint8_t> data(256, 0);
  SendBmicCommand(enable ? command::kBackgroundEnable : command::kBackgroundDisable, data.data(),
                  static_cast<std::uint32_t>(data.size()), 0, 1, 0, kDataOut);
}

std::unique_ptr<LogicalVolume> BmicDevice::CreateLogicalVolume(std::uint8_t faultTolerance,
                                                               const std::vector<RaidDisk*>& drives,
                                                               std::uint32_t blocks) {
  namespace create = layout::createlogical;
  // The controller's configuration as it is now, not as discovery saw it: a drive that has joined a
  // volume since must not be configured over.
  const std::uint8_t number = ConfiguredLogicalDrives();
  const auto configured = IdentifyLogicalDrives(number);
  for (const RaidDisk* drive : drives)
    for (const auto& [unit, reply] : configured)
      if (DriveMapHas(reply, layout::identifylogical::kMemberMap, drive->Bus(), drive->Target()))
        throw OruError("Invalid parameter list",
                       StringPrintf("%s is a member of logical drive %u", drive->Name().c_str(), unit));
  std::vector<std::uint8_t> request(create::kSize, 0);
  request[create::kFaultTolerance] = faultTolerance;
  layout::Put32(request.data(), create::kBlockCount, blocks);
  for (const RaidDisk* drive : drives) {
    if (drive->Bus() >= layout::kDriveMapBuses || drive->Target() >= layout::kDriveMapTargets)
      throw OruError("Invalid parameter list", drive->Name());
    layout::MarkInDriveMap(request.data() + create::kMemberMap, drive->Bus(), drive->Target());
  }
  // The new drive follows the configured ones.
  SendBmicCommand(command::kCreateLogicalDrive, request.data(), static_cast<std::uint32_t>(request.size()), 0,
                  1, number, kDataOut);
  auto volume = MakeVolume(number, Name() + StringPrintf("v%dtemp", number));
  volume->Refresh();
  return volume;
}

std::unique_ptr<LogicalVolume> BmicDevice::MakeVolume(std::uint8_t logicalDrive, std::string name) {
  return std::make_unique<LogicalVolume>(*this, logicalDrive, logicalDrive, std::array<std::uint8_t, 8>{},
                                         std::move(name));
}

void BmicDevice::PciLocation(std::int32_t& bus, std::int32_t& device, std::int32_t& function) {
  driver_.PciLocation(bus, device, function);
}

std::string BmicDevice::NamePhysicalDrive(std::uint8_t bus, std::uint8_t target) {
  return Name() + StringPrintf("b%dd%d", bus, target);
}

void BmicDevice::Identify() {
  std::vector<std::uint8_t> reply(controller::kSize, 0);
  SendBmicCommand(command::kIdentifyController, reply.data(), static_cast<std::uint32_t>(reply.size()), 0, 1,
                  0, kDataIn);
  identify_ = std::move(reply);
  productName_ = ReplyText(identify_, controller::kProductName, controller::kProductNameSize);
  firmware_ = ReplyText(identify_, controller::kFirmware, controller::kFirmwareSize);
  Slot();
  PciLocation(pciBus_, pciDevice_, pciFunction_);
}

std::int32_t BmicDevice::Slot() {
  if (slotRead_) return slot_;
  std::vector<std::uint8_t> reply(layout::subsysteminfo::kSize, 0);
  try {
    SendBmicCommand(command::kSubsystemInfo, reply.data(), static_cast<std::uint32_t>(reply.size()), 0, 1, 0,
                    kDataIn);
  } catch (const OruError&) {
    return slot_;  // the last known slot
  }
  const std::int32_t read = reply[layout::subsysteminfo::kSlot] & 0x7F;
  DebugPrint("BmicDevice::GetSlot SubsysInfo Slot %d\n", read);
  slot_ = read < kSlotLimit ? read : 0;
  slotRead_ = true;
  DebugPrint("BmicDevice::GetSlot slot %d\n", slot_);
  return slot_;
}

bool BmicDevice::IsStorageArrayController() const {
  return layout::IsStorageArrayProduct(productName_);
}

std::uint32_t BmicDevice::PhysicalDriveParameter(std::uint8_t bus, std::uint8_t target) const {
  return layout::PhysicalDriveParameter(bus, target, IdentifyByte(controller::kTargetsPerBus),
                                        IsStorageArrayController());
}

std::vector<std::uint8_t> BmicDevice::IdentifyPhysicalDrive(std::uint8_t bus, std::uint8_t target) {
  std::vector<std::uint8_t> reply(layout::identifyphysical::kSize, 0);
  SendBmicCommand(command::kIdentifyPhysicalDrive, reply.data(), static_cast<std::uint32_t>(reply.size()),
                  PhysicalDriveParameter(bus, target), 1, 0, kDataIn);
  return reply;
}

bool BmicDevice::Probed(std::uint8_t bus, std::uint8_t target) const {
  if ((IdentifyByte(controller::kFlags) & controller::kFlagPresenceMaps) == 0) return true;
  return DriveMapHas(identify_, controller::kPresenceMap, bus, target);
}

void BmicDevice::DiscoverPhysicalDevices(DiscoveryContext& context) {
  // The counts come from the controller: no more buses and targets than a drive map can name.
  const auto buses = std::min<std::size_t>(IdentifyByte(controller::kBusCount), layout::kDriveMapBuses);
  const auto targets =
      std::min<std::size_t>(IdentifyByte(controller::kTargetsPerBus), layout::kDriveMapTargets);
  for (std::size_t bus = 0; bus < buses; ++bus) {
    for (std::size_t target = 0; target < targets; ++target) {
      if (!Probed(static_cast<std::uint8_t>(bus), static_cast<std::uint8_t>(target))) continue;
      try {
        AddDevice(context, static_cast<std::uint8_t>(bus), static_cast<std::uint8_t>(target));
      } catch (const OruError& error) {
        DebugPrint(
            "%s: %s %s\n",
            NamePhysicalDrive(static_cast<std::uint8_t>(bus), static_cast<std::uint8_t>(target)).c_str(),
            error.Message().c_str(), error.Detail().c_str());
      }
    }
  }
}

void BmicDevice::AddDevice(DiscoveryContext& context, std::uint8_t bus, std::uint8_t target) {
  const std::string childName = NamePhysicalDrive(bus, target);
  auto disk = std::make_unique<RaidDisk>("scsiDisk", *this, bus, target, childName);
  std::uint8_t type = kNoDeviceType;
  try {
    if (disk->Inquiry() == kScsiGood) type = disk->GetDeviceType();
  } catch (const OruError&) {
  }
  std::unique_ptr<ScsiDevice> device;
  if (type == kNoDeviceType) {
    // No answer to INQUIRY: the controller's own identification decides whether a drive is there.
    std::vector<std::uint8_t> reply = IdentifyPhysicalDrive(bus, target);
    if (reply[layout::identifyphysical::kPresent] == 0) return;
    disk->SetIdentification(std::move(reply));
    type = 0;
  }
  switch (type) {
    case 0:
      if (disk->DriveType() == layout::kDriveTypeSata) {
        auto sata = std::make_unique<SATARaidDisk>();
        sata->Assign(*disk);
        device = std::move(sata);
      } else {
        device = std::move(disk);
      }
      break;
    case 1: {
      auto tape = std::make_unique<ScsiTape>("scsiTape", true, nullptr, bus, target, 0);
      tape->Record() = disk->Record();
      tape->SetParentAdapter(this);
      tape->SetElementClass("scsiTape");
      tape->SetTapeNumber(context.NextDriveNumber(DiscoveryContext::DriveKind::kTape));
      device = std::move(tape);
      break;
    }
    case 3:
      DebugPrint("%s: backplane\n", childName.c_str());
      device =
          Backplane::Make(*this, bus, target,
                          std::vector<std::uint8_t>(disk->Record().inquiry.begin(),
                                                    disk->Record().inquiry.begin() + kInquiryAllocation));
      break;
    default:
      throw OruError("Device reported problem",
                     Translate("Unknown device type") + StringPrintf(" (%xh) : ", type) + childName);
  }
  const std::shared_ptr<Device> added =
      AddChild(context, std::move(device), type == 3 ? "Backplane" : "Physical Drive");
  if (added == nullptr) return;
  KeepChild(*added);
}

void BmicDevice::KeepChild(Device& device) {
  if (auto* volume = dynamic_cast<LogicalVolume*>(&device))
    logicalVolumes_.push_back(volume);
  else if (auto* raidDisk = dynamic_cast<RaidDisk*>(&device))
    physicalDisks_.push_back(raidDisk);
  else if (auto* other = dynamic_cast<ScsiDevice*>(&device))
    otherDevices_.push_back(other);
}

std::shared_ptr<Device> BmicDevice::AddChild(DiscoveryContext& context, std::unique_ptr<ScsiDevice> device,
                                             const char* role) {
  const std::string caption = device->Caption();
  const std::shared_ptr<Device> added = context.Add(std::move(device), false);
  if (added == nullptr) return nullptr;
  added->AddInterface(Interface(Name(), "Array Controller", Caption(), Interface::kParent));
  AddInterface(Interface(added->Name(), role, caption, Interface::kChild));
  return added;
}

void BmicDevice::DiscoverLogicalVolumes(DiscoveryContext& context) {
  logicalVolumes_.clear();
  const std::uint8_t volumes = IdentifyByte(controller::kLogicalDrives);
  for (std::uint8_t unit = 0; unit < volumes; ++unit) {
    auto volume = std::make_unique<LogicalVolume>(*this, unit, unit);
    try {
      volume->Refresh();
    } catch (const OruError& error) {
      DebugPrint("%s: logical drive %u: %s %s\n", Name().c_str(), unit, error.Message().c_str(),
                 error.Detail().c_str());
      continue;
    }
    volume->SetCaption(volume->DisplayNameText());
    const std::shared_ptr<Device> added = AddChild(context, std::move(volume), "Logical Volume");
    if (auto* logical = dynamic_cast<LogicalVolume*>(added.get())) logicalVolumes_.push_back(logical);
  }
}

std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> BmicDevice::IdentifyLogicalDrives(
    std::uint8_t count) {
  namespace logical = layout::identifylogical;
  std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> drives;
  for (std::uint8_t unit = 0; unit < count; ++unit) {
    std::vector<std::uint8_t> reply(logical::kSize, 0);
    try {
      SendBmicCommand(command::kIdentifyLogicalDrive, reply.data(), static_cast<std::uint32_t>(reply.size()),
                      0, 1, unit, kDataIn);
    } catch (const OruError& error) {
      DebugPrint("%s: logical drive %u: %s\n", Name().c_str(), unit, error.Detail().c_str());
      continue;
    }
    drives.emplace_back(unit, std::move(reply));
  }
  return drives;
}

void BmicDevice::ListArrays() {
  namespace logical = layout::identifylogical;
  arrays_.clear();
  assignedDrives_.clear();
  for (const auto& [unit, reply] : IdentifyLogicalDrives(IdentifyByte(controller::kLogicalDrives))) {
    const std::uint32_t number = reply[logical::kArrayNumber];
    auto found = std::find_if(arrays_.begin(), arrays_.end(),
                              [&](const auto& array) { return array->Number() == number; });
    if (found == arrays_.end()) {
      arrays_.push_back(std::make_unique<RaidArray>(*this, number));
      found = arrays_.end() - 1;
    }
    NoteAssignedDrives(reply);
    for (RaidDisk* disk : physicalDisks_)
      if (DriveMapHas(reply, logical::kMemberMap, disk->Bus(), disk->Target())) (*found)->AddMember(*disk);
  }
}

void BmicDevice::NoteAssignedDrives(const std::vector<std::uint8_t>& identifyLogical) {
  for (std::uint8_t bus = 0; bus < layout::kDriveMapBuses; ++bus)
    for (std::uint8_t target = 0; target < layout::kDriveMapTargets; ++target)
      if (DriveMapHas(identifyLogical, layout::identifylogical::kMemberMap, bus, target))
        assignedDrives_.emplace_back(bus, target);
}

std::uint8_t BmicDevice::ConfiguredLogicalDrives() {
  std::vector<std::uint8_t> identify(controller::kSize, 0);
  SendBmicCommand(command::kIdentifyController, identify.data(), static_cast<std::uint32_t>(identify.size()), 0,
                  1, 0, kDataIn);
  return identify[controller::kLogicalDrives];
}

void BmicDevice::RereadAssignedDrives() {
  const auto configured = IdentifyLogicalDrives(ConfiguredLogicalDrives());
  assignedDrives_.clear();
  for (const auto& [unit, reply] : configured) NoteAssignedDrives(reply);
}

std::vector<RaidDisk*> BmicDevice::ListArrayMembers(std::uint32_t number) {
  for (const auto& array : arrays_)
    if (array->Number() == number) return array->Members();
  return {};
}

std::vector<ScsiDevice*> BmicDevice::Children() const {
  std::vector<ScsiDevice*> children(physicalDisks_.begin(), physicalDisks_.end());
  children.insert(children.end(), otherDevices_.begin(), otherDevices_.end());
  return children;
}

std::vector<RaidDisk*> BmicDevice::UnassignedDisks() const {
  std::vector<RaidDisk*> unassigned;
  for (RaidDisk* disk : physicalDisks_) {
    const std::pair<std::uint8_t, std::uint8_t> drive{disk->Bus(), disk->Target()};
    if (std::find(assignedDrives_.begin(), assignedDrives_.end(), drive) == assignedDrives_.end())
      unassigned.push_back(disk);
  }
  return unassigned;
}

void BmicDevice::AddBatteryAndCacheProperties(XmlObject& element) {
  namespace info = layout::controllerinfo;
  std::vector<std::uint8_t> reply(info::kSize, 0);
  try {
    SendBmicCommand(command::kControllerInfo, reply.data(), static_cast<std::uint32_t>(reply.size()), 0, 1, 0,
                    kDataIn);
  } catch (const OruError&) {
    return;  // optional: left out
  }
  element.AddProperty("UsableCacheRam", Translate("Usable Cache RAM"),
                      Megabytes(ReadU16(reply, info::kUsableCache) / CacheUnit()));
  const std::size_t batteries = std::min<std::size_t>(reply[info::kBatteryCount], info::kMaxBatteries);
  for (std::size_t i = 0; i < batteries; ++i) {
    const int number = static_cast<int>(i + 1);
    element.AddProperty(StringPrintf("%s%d", "batteryStatus", number),
                        StringPrintf("%s %d", Translate("Battery").c_str(), number),
                        Translate(std::string(layout::BatteryStatusText(reply[info::kBatteryStatus + i]))));
  }
}

void BmicDevice::AddBackplaneProperties(XmlObject& element) {
  namespace backplane = layout::bustarget;
  std::vector<std::uint8_t> reply(backplane::kSize, 0);
  try {
    // Bus 0, target 0: the parameter is target × 256 + bus.
    SendBmicCommand(command::kBusTarget, reply.data(), static_cast<std::uint32_t>(reply.size()), 0, 1, 0,
                    kDataIn);
  } catch (const OruError&) {
    return;
  }
  if (reply[backplane::kPresent] == 0) return;
  element.AddProperty("BackplaneModel", Translate("Backplane Model"),
                      ReplyText(reply, backplane::kModel, backplane::kModelSize));
  element.AddProperty("BackplaneRev", Translate("Backplane Revision"),
                      ReplyText(reply, backplane::kRevision, backplane::kRevisionSize));
}

void BmicDevice::AddControllerProperties(XmlObject& element) {
  element.AddProperty("Model", Translate("Model"), Translate(productName_));
  element.AddProperty("Firmware", Translate("Firmware"), firmware_);
  element.AddProperty("NumLogicalDrives", Translate("Configured logical drives"),
                      StringPrintf("%d", IdentifyByte(controller::kLogicalDrives)));
  if (const std::uint8_t total = IdentifyByte(controller::kTotalMemory); total != 0)
    element.AddProperty("TotalMemory", Translate("Total Memory Size"), Megabytes(total));
  if (const std::uint8_t installed = IdentifyByte(controller::kInstalledMemory); installed != 0)
    element.AddProperty("InstalledMemory", Translate("Installed Memory"), Megabytes(installed));
  AddBatteryAndCacheProperties(element);
  AddBackplaneProperties(element);
  element.AddProperty("UnassignedDrives", Translate("Unassigned Drives"), JoinNames(UnassignedDisks()));
  element.AddProperty("PhysicalDrives", Translate("Physical Drives"), JoinNames(physicalDisks_));
}

void BmicDevice::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (catalogRequest) return;
  SetCaption(Translate("Array Controller") + StringPrintf(" %d", Slot()));
  element.SetAttribute("caption", Caption());
  element.SetAttribute("description", Description());
  if (pciFunction_ >= 0) {
    // The bus and device let discovery drop the plain SCSI controller of the same port.
    element.SetAttribute("bus", std::to_string(pciBus_));
    element.SetAttribute("device", std::to_string(pciDevice_));
  }
  AddControllerProperties(element);
  for (const auto& array : arrays_) element.AddChild(array->Describe());
  if (!IsFactory()) return;
  std::vector<std::string_view> tests = {"RaidScsiTest", "LocalNvramHeaderTest"};
  if (UnassignedDisks().size() >= 2) tests.push_back("FaultToleranceTest");
  OfferTests(element, tests);
}

}  // namespace rb
