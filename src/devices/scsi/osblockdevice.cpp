#include "devices/scsi/osblockdevice.h"

#include <memory>
#include <vector>

#include "devices/diskwritehold.h"
#include "devices/scsi/scsiblockdevice.h"
#include "devices/scsi/scsidriver.h"
#include "framework/ptstream.h"
#include "platform/os.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

OsBlockDevice::OsBlockDevice(std::string name, bool makeUnique, std::string devicePath, std::uint32_t port,
                             std::uint8_t path, std::uint8_t target, std::uint8_t lun)
    : ScsiDevice(std::move(name), makeUnique, nullptr, path, target, lun),
      BlockDevice(this),
      devicePath_(std::move(devicePath)),
      port_(port) {
  OwnDriver(std::make_unique<ScsiDriver>(devicePath_));
}

OsBlockDevice::OsBlockDevice() : BlockDevice(this) {}

void OsBlockDevice::Stream(ptstream& stream, bool writing, std::int32_t version) {
  ScsiDevice::Stream(stream, writing, version);
  StreamBlockState(stream);
  stream.Transfer(devicePath_);
  stream.Transfer(port_);
}

void OsBlockDevice::Assign(const Persistent& other) {
  ScsiDevice::Assign(other);
  const auto* device = dynamic_cast<const OsBlockDevice*>(&other);
  if (device == nullptr) return;
  CopyBlockState(*device);
  devicePath_ = device->devicePath_;
  port_ = device->port_;
}

std::string OsBlockDevice::AddressText() const {
  return StringPrintf("%u.%u.%u.%u", port_, Record().path, Record().target, Record().lun);
}

void OsBlockDevice::ReadCapacityOnce() {
  if (lastBlock_ != 0) return;
  try {
    ReadScsiCapacity(*this, lastBlock_, blockSize_);
  } catch (const OruError&) {
    // An empty or unreachable drive has no capacity yet.
  }
}

std::uint64_t OsBlockDevice::LastBlockAddress() {
  ReadCapacityOnce();
  return lastBlock_;
}

std::uint32_t OsBlockDevice::BlockSize() {
  ReadCapacityOnce();
  return blockSize_;
}

std::string OsBlockDevice::CapacityText() {
  return rb::CapacityText(BlockSize(), LastBlockAddress());
}

std::unique_ptr<DiskWriteHold> OsBlockDevice::HoldForWriting() {
  return std::make_unique<DiskWriteHold>(devicePath_, OsAddress());
}

void OsBlockDevice::Access(int mode, std::uint64_t address, std::uint32_t count, void* buffer) {
  hardErrors_ = 0;
  softErrors_ = 0;
  if (mode != kRead && mode != kWrite && mode != kVerify)
    throw OruError("Invalid parameter list",
                   Name() + ": " + "Invalid Access Mode" + StringPrintf(": %d", mode));
  os::Platform& system = os::Current();
  const std::uint64_t length = std::uint64_t{count} * BlockSize();
  std::unique_ptr<DiskWriteHold> hold;
  if (mode == kWrite) hold = HoldForWriting();
  const win::DWORD access = mode == kWrite ? win::GENERIC_READ | win::GENERIC_WRITE : win::GENERIC_READ;
  const win::HANDLE handle =
      system.CreateFile(devicePath_, access, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING,
                        win::FILE_ATTRIBUTE_NORMAL);
  auto fail = [&](win::DWORD error) {
    ++hardErrors_;
    throw OruError("Device access failed", devicePath_ + ": " + ScsiDriver::SystemErrorText(error));
  };
  if (handle == win::INVALID_HANDLE_VALUE) fail(system.GetLastError());
  std::vector<std::uint8_t> scratch;
  void* data = buffer;
  if (mode == kVerify) {
    scratch.resize(static_cast<std::size_t>(length));
    data = scratch.data();
  }
  win::DWORD moved = 0;
  bool done =
      length <= 0xFFFFFFFFu && system.SetFilePointer(handle, static_cast<std::int64_t>(address * BlockSize()),
                                                     nullptr, win::FILE_BEGIN);
  if (done) {
    done = mode == kWrite ? system.WriteFile(handle, data, static_cast<win::DWORD>(length), &moved)
                          : system.ReadFile(handle, data, static_cast<win::DWORD>(length), &moved);
    done = done && moved == length;
  }
  const win::DWORD error = done ? win::ERROR_SUCCESS : system.GetLastError();
  system.CloseHandle(handle);
  if (!done) fail(error == win::ERROR_SUCCESS ? win::ERROR_HANDLE_EOF : error);
}

}  // namespace rb
