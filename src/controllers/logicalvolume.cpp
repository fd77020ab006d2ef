#include "controllers/logicalvolume.h"

#include <array>
#include <cstdio>

#include "controllers/arraylayouts.h"
#include "controllers/bmicdevice.h"
#include "framework/ptstream.h"
#include "support/oruerror.h"

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

}  // namespace rb
