#include "devices/ata/ideblockdevice.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "devices/ata/atarequests.h"
#include "devices/diskwritehold.h"
#include "framework/ptstream.h"
#include "platform/os.h"
#include "support/alignedbuffer.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

namespace {

AlignedBuffer PageAligned(std::size_t size) {
  return AlignedBuffer((size + AlignedBuffer::kPage - 1) / AlignedBuffer::kPage * AlignedBuffer::kPage);
}

}  // namespace

IdeBlockDevice::IdeBlockDevice(std::string name, bool makeUnique, std::string devicePath)
    : IdeDevice(std::move(name), makeUnique, std::move(devicePath)), BlockDevice(this) {}

IdeBlockDevice::IdeBlockDevice() : BlockDevice(this) {}

bool IdeBlockDevice::ReadExtentOnce() {
  if (blockSize_ != 0) return true;
  if (!RemovableMedium()) {
    const AtaIdentify& identify = Identify();
    if (!identify.Present() || identify.Sectors() == 0) return false;
    blockSize_ = identify.SectorBytes();
    lastBlock_ = identify.Sectors() - 1;
    return true;
  }
  win::DiskGeometry geometry;
  if (!ata::DriveGeometry(DevicePath(), &geometry) || geometry.BytesPerSector == 0) return false;
  const std::uint64_t blocks =
      static_cast<std::uint64_t>(geometry.Cylinders) * geometry.TracksPerCylinder * geometry.SectorsPerTrack;
  if (blocks == 0) return false;
  blockSize_ = geometry.BytesPerSector;
  lastBlock_ = blocks - 1;
  return true;
}

std::uint64_t IdeBlockDevice::LastBlockAddress() {
  ReadExtentOnce();
  return lastBlock_;
}

std::uint32_t IdeBlockDevice::BlockSize() {
  ReadExtentOnce();
  return blockSize_;
}

bool IdeBlockDevice::IsReady() {
  if (RemovableMedium()) return ata::CheckVerify(DevicePath());
  return ReadExtentOnce();
}

void IdeBlockDevice::Access(int mode, std::uint64_t address, std::uint32_t count, void* buffer) {
  hardErrors_ = 0;
  softErrors_ = 0;
  if (mode != kRead && mode != kWrite && mode != kVerify)
    throw OruError("Invalid parameter list",
                   Name() + ": " + "Invalid Access Mode" + StringPrintf(": %d", mode));
  try {
    if (mode != kVerify) {
      AccessDevice(mode == kWrite, address, count, buffer);
      return;
    }
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(count) * BlockSize());
    AccessDevice(false, address, count, scratch.data());
  } catch (const OruError& error) {
    if (std::strcmp(error.what(), DiskWriteHold::kRefusedText) != 0) ++hardErrors_;
    throw;
  }
}

std::unique_ptr<DiskWriteHold> IdeBlockDevice::HoldForWriting() {
  return std::make_unique<DiskWriteHold>(DevicePath(), Address());
}

void IdeBlockDevice::AccessDevice(bool write, std::uint64_t address, std::uint32_t count, void* buffer) {
  os::Platform& system = os::Current();
  const std::uint32_t blockSize = BlockSize();
  const std::uint64_t wanted = std::uint64_t{count} * blockSize;
  auto fail = [&](const char* text, win::DWORD error) {
    throw OruError(text, Name() + " [GetLastErrText=" + system.FormatMessage(error) + "]" +
                             StringPrintf(" [NumBytesWanted=%llu]", static_cast<unsigned long long>(wanted)) +
                             StringPrintf(" [LBA=%llu]", static_cast<unsigned long long>(address)));
  };
  if (blockSize == 0) fail(write ? "Could not write block" : "Could not read block", win::ERROR_NOT_READY);
  if (wanted > 0xFFFFFFFFu)
    fail(write ? "Could not write block" : "Could not read block", win::ERROR_INVALID_PARAMETER);
  std::unique_ptr<DiskWriteHold> hold;
  if (write) hold = HoldForWriting();
  const win::HANDLE handle = system.CreateFile(DevicePath(), win::GENERIC_READ | win::GENERIC_WRITE,
                                               win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                               win::OPEN_EXISTING, win::FILE_FLAG_NO_BUFFERING);
  if (handle == win::INVALID_HANDLE_VALUE) fail("Driver Open Failed in AccessDevice", system.GetLastError());
  const char* failure = nullptr;
  AlignedBuffer data = PageAligned(static_cast<std::size_t>(wanted));
  win::DWORD moved = 0;
  if (!system.SetFilePointer(handle, static_cast<std::int64_t>(address * blockSize), nullptr,
                             win::FILE_BEGIN)) {
    failure = "Could not seek block";
  } else if (write) {
    std::memcpy(data.get(), buffer, static_cast<std::size_t>(wanted));
    if (!system.WriteFile(handle, data.get(), static_cast<win::DWORD>(wanted), &moved) || moved != wanted)
      failure = "Could not write block";
  } else if (!system.ReadFile(handle, data.get(), static_cast<win::DWORD>(wanted), &moved) ||
             moved != wanted) {
    failure = "Could not read block";
  } else {
    std::memcpy(buffer, data.get(), static_cast<std::size_t>(wanted));
  }
  // A short transfer that the system calls a success is still a failure of the blocks not moved.
  win::DWORD error = failure != nullptr ? system.GetLastError() : win::ERROR_SUCCESS;
  if (failure != nullptr && error == win::ERROR_SUCCESS) error = win::ERROR_HANDLE_EOF;
  system.CloseHandle(handle);
  if (failure != nullptr) fail(failure, error);
}

std::string IdeBlockDevice::CapacityText() {
  if (RemovableMedium() && !ata::CheckVerify(DevicePath())) return Translate("Media Not Installed");
  if (!ReadExtentOnce()) return Translate("Not available");
  const double bytes = static_cast<double>(blockSize_) * static_cast<double>(lastBlock_ + 1);
  if (bytes >= 1e9) return StringPrintf("%0.2f ", bytes / 1e9) + Translate("Gbytes");
  return StringPrintf("%0.2f ", bytes / 1e6) + Translate("Mbytes");
}

void IdeBlockDevice::Stream(ptstream& stream, bool writing, std::int32_t version) {
  IdeDevice::Stream(stream, writing, version);
  stream.Transfer(blockSize_);
  stream.Transfer(lastBlock_);
  StreamBlockState(stream);
}

void IdeBlockDevice::Assign(const Persistent& other) {
  IdeDevice::Assign(other);
  if (const auto* device = dynamic_cast<const IdeBlockDevice*>(&other)) CopyBlockState(*device);
}

}  // namespace rb
