#include "devices/scsi/opticaldrivecommands.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/os.h"
#include "support/oruerror.h"

namespace rb {

namespace {

constexpr win::DWORD kTimeout = 5000;
constexpr std::uint8_t kSenseBytes = 32;

enum class Transfer { kNone, kIn, kOut };

struct Command {
  const char* name;  // in the open-failure text
  std::uint8_t cdb[10];
  std::uint8_t cdbLength = 10;
  Transfer transfer = Transfer::kNone;
  std::uint32_t length = 0;
  bool noBuffering = true;
};

void PutBigEndian16(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value >> 8);
  bytes[1] = static_cast<std::uint8_t>(value);
}

void PutBigEndian32(std::uint8_t* bytes, std::uint32_t value) {
  PutBigEndian16(bytes, static_cast<std::uint16_t>(value >> 16));
  PutBigEndian16(bytes + 2, static_cast<std::uint16_t>(value));
}

// Sends one request of type Request (header, filler, sense, data), `data` going out before and coming
// back after, `length` bytes of it.
template <class Request>
bool Send(const std::string& path, const Command& command, void* data) {
  constexpr std::size_t kRoom = sizeof(Request) - offsetof(Request, data);
  if (command.length > kRoom) return false;
  os::Platform& platform = os::Current();
  platform.SetErrorMode(win::SEM_FAILCRITICALERRORS);
  const win::HANDLE drive = platform.CreateFile(
      path, win::GENERIC_READ | win::GENERIC_WRITE, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
      win::OPEN_EXISTING, command.noBuffering ? win::FILE_FLAG_NO_BUFFERING : 0);
  if (drive == win::INVALID_HANDLE_VALUE)
    throw OruError(std::string("Driver Open Failed in ") + command.name, path);
  auto request = std::make_unique<Request>();
  std::memset(request.get(), 0, sizeof(Request));
  request->header.Length = sizeof request->header;
  request->header.CdbLength = command.cdbLength;
  request->header.SenseInfoLength = kSenseBytes;
  request->header.DataIn =
      command.transfer == Transfer::kIn ? win::SCSI_IOCTL_DATA_IN : win::SCSI_IOCTL_DATA_OUT;
  request->header.DataTransferLength = command.length;
  request->header.TimeOutValue = kTimeout;
  request->header.DataBufferOffset = offsetof(Request, data);
  request->header.SenseInfoOffset = offsetof(Request, sense);
  std::memcpy(request->header.Cdb, command.cdb, command.cdbLength);
  // The caller's bytes travel for every direction, so that what a drive does not return keeps them.
  if (data != nullptr) std::memcpy(request->data, data, command.length);
  win::DWORD returned = 0;
  const bool sent = platform.DeviceIoControl(drive, win::IOCTL_SCSI_PASS_THROUGH, request.get(),
                                             sizeof(Request), request.get(), sizeof(Request), &returned);
  platform.CloseHandle(drive);
  if (!sent || request->header.ScsiStatus != 0) return false;
  if (command.transfer == Transfer::kIn && data != nullptr) std::memcpy(data, request->data, command.length);
  return true;
}

bool SendOptical(const std::string& path, const Command& command, void* data) {
  return Send<win::OpticalPassThrough>(path, command, data);
}

// A command whose bytes 7-8 carry a length or a block count.
Command Counted(const char* name, std::uint8_t opcode, std::uint16_t count, Transfer transfer,
                std::uint32_t length) {
  Command command{name, {opcode}};
  PutBigEndian16(command.cdb + 7, count);
  command.transfer = transfer;
  command.length = length;
  return command;
}

}  // namespace

bool MODESense(const std::string& path, std::uint8_t pageControl, std::uint8_t pageCode,
               bool disableBlockDescriptors, void* buffer, std::uint16_t length) {
  Command command = Counted("MODESense", 0x5A, length, Transfer::kIn, length);
  command.cdb[1] = disableBlockDescriptors ? 0x08 : 0x00;
  command.cdb[2] = static_cast<std::uint8_t>(pageControl << 6 | (pageCode & 0x3F));
  // A page the drive does not fill reads as DDh, not as zeros that look like data.
  std::memset(buffer, 0xDD, length);
  return SendOptical(path, command, buffer);
}

bool MODESelect(const std::string& path, const void* parameters, std::uint16_t length) {
  Command command = Counted("MODESelect", 0x55, length, Transfer::kOut, length);
  command.cdb[1] = 0x10;
  return SendOptical(path, command, const_cast<void*>(parameters));
}

bool READCapacity(const std::string& path, void* buffer80) {
  return SendOptical(path, Counted("READCapacity", 0x25, 0, Transfer::kIn, 80), buffer80);
}

bool GetMediaBGFormat(const std::string& path, void* buffer, std::uint16_t length) {
  return SendOptical(
      path, Counted("GetMediaBGFormat", 0x51, 0x24, Transfer::kIn, std::min<std::uint16_t>(length, 0x24)),
      buffer);
}

bool GetConfiguration(const std::string& path, void* buffer, std::uint16_t length) {
  return SendOptical(path, Counted("GetConfiguration", 0x46, length, Transfer::kIn, length), buffer);
}

bool GetTracksNextWritableAddress(const std::string& path, std::uint32_t& nextWritableAddress) {
  Command command{"GetTracksNextWritableAddress", {0x52, 0x01, 0, 0, 0, 0xFF, 0, 0, 0x24, 0}};
  command.transfer = Transfer::kIn;
  command.length = 36;
  command.noBuffering = false;
  std::uint8_t data[36] = {};
  if (!Send<win::TrackInfoPassThrough>(path, command, data)) return false;
  nextWritableAddress =
      std::uint32_t{data[12]} << 24 | std::uint32_t{data[13]} << 16 | data[14] << 8 | data[15];
  return true;
}

bool WriteOpticalDriveBlocks(const std::string& path, std::uint32_t lba, std::uint16_t blocks,
                             const void* data, std::uint32_t length) {
  Command command = Counted("WriteOpticalDriveBlocks", 0x2A, blocks, Transfer::kOut, length);
  PutBigEndian32(command.cdb + 2, lba);
  return SendOptical(path, command, const_cast<void*>(data));
}

bool SynchronizeCache(const std::string& path, std::uint16_t blocks) {
  return SendOptical(path, Counted("SynchronizeCache", 0x35, blocks, Transfer::kOut, 0), nullptr);
}

bool ReadOpticalDriveBlocks(const std::string& path, std::uint32_t lba, std::uint16_t blocks, void* data,
                            std::uint32_t length) {
  Command command = Counted("ReadOpticalDriveBlocks", 0x28, blocks, Transfer::kIn, length);
  PutBigEndian32(command.cdb + 2, lba);
  return SendOptical(path, command, data);
}

bool IdeCdromTestUnitReady(const std::string& path) {
  Command command{"IdeCdromTestUnitReady", {0x00}};
  command.cdbLength = 6;
  command.noBuffering = false;
  os::Platform& platform = os::Current();
  platform.SetErrorMode(win::SEM_FAILCRITICALERRORS);
  const win::HANDLE drive =
      platform.CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE,
                          win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
  if (drive == win::INVALID_HANDLE_VALUE)
    throw OruError(std::string("Driver Open Failed in ") + command.name, path);
  win::NoDataPassThrough request{};
  request.header.Length = sizeof request.header;
  request.header.CdbLength = command.cdbLength;
  request.header.SenseInfoLength = sizeof request.sense;
  request.header.DataIn = win::SCSI_IOCTL_DATA_OUT;
  request.header.TimeOutValue = kTimeout;
  request.header.SenseInfoOffset = offsetof(win::NoDataPassThrough, sense);
  win::DWORD returned = 0;
  const bool sent =
      platform.DeviceIoControl(drive, win::IOCTL_SCSI_PASS_THROUGH, &request, win::kNoDataPassThroughLength,
                               &request, win::kNoDataPassThroughLength, &returned);
  platform.CloseHandle(drive);
  return sent && request.header.ScsiStatus == 0;
}

bool ReadToc(const std::string& path, std::uint8_t format, void* buffer256) {
  Command command = Counted("GetConfiguration", 0x43, 0x0100, Transfer::kIn, 256);
  command.cdb[2] = format;
  return SendOptical(path, command, buffer256);
}

bool PlayAudio(const std::string& path, std::uint32_t lba, std::uint16_t length) {
  Command command = Counted("GetConfiguration", 0x45, length, Transfer::kIn, 0);
  PutBigEndian32(command.cdb + 2, lba);
  return SendOptical(path, command, nullptr);
}

bool StopPlay(const std::string& path) {
  return SendOptical(path, Counted("GetConfiguration", 0x4E, 0, Transfer::kIn, 0), nullptr);
}

bool PauseResume(const std::string& path, bool resume) {
  Command command = Counted("GetConfiguration", 0x4B, 0, Transfer::kIn, 0);
  command.cdb[8] = resume ? 1 : 0;
  return SendOptical(path, command, nullptr);
}

}  // namespace rb
