#include "devices/scsi/scsiblockdevice.h"

#include <memory>

#include "devices/diskwritehold.h"
#include "devices/scsi/scsidriver.h"
#include "devices/scsi/scsisense.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

ScsiBlockDevice::ScsiBlockDevice(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path,
                                 std::uint8_t target, std::uint8_t lun)
    : ScsiDevice(std::move(name), makeUnique, driver, path, target, lun), BlockDevice(this) {}

ScsiBlockDevice::ScsiBlockDevice() : BlockDevice(this) {}

void ScsiBlockDevice::Stream(ptstream& stream, bool writing, std::int32_t version) {
  ScsiDevice::Stream(stream, writing, version);
  StreamBlockState(stream);
}

void ScsiBlockDevice::Assign(const Persistent& other) {
  ScsiDevice::Assign(other);
  if (const auto* device = dynamic_cast<const ScsiBlockDevice*>(&other)) CopyBlockState(*device);
}

bool ReadScsiCapacity(ScsiDevice& device, std::uint64_t& lastBlock, std::uint32_t& blockSize) {
  ScsiCapacity capacity;
  if (device.ReadCapacity(capacity) != kScsiGood) return false;
  if (capacity.lastBlock != 0xFFFFFFFFu) {
    lastBlock = capacity.lastBlock;
    blockSize = capacity.blockLength;
    return true;
  }
  ScsiCapacity16 large;
  if (device.ReadCapacity16(large) != kScsiGood) return false;
  lastBlock = large.lastBlock;
  blockSize = large.blockLength;
  return true;
}

void ScsiBlockDevice::ReadCapacityOnce() {
  if (lastBlock_ == 0) ReadScsiCapacity(*this, lastBlock_, blockSize_);
}

std::uint64_t ScsiBlockDevice::LastBlockAddress() {
  ReadCapacityOnce();
  return lastBlock_;
}

std::uint32_t ScsiBlockDevice::BlockSize() {
  ReadCapacityOnce();
  return blockSize_;
}

void ScsiBlockDevice::Access(int mode, std::uint64_t address, std::uint32_t count, void* buffer) {
  hardErrors_ = 0;
  softErrors_ = 0;
  if (mode != kRead && mode != kWrite && mode != kVerify)
    throw OruError("Invalid parameter list",
                   Name() + ": " + "Invalid Access Mode" + StringPrintf(": %d", mode));
  // The 10-byte commands reach the first 2^32 blocks, 65,535 at a time.
  const bool wide = address + count > 0xFFFFFFFFull || count > 0xFFFF;
  std::unique_ptr<DiskWriteHold> hold;
  if (mode == kWrite) hold = HoldForWriting();
  try {
    const std::uint32_t length = mode == kVerify ? 0 : count * BlockSize();
    std::uint8_t status = kScsiGood;
    if (wide) {
      static constexpr std::uint8_t kOpcodes[] = {0x88, 0x8A, 0x8F};
      const int direction = mode == kRead ? kDataIn : mode == kWrite ? kDataOut : kNoData;
      status =
          ReadWrite16(kOpcodes[mode], address, count, mode == kVerify ? nullptr : buffer, length, direction);
    } else if (mode == kRead) {
      status = ReadBlocks(static_cast<std::uint32_t>(address), static_cast<std::uint16_t>(count), BlockSize(),
                          buffer);
    } else if (mode == kWrite) {
      status = WriteBlocks(static_cast<std::uint32_t>(address), static_cast<std::uint16_t>(count),
                           BlockSize(), buffer);
    } else {
      status = VerifyBlocks(static_cast<std::uint32_t>(address), static_cast<std::uint16_t>(count));
    }
    if (status != kScsiGood) CheckAccessStatus(mode, address);
  } catch (const OruError&) {
    ++hardErrors_;
    throw;
  }
}

void ScsiBlockDevice::CheckAccessStatus(int mode, std::uint64_t address) {
  const ScsiCommandRecord& record = Record();
  // The device corrected the error itself: the data moved, and the error counts as a soft one.
  if (record.status == kScsiCheckCondition &&
      SenseKey(record.sense.data(), record.sense.size()) == kSenseRecoveredError) {
    ++softErrors_;
    return;
  }
  static constexpr const char* kFailures[] = {"Could not read block", "Could not write block",
                                              "Could not verify block"};
  throw OruError(kFailures[mode], Name() + ": " + LastStatusText() +
                                      StringPrintf(" [LBA=%llu]", static_cast<unsigned long long>(address)));
}

std::shared_ptr<void> ScsiBlockDevice::KeepOpen() {
  if (Driver() == nullptr || RoutesThroughCsmi()) return nullptr;
  return Driver()->KeepOpen();
}

std::unique_ptr<DiskWriteHold> ScsiBlockDevice::HoldForWriting() {
  return std::make_unique<DiskWriteHold>(Driver() != nullptr ? Driver()->Path() : std::string(), OsAddress());
}

std::string CapacityText(std::uint32_t blockSize, std::uint64_t lastBlock) {
  const float size = static_cast<float>(blockSize) * static_cast<float>(lastBlock) / 1e9f;
  if (size >= 1.0f) return StringPrintf("%.1f %s", size, Translate("Gbytes").c_str());
  if (size > 0.0f) return StringPrintf("%.0f %s", size * 1000.0f, Translate("Mbytes").c_str());
  return Translate("Not available");
}

std::string ScsiBlockDevice::CapacityText() {
  return rb::CapacityText(BlockSize(), LastBlockAddress());
}

void ScsiBlockDevice::DescribeCapacity(XmlObject& element, bool catalogRequest) {
  if (catalogRequest) return;
  element.AddProperty("capacity", Translate("Capacity"), CapacityText());
}

}  // namespace rb
