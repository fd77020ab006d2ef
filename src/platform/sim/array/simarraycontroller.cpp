#include "platform/sim/array/simarraycontroller.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "controllers/arrayboards.h"
#include "controllers/arraylayouts.h"
#include "platform/sim/array/simbackplaneprocessor.h"
#include "platform/sim/array/simnvramimage.h"
#include "platform/sim/array/simvolumecreation.h"
#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace layout = rb::arraylayout;
namespace boards = rb::arrayboards;

namespace {

void PutText(std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t width,
             const std::string& text) {
  std::memcpy(bytes.data() + offset, text.data(), std::min(width, text.size()));
}

std::uint8_t OptionalByte(const SimMachine& machine, const rb::XmlObject& element, std::string_view name,
                          std::uint64_t fallback, std::uint64_t max = 255) {
  return static_cast<std::uint8_t>(element.FindAttribute(name) ? machine.Number(element, name, max)
                                                               : fallback);
}

std::string ModelOf(std::uint32_t board) {
  for (const boards::Board& known :
       {boards::kStorageBox1, boards::kStorageBox2, boards::kThreeTestStorageBox, boards::kStorageBox4,
        boards::kStorageBox5, boards::kReducedMemory1, boards::kReducedMemory2, boards::kPlainSas,
        boards::kMemoryCheckedLegacy, boards::kLegacyBmic, boards::kOtherCiss})
    if (known.id == board) return std::string(known.model);
  return "RB Array Controller";
}

std::uint8_t BatteryStatus(const SimMachine& machine, const rb::XmlObject& element) {
  const std::string status = element.GetAttribute("status", "ok");
  const char* names[] = {"ok", "charging", "failed", "missing"};
  for (std::uint8_t i = 0; i < 4; ++i)
    if (rb::EqualsNoCase(status, names[i])) return i;
  machine.Reject("<battery> status '" + status + "' is none of ok, charging, failed, missing");
}

// Copies a reply into the caller's buffer, as much as fits.
void Reply(const std::vector<std::uint8_t>& reply, std::uint8_t* data, std::size_t length) {
  std::memcpy(data, reply.data(), std::min(length, reply.size()));
}

// WRITE(6), (10), (12) and (16) end in 0Ah; then WRITE AND VERIFY(10), (16) and (12).
bool IsWrite(std::uint8_t opcode) {
  return (opcode & 0x1F) == 0x0A || opcode == 0x2E || opcode == 0x8E || opcode == 0xAE;
}

void MarkDrive(std::vector<std::uint8_t>& bytes, std::size_t map, const SimArrayDisk& disk) {
  if (disk.Bus() >= layout::kDriveMapBuses || disk.Target() >= layout::kDriveMapTargets) return;
  layout::MarkInDriveMap(bytes.data() + map, disk.Bus(), disk.Target());
}

}  // namespace

SimArrayController::SimArrayController(const SimMachine& machine, const rb::XmlObject& port,
                                       std::shared_ptr<SimClock> clock, const std::optional<PciFunction>& pci)
    : ciss_(rb::EqualsNoCase(port.GetAttribute("array"), "ciss")),
      clock_(std::move(clock)),
      pci_(pci),
      board_(port.FindAttribute("board")
                 ? static_cast<std::uint32_t>(machine.Number(port, "board", 0xFFFFFFFF))
                 : (ciss_ ? boards::kOtherCiss.id : boards::kLegacyBmic.id)),
      model_(port.GetAttribute("model", ModelOf(board_))),
      firmware_(port.GetAttribute("firmware", "1.00")),
      serial_(port.GetAttribute("serial", rb::StringPrintf("SIMARRAY%08X", board_))),
      slot_(OptionalByte(machine, port, "slot", 0, 127)),
      totalMemory_(OptionalByte(machine, port, "totalMemory", 64)),
      installedMemory_(OptionalByte(machine, port, "installedMemory", 64)),
      cacheMb_(static_cast<std::uint16_t>(
          port.FindAttribute("cache") ? machine.Number(port, "cache", ciss_ ? 65535 : 63) : 32)),
      targetsPerBus_(OptionalByte(machine, port, "targetsPerBus", 16, layout::kDriveMapTargets)),
      presenceMaps_(port.GetAttribute("presenceMaps", "1") == "1"),
      lunAddressing_(OptionalByte(machine, port, "lunAddressing", 0, 3)),
      rebuildRate_(port.FindAttribute("rebuildRate") ? machine.Number(port, "rebuildRate", 1ull << 40)
                                                     : 65536),
      diagnostics_(clock_) {
  if (!rb::EqualsNoCase(port.GetAttribute("array"), "bmic") && !ciss_)
    machine.Reject("<port> array must be bmic or ciss");
  if (port.GetAttribute("csmi") == "1") machine.Reject("<port> cannot be both a CSMI adapter and an array");
  if (lunAddressing_ != 0 && lunAddressing_ != 3) machine.Reject("<port> lunAddressing must be 0 or 3");
  for (const rb::XmlObject& child : port.Children()) {
    const std::string& name = child.Name();
    if (rb::EqualsNoCase(name, "drive")) {
      auto disk = std::make_unique<SimArrayDisk>(machine, child, clock_);
      if (FindDisk(disk->Bus(), disk->Target()) != nullptr)
        machine.Reject(rb::StringPrintf("two drives at bus %u target %u", disk->Bus(), disk->Target()));
      disks_.push_back(std::move(disk));
    } else if (rb::EqualsNoCase(name, "battery")) {
      if (batteries_.size() == layout::controllerinfo::kMaxBatteries)
        machine.Reject("more than four <battery>");
      batteries_.push_back(BatteryStatus(machine, child));
    } else if (rb::EqualsNoCase(name, "backplane")) {
      rb::XmlObject unit = child;
      unit.SetAttribute("path", std::to_string(machine.Number(child, "bus", 7)));
      backplanes_.push_back({static_cast<std::uint8_t>(machine.Number(child, "bus", 7)),
                             static_cast<std::uint8_t>(machine.Number(child, "target", 255)),
                             std::make_unique<SimBackplaneProcessor>(machine, unit, clock_)});
    } else if (rb::EqualsNoCase(name, "nvram")) {
      const auto address = static_cast<std::uint8_t>(machine.Number(child, "address", 255));
      nvram_.emplace_back(address, SimNvramImage(machine, child));
    } else if (rb::EqualsNoCase(name, "sesEnclosure")) {
      enclosures_.push_back(std::make_unique<SimSesEnclosure>(machine, child, 0x100 + enclosures_.size()));
    } else if (rb::EqualsNoCase(name, "external")) {
      externals_.Add(machine, child, clock_);
    } else if (rb::EqualsNoCase(name, "vendorInfo")) {
      vendorInfo_.emplace(machine, child);
    } else if (rb::EqualsNoCase(name, "signals")) {
      signals_.Read(machine, child);
    } else if (rb::EqualsNoCase(name, "diagnostic")) {
      diagnostics_.Declare(machine, child);
    } else if (rb::EqualsNoCase(name, "cissFault")) {
      CissFault fault{static_cast<std::uint16_t>(machine.Number(child, "status", 0xFFFF)), std::nullopt,
                      OptionalByte(machine, child, "field", 0), OptionalByte(machine, child, "size", 0)};
      if (child.FindAttribute("opcode")) fault.opcode = OptionalByte(machine, child, "opcode", 0);
      cissFaults_.push_back(fault);
    }
  }
  // Volumes after every drive, each after those before it on the same drives.
  for (const rb::XmlObject* element : port.GetChildren("volume")) {
    std::vector<SimArrayDisk*> members;
    std::istringstream words(element->GetAttribute("members"));
    std::string word;
    while (words >> word) {
      unsigned bus = 0, target = 0;
      char colon = 0;
      std::istringstream pair(word);
      SimArrayDisk* disk = nullptr;
      if (pair >> bus >> colon >> target && colon == ':' && bus < 256 && target < 256)
        disk = FindDisk(static_cast<std::uint8_t>(bus), static_cast<std::uint8_t>(target));
      if (disk == nullptr) machine.Reject("<volume> member '" + word + "' is no <drive> of the port");
      if (std::find(members.begin(), members.end(), disk) != members.end())
        machine.Reject("<volume> names member '" + word + "' twice");
      members.push_back(disk);
    }
    if (members.empty()) machine.Reject("<volume> has no members");
    std::uint64_t offset = 0;
    for (const auto& volume : volumes_)
      for (SimArrayDisk* disk : members)
        if (volume->Uses(*disk)) offset = std::max(offset, volume->Offset() + volume->MemberBlocks());
    volumes_.push_back(std::make_unique<SimRaidVolume>(machine, *element, std::move(members), offset));
  }
}

std::uint8_t SimArrayController::Class() const {
  return ciss_ ? layout::kClassCiss : layout::kClassBmic;
}

SimArrayDisk* SimArrayController::FindDisk(std::uint8_t bus, std::uint8_t target) const {
  for (const auto& disk : disks_)
    if (disk->Bus() == bus && disk->Target() == target) return disk.get();
  return nullptr;
}

SimArrayDisk* SimArrayController::DiskNamedBy(std::uint32_t parameter) const {
  const bool storageArray = layout::IsStorageArrayProduct(model_);
  // Only the byte that carries the drive number counts; the parameter's other bits are free.
  const std::uint32_t numberByte = storageArray ? 0xFF00u : 0xFFu;
  for (const auto& disk : disks_)
    if (layout::PhysicalDriveParameter(disk->Bus(), disk->Target(), targetsPerBus_, storageArray) ==
        (parameter & numberByte))
      return disk.get();
  return nullptr;
}

bool SimArrayController::Execute(std::uint8_t bus, std::uint8_t target, SimScsiCommand& command) {
  if (SimArrayDisk* disk = FindDisk(bus, target)) {
    if (!command.dataIn && command.dataLength > 0 && IsWrite(command.Opcode()) &&
        std::any_of(volumes_.begin(), volumes_.end(),
                    [&](const auto& volume) { return volume->Uses(*disk); }))
      disk->Fail();
    return disk->Unit().Execute(command) == win::ERROR_SUCCESS;
  }
  for (Backplane& backplane : backplanes_)
    if (backplane.bus == bus && backplane.target == target)
      return backplane.unit->Execute(command) == win::ERROR_SUCCESS;
  return externals_.Execute(bus, target, command);
}

std::vector<std::uint8_t>* SimArrayController::Nvram(std::uint8_t address) {
  for (auto& [at, part] : nvram_)
    if (at == address) return &part;
  return signals_.Gauge(address);
}

void SimArrayController::Advance() {
  const std::uint64_t reached = (clock_->Now() - rebuildStart_) * rebuildRate_ / 1000;
  for (const auto& disk : disks_) {
    if (!disk->Rebuilding()) continue;
    const std::uint64_t from = disk->RebuiltTo();
    const std::uint64_t to = std::min(reached, disk->Unit().Blocks());
    if (to <= from) continue;
    for (const auto& volume : volumes_) volume->Rebuild(*disk, from, to);
    disk->SetRebuiltTo(to);
  }
}

void SimArrayController::FinishReset() {
  resetPending_ = false;
  rebuildStart_ = clock_->Now();
  for (const auto& disk : disks_)
    if (disk->FailsAtReset()) disk->Fail();
  for (const auto& disk : disks_) {
    if (!disk->Failed()) continue;
    // A drive whose loss a volume cannot survive stays failed: there is nothing to rebuild it from.
    const bool rebuildable = std::none_of(volumes_.begin(), volumes_.end(), [&](const auto& volume) {
      return volume->Uses(*disk) && volume->Status() == layout::kVolumeFailed;
    });
    if (rebuildable) disk->Replace();
  }
}

std::uint8_t SimArrayController::Bmic(std::uint8_t command, std::uint8_t unit, std::uint32_t parameter,
                                      std::uint16_t count, std::uint8_t* data, std::size_t length) {
  Advance();
  namespace cmd = layout::command;
  SimRaidVolume* volume = unit < volumes_.size() ? volumes_[unit].get() : nullptr;
  switch (command) {
    case cmd::kIdentifyController:
      Reply(IdentifyController(), data, length);
      return layout::kBmicOk;
    case cmd::kIdentifyLogicalDrive:
    case cmd::kLogicalDriveQuery:
      if (volume == nullptr) return layout::kBmicInvalidUnit;
      Reply(IdentifyLogical(*volume), data, length);
      return layout::kBmicOk;
    case cmd::kLogicalDriveStatus:
      if (volume == nullptr) return layout::kBmicInvalidUnit;
      Reply(LogicalStatus(*volume), data, length);
      return layout::kBmicOk;
    case cmd::kIdentifyPhysicalDrive:
      if (const SimArrayDisk* disk = DiskNamedBy(parameter)) {
        Reply(IdentifyPhysical(*disk), data, length);
        return layout::kBmicOk;
      }
      return layout::kBmicInvalidUnit;
    case layout::drivehistory::kCommand:
    case layout::kBlinkDriveLed:
      return DriveHistory(command, unit, parameter, count, data, length);
    case cmd::kReadBlocks:
    case cmd::kWriteBlocks:
      return Transfer(command == cmd::kWriteBlocks, unit, parameter, count, data, length);
    case cmd::kResetStart:
      resetPending_ = true;
      std::memset(data, 0, length);
      return layout::kBmicOk;
    case cmd::kResetFinish:
      if (resetPending_) FinishReset();
      std::memset(data, 0, length);
      return layout::kBmicOk;
    case cmd::kDeleteLogicalDrive:
      if (volume == nullptr) return layout::kBmicInvalidUnit;
      volumes_.erase(volumes_.begin() + unit);
      return layout::kBmicOk;
    case cmd::kBusTarget:
      Reply(BusTarget(parameter), data, length);
      return layout::kBmicOk;
    case cmd::kSubsystemInfo: {
      std::vector<std::uint8_t> reply(layout::subsysteminfo::kSize);
      reply[layout::subsysteminfo::kSlot] = slot_;
      Reply(reply, data, length);
      return layout::kBmicOk;
    }
    case cmd::kControllerInfo:
      Reply(ControllerInfo(), data, length);
      return layout::kBmicOk;
    case cmd::kBackgroundDisable:
    case cmd::kBackgroundEnable:
      backgroundActive_ = command == cmd::kBackgroundEnable;
      std::memset(data, 0, length);
      return layout::kBmicOk;
    case cmd::kCreateLogicalDrive:
      return CreateSimVolume(*this, unit, data, length);
    default:
      return layout::kBmicInvalidCommand;
  }
}

std::uint8_t SimArrayController::DriveHistory(std::uint8_t command, std::uint8_t record,
                                              std::uint32_t parameter, std::uint16_t count,
                                              std::uint8_t* data, std::size_t length) {
  SimArrayDisk* disk = DiskNamedBy(parameter);
  if (disk == nullptr) return layout::kBmicInvalidUnit;
  if (command == layout::kBlinkDriveLed) {
    disk->History().Blink(count);
    return layout::kBmicOk;
  }
  const std::vector<std::uint8_t> reply = disk->History().Reply(record);
  if (reply.empty()) return layout::kBmicInvalidUnit;
  Reply(reply, data, length);
  return layout::kBmicOk;
}

std::uint8_t SimArrayController::Transfer(bool write, std::uint8_t unit, std::uint32_t first,
                                          std::uint16_t count, std::uint8_t* data, std::size_t length) {
  if (unit >= volumes_.size()) return layout::kBmicInvalidUnit;
  SimRaidVolume& volume = *volumes_[unit];
  if (static_cast<std::size_t>(count) * volume.BlockSize() > length) return layout::kBmicBadLength;
  if (!write) std::memset(data, 0, static_cast<std::size_t>(count) * volume.BlockSize());
  const bool done = write ? volume.Write(first, count, data) : volume.Read(first, count, data);
  return done ? layout::kBmicOk : layout::kBmicDriveFailed;
}

std::vector<std::uint8_t> SimArrayController::IdentifyController() const {
  namespace ic = layout::identifycontroller;
  std::vector<std::uint8_t> reply(ic::kSize);
  reply[ic::kLogicalDrives] = static_cast<std::uint8_t>(volumes_.size());
  PutText(reply, ic::kFirmware, ic::kFirmwareSize, firmware_);
  layout::Put32(reply.data(), ic::kBoardId, board_);
  reply[ic::kFlags] = presenceMaps_ ? ic::kFlagPresenceMaps : 0;
  reply[ic::kTargetsPerBus] = targetsPerBus_;
  std::uint8_t buses = 0;
  for (const auto& disk : disks_) buses = std::max<std::uint8_t>(buses, disk->Bus() + 1);
  reply[ic::kBusCount] = buses;
  PutText(reply, ic::kProductName, ic::kProductNameSize, model_);
  PutText(reply, ic::kSerialNumber, ic::kSerialNumberSize, serial_);
  reply[ic::kInstalledMemory] = installedMemory_;
  reply[ic::kTotalMemory] = totalMemory_;
  if (presenceMaps_)
    for (const auto& disk : disks_) MarkDrive(reply, ic::kPresenceMap, *disk);
  return reply;
}

std::vector<std::uint8_t> SimArrayController::IdentifyLogical(const SimRaidVolume& volume) const {
  namespace il = layout::identifylogical;
  std::vector<std::uint8_t> reply(il::kSize);
  layout::Put16(reply.data(), il::kBlockSize, static_cast<std::uint16_t>(volume.BlockSize()));
  layout::Put32(reply.data(), il::kBlockCount,
                static_cast<std::uint32_t>(std::min<std::uint64_t>(volume.Blocks(), UINT32_MAX)));
  reply[il::kFaultTolerance] = volume.FaultTolerance();
  reply[il::kArrayNumber] = volume.ArrayNumber();
  layout::Put16(reply.data(), il::kStripeBlocks, volume.StripeBlocks());
  for (const SimArrayDisk* disk : volume.Members()) MarkDrive(reply, il::kMemberMap, *disk);
  return reply;
}

std::vector<std::uint8_t> SimArrayController::LogicalStatus(const SimRaidVolume& volume) const {
  namespace ls = layout::logicalstatus;
  std::vector<std::uint8_t> reply(ls::kSize);
  reply[ls::kStatus] = volume.Status();
  // Between the two steps of a reset the controller is about to rebuild what the volume has lost.
  if (resetPending_ && reply[ls::kStatus] == layout::kVolumeInterimRecovery)
    reply[ls::kStatus] = layout::kVolumeReadyForRecovery;
  layout::Put32(reply.data(), ls::kBlocksToRecover,
                static_cast<std::uint32_t>(std::min<std::uint64_t>(volume.BlocksToRecover(), UINT32_MAX)));
  for (const SimArrayDisk* disk : volume.Members())
    if (disk->Failed()) MarkDrive(reply, ls::kFailedMap, *disk);
  return reply;
}

std::vector<std::uint8_t> SimArrayController::IdentifyPhysical(const SimArrayDisk& disk) const {
  namespace ip = layout::identifyphysical;
  std::vector<std::uint8_t> reply(ip::kSize);
  const SimSbcDisk& unit = disk.Unit();
  reply[ip::kPresent] = 1;
  reply[ip::kBus] = disk.Bus();
  reply[ip::kTarget] = disk.Target();
  PutText(reply, ip::kModel, ip::kModelSize, unit.Vendor() + " " + unit.Product());
  PutText(reply, ip::kSerialNumber, ip::kSerialNumberSize, unit.Serial());
  PutText(reply, ip::kFirmware, ip::kFirmwareSize, unit.Revision());
  reply[ip::kOlderRates] = static_cast<std::uint8_t>(disk.Rates() >> 8);
  reply[ip::kNewerRates] = static_cast<std::uint8_t>(disk.Rates());
  layout::Put32(reply.data(), ip::kBlockCount,
                static_cast<std::uint32_t>(std::min<std::uint64_t>(unit.Blocks(), UINT32_MAX)));
  layout::Put16(reply.data(), ip::kBlockSize, static_cast<std::uint16_t>(unit.BlockSize()));
  reply[ip::kDriveType] = disk.Kind();
  reply[ip::kLinkRate] = disk.LinkRate();
  reply[ip::kFailed] = disk.Failed() ? 1 : 0;
  reply[ip::kAmberLight] = disk.History().AmberLight() ? 1 : 0;
  disk.History().PutCounters(reply);
  if (layout::IsStorageArrayProduct(model_)) disk.History().PutStorageArrayCounters(reply, !disk.Failed());
  return reply;
}

std::vector<std::uint8_t> SimArrayController::ControllerInfo() const {
  namespace ci = layout::controllerinfo;
  std::vector<std::uint8_t> reply(ci::kSize);
  // A BMIC controller counts its cache in kilobytes, a CISS controller in megabytes.
  layout::Put16(reply.data(), ci::kUsableCache,
                static_cast<std::uint16_t>(ciss_ ? cacheMb_ : cacheMb_ * 1024));
  reply[ci::kBatteryCount] = static_cast<std::uint8_t>(batteries_.size());
  std::copy(batteries_.begin(), batteries_.end(), reply.begin() + ci::kBatteryStatus);
  return reply;
}

std::vector<std::uint8_t> SimArrayController::BusTarget(std::uint32_t parameter) const {
  namespace bt = layout::bustarget;
  std::vector<std::uint8_t> reply(bt::kSize);
  const std::uint8_t bus = static_cast<std::uint8_t>(parameter);
  const std::uint8_t target = static_cast<std::uint8_t>(parameter >> 8);
  for (const Backplane& backplane : backplanes_) {
    if (backplane.bus != bus || backplane.target != target) continue;
    PutText(reply, bt::kVendor, bt::kVendorSize, backplane.unit->Vendor());
    PutText(reply, bt::kModel, bt::kModelSize, backplane.unit->Product());
    PutText(reply, bt::kRevision, bt::kRevisionSize, backplane.unit->Revision());
    reply[bt::kPresent] = 1;
  }
  return reply;
}

}  // namespace os
