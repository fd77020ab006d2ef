#include "controllers/logicalvolume.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "controllers/arraylayouts.h"
#include "controllers/bmicdevice.h"
#include "devices/diskwritehold.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {

namespace {

constexpr std::array<const char*, 13> kStatusTexts = {"OK",
                                                      "Failed",
                                                      "NOT CONFIGURED",
                                                      "INTERIM RECOVERY",
                                                      "READY FOR RECOVERY",
                                                      "RECOVERY IN PROGRESS",
                                                      "WRONG DRIVE REPLACED",
                                                      "MISSING DRIVE",
                                                      "OVERHEATING",
                                                      "OVERHEATED",
                                                      "EXPANSION IN PROGRESS",
                                                      "NOT YET AVAILABLE",
                                                      "QUEUED FOR EXPANSION"};

constexpr std::array<const char*, 6> kFaultToleranceTexts = {"RAID 0", "RAID 4",   "RAID 1",
                                                             "RAID 5", "RAID 5+1", "KVX RAID"};

std::string VolumeName(const BmicDevice& controller, std::uint8_t logicalDrive) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "v%x", logicalDrive);
  return controller.Name() + suffix;
}

}  // namespace

LogicalVolume::LogicalVolume(BmicDevice& controller, std::uint8_t logicalDrive, std::uint32_t volumeId)
    : LogicalVolume(controller, logicalDrive, volumeId, {}, VolumeName(controller, logicalDrive)) {}

LogicalVolume::LogicalVolume(BmicDevice& controller, std::uint8_t logicalDrive, std::uint32_t volumeId,
                             const std::array<std::uint8_t, 8>& lunAddress, std::string name)
    : ScsiDisk(std::move(name), true, nullptr, 0, logicalDrive, 0),
      controller_(&controller),
      logicalDrive_(logicalDrive),
      volumeId_(volumeId),
      lunAddress_(lunAddress) {
  SetParentAdapter(&controller);
}

LogicalVolume::LogicalVolume() = default;

void LogicalVolume::Stream(ptstream& stream, bool writing, std::int32_t version) {
  ScsiDisk::Stream(stream, writing, version);
  stream.TransferLink(controller_);
  stream.Transfer(logicalDrive_);
  stream.Transfer(volumeId_);
  stream.TransferBytes(lunAddress_.data(), lunAddress_.size());
  stream.Transfer(devicePath_);
  if (!writing) SetParentAdapter(controller_);
}

void LogicalVolume::Assign(const Persistent& other) {
  ScsiDisk::Assign(other);
  const auto* volume = dynamic_cast<const LogicalVolume*>(&other);
  if (volume == nullptr) return;
  controller_ = volume->controller_;
  logicalDrive_ = volume->logicalDrive_;
  volumeId_ = volume->volumeId_;
  lunAddress_ = volume->lunAddress_;
  devicePath_ = volume->devicePath_;
  identify_ = volume->identify_;
  query_ = volume->query_;
  status_ = volume->status_;
}

void LogicalVolume::Refresh() {
  if (controller_ == nullptr) return;
  namespace layout = arraylayout;
  auto read = [this](std::uint8_t command, std::size_t size) {
    std::vector<std::uint8_t> reply(size);
    controller_->SendBmicCommand(command, reply.data(), static_cast<std::uint32_t>(size), 0, 1, logicalDrive_,
                                 kDataIn);
    return reply;
  };
  identify_ = read(layout::command::kIdentifyLogicalDrive, layout::identifylogical::kSize);
  query_ = read(layout::command::kLogicalDriveQuery, 512);
  status_ = read(layout::command::kLogicalDriveStatus, layout::logicalstatus::kSize);
}

std::uint8_t LogicalVolume::StatusCode() const {
  return status_.empty() ? 0 : status_[arraylayout::logicalstatus::kStatus];
}

const char* LogicalVolume::StatusText(std::uint8_t code) {
  return code < kStatusTexts.size() ? kStatusTexts[code] : "INVALID STATUS";
}

std::uint8_t LogicalVolume::FaultTolerance() const {
  const std::size_t offset = arraylayout::identifylogical::kFaultTolerance;
  return offset < identify_.size() ? identify_[offset] : 0xFF;
}

const char* LogicalVolume::FaultToleranceText(std::uint8_t value) {
  return value < kFaultToleranceTexts.size() ? kFaultToleranceTexts[value] : "Unknown";
}

void LogicalVolume::RefreshOnce() {
  if (identify_.empty()) Refresh();
}

std::string LogicalVolume::DisplayNameText() {
  const std::int32_t slot = controller_ != nullptr ? controller_->Slot() : 0;
  const std::string kind = Translate(IsExternal() ? "External Logical Volume" : "Logical Volume");
  std::string text = StringPrintf("%s %u, %s %s %d", kind.c_str(), logicalDrive_ + 1u,
                                  Translate("Controller").c_str(), Translate("Slot").c_str(), slot);
  if (IsExternal()) {
    std::int32_t bus = 0, device = 0, function = 0;
    if (controller_ != nullptr) controller_->PciLocation(bus, device, function);
    text += StringPrintf(" %s %d", Translate("Bus").c_str(), bus);
  }
  return text;
}

std::uint64_t LogicalVolume::BlockCount() {
  RefreshOnce();
  return arraylayout::Get32(identify_.data(), arraylayout::identifylogical::kBlockCount);
}

std::uint64_t LogicalVolume::LastBlockAddress() {
  const std::uint64_t count = BlockCount();
  return count != 0 ? count - 1 : 0;
}

std::uint32_t LogicalVolume::BlockSize() {
  RefreshOnce();
  const std::uint16_t size = arraylayout::Get16(identify_.data(), arraylayout::identifylogical::kBlockSize);
  return size != 0 ? size : 512;
}

bool LogicalVolume::TransfersThroughBmic() const {
  return controller_ != nullptr && controller_->StreamableName() == BmicDevice::kStreamableName;
}

void LogicalVolume::Access(int mode, std::uint64_t address, std::uint32_t count, void* buffer) {
  if (!TransfersThroughBmic()) {
    ScsiDisk::Access(mode, address, count, buffer);
    return;
  }
  hardErrors_ = 0;
  softErrors_ = 0;
  if (mode != kRead && mode != kWrite && mode != kVerify)
    throw OruError("Invalid parameter list", Name() + ": Invalid Access Mode" + StringPrintf(": %d", mode));
  std::unique_ptr<DiskWriteHold> hold;
  if (mode == kWrite) hold = HoldForWriting();
  const std::uint32_t length = count * BlockSize();
  // A verify reads into a scratch buffer: the controller has no verify of its own.
  std::vector<std::uint8_t> scratch;
  if (mode == kVerify) {
    scratch.resize(length);
    buffer = scratch.data();
  }
  if (mode != kWrite) std::memset(buffer, 0, length);
  try {
    // The controller's block count is 16 bits: longer transfers go in pieces.
    std::uint32_t done = 0;
    while (done < count) {
      const std::uint32_t piece = std::min<std::uint32_t>(count - done, 0xFFFF);
      controller_->SendBmicCommand(
          mode == kWrite ? arraylayout::command::kWriteBlocks : arraylayout::command::kReadBlocks,
          static_cast<std::uint8_t*>(buffer) + std::size_t{done} * BlockSize(), piece * BlockSize(),
          static_cast<std::uint32_t>(address + done), static_cast<std::uint16_t>(piece), logicalDrive_,
          mode == kWrite ? kDataOut : kDataIn);
      done += piece;
    }
  } catch (const OruError&) {
    ++hardErrors_;
    throw;
  }
}

std::unique_ptr<DiskWriteHold> LogicalVolume::HoldForWriting() {
  // Nothing is written under the system's file systems: the volume is taken at the system's path when
  // one is known, else as the disk the system shows at the controller's port with the volume's address.
  if (!devicePath_.empty() || controller_ == nullptr)
    return std::make_unique<DiskWriteHold>(devicePath_, OsAddress());
  const ArrayPortDriver& port = controller_->PortDriver();
  win::ScsiAddress address = OsAddress();
  address.PortNumber = static_cast<std::uint8_t>(port.PortNumber());
  return std::make_unique<DiskWriteHold>(port.Path(), address);
}

void LogicalVolume::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    Refresh();
    const std::string caption = DisplayNameText();
    SetCaption(caption);
    SetDescription(Translate(IsExternal() ? "External Logical Volume" : "Logical Volume"));
    SetElementClass("logicalVolume");
    element.SetAttribute("class", ElementClass());
    element.SetAttribute("caption", caption);
    element.SetAttribute("description", Description());
    element.AddProperty("Storage", Translate("Storage"), Translate("Hard Drive(s)"));
    element.AddProperty("StatusCode", Translate("Status Code"), StringPrintf("%d", StatusCode()));
    element.AddProperty("StatusDescription", Translate("Status Description"),
                        Translate(StatusText(StatusCode())));
    element.AddProperty("capacity", Translate("Capacity"), rb::CapacityText(BlockSize(), BlockCount()));
    element.AddProperty("DevicePath", Translate("Device Path"),
                        devicePath_.empty() ? Translate("Not available") : devicePath_);
    element.AddProperty("VolumeID", Translate("Volume ID"), StringPrintf("%08xh", volumeId_));
    element.AddProperty("FaultTolerance", Translate("Fault Tolerance"),
                        Translate(FaultToleranceText(FaultTolerance())));
    if (controller_ != nullptr)
      element.AddProperty("ScsiController", Translate("Controller"), controller_->DisplayName());
  }
  OfferTests(element, {"SeqReadTest", "RandReadTest", "BflyReadTest", "SeqRwrcTest", "RandRwrcTest"});
}

}  // namespace rb
