#include "platform/linux/linuxblockdisk.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/nvme_ioctl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/linux/linuxexclusivehold.h"
#include "platform/passthroughrequest.h"

namespace os {

namespace {

constexpr std::uint8_t kGood = 0x00;
constexpr std::uint8_t kCheckCondition = 0x02;
constexpr std::uint8_t kNoSense = 0x0, kNotReady = 0x2, kMediumError = 0x3, kHardwareError = 0x4,
                       kIllegalRequest = 0x5, kDataProtect = 0x7;
// Direct I/O moves at most this much at a time, through a buffer aligned for any logical block size.
constexpr std::size_t kChunk = 1 << 20;
constexpr std::size_t kAlignment = 4096;
// NVMe: GET LOG PAGE, the SMART / health information page, the controller-wide namespace id.
constexpr std::uint8_t kNvmeGetLogPage = 0x02;
constexpr std::uint8_t kNvmeSmartLog = 0x02;
constexpr std::uint32_t kNvmeAllNamespaces = 0xFFFFFFFF;

std::uint32_t Be32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}
std::uint64_t Be64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(Be32(p)) << 32 | Be32(p + 4);
}
void PutBe(std::uint8_t* p, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, value >>= 8) p[i] = static_cast<std::uint8_t>(value);
}

void PutText(std::uint8_t* at, const std::string& text, std::size_t width) {
  std::memset(at, ' ', width);
  std::memcpy(at, text.data(), std::min(text.size(), width));
}

struct AlignedFree {
  void operator()(void* p) const { ::free(p); }
};
using AlignedBuffer = std::unique_ptr<std::uint8_t, AlignedFree>;

AlignedBuffer Allocate(std::size_t size) {
  void* p = nullptr;
  if (::posix_memalign(&p, kAlignment, size) != 0) return nullptr;
  return AlignedBuffer(static_cast<std::uint8_t*>(p));
}

// Opens for direct I/O; a file system that cannot do it (a stand-in file on tmpfs) gets cached I/O.
int OpenDirect(const std::string& file, int flags) {
  int fd = ::open(file.c_str(), flags | O_DIRECT | O_CLOEXEC);
  if (fd < 0 && errno == EINVAL) fd = ::open(file.c_str(), flags | O_CLOEXEC);
  return fd;
}

}  // namespace

// The answer to one command: the status with its sense, and the count of data bytes moved; or the
// error of a request the system refused.
struct LinuxBlockDisk::Outcome {
  std::uint8_t status = kGood;
  std::uint8_t key = kNoSense, asc = 0, ascq = 0;
  std::uint32_t moved = 0;
  win::DWORD error = win::ERROR_SUCCESS;

  static Outcome Moved(std::uint32_t count) { return {kGood, kNoSense, 0, 0, count}; }
  static Outcome Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq = 0) {
    return {kCheckCondition, key, asc, ascq, 0};
  }
  // The device cannot be opened for reading: without the right to it the request fails as on a
  // Windows handle without access; a device that is gone is not ready.
  static Outcome Unreadable(int error) {
    if (error == EACCES || error == EPERM) return {kGood, kNoSense, 0, 0, 0, win::ERROR_ACCESS_DENIED};
    return Check(kNotReady, 0x04, 0x00);
  }
};

LinuxBlockDisk::LinuxBlockDisk(LinuxStorageUnit unit, std::string file, LinuxIoctlLayer& layer,
                               std::string devRoot)
    : unit_(std::move(unit)), file_(std::move(file)), layer_(layer), devRoot_(std::move(devRoot)) {}

LinuxBlockDisk::~LinuxBlockDisk() {
  if (readFd_ >= 0) ::close(readFd_);
}

std::array<std::uint8_t, 36> StandardInquiryOf(const LinuxStorageUnit& unit) {
  std::array<std::uint8_t, 36> data{};
  data[0] = unit.scsiType;
  data[1] = unit.removable ? 0x80 : 0;
  data[2] = 0x06;  // SPC-4
  data[3] = 0x02;  // response data format 2
  data[4] = 36 - 5;
  PutText(&data[8], unit.vendor, 8);
  PutText(&data[16], unit.product, 16);
  PutText(&data[32], unit.revision, 4);
  return data;
}

win::DWORD LinuxBlockDisk::Execute(PassThroughRequest& request, win::DWORD* returned) {
  const Outcome outcome = Run(request);
  if (outcome.error != win::ERROR_SUCCESS) return outcome.error;
  std::uint8_t sense[18] = {};
  if (outcome.status == kCheckCondition) {
    sense[0] = 0x70;  // current error, fixed format
    sense[2] = outcome.key;
    sense[7] = sizeof sense - 8;
    sense[12] = outcome.asc;
    sense[13] = outcome.ascq;
  }
  const std::uint32_t senseLength = outcome.status == kCheckCondition ? sizeof sense : 0;
  request.Complete(outcome.status, sense, std::min<std::uint32_t>(senseLength, request.senseLength),
                   outcome.moved, returned);
  return win::ERROR_SUCCESS;
}

LinuxBlockDisk::Outcome LinuxBlockDisk::Run(const PassThroughRequest& request) {
  switch (request.cdb[0]) {
    case 0x00: {  // TEST UNIT READY
      int error = 0;
      return ReadDescriptor(error) >= 0 ? Outcome{} : Outcome::Unreadable(error);
    }
    case 0x03: {  // REQUEST SENSE: nothing is pending, commands report their sense at once
      std::uint8_t sense[18] = {0x70, 0, kNoSense, 0, 0, 0, 0, 10};
      const std::uint32_t count = std::min<std::uint32_t>({request.length, request.cdb[4], sizeof sense});
      std::memcpy(request.data, sense, count);
      return Outcome::Moved(count);
    }
    case 0x12:
      return Inquiry(request);
    case 0x25:
    case 0x9E:
      return Capacity(request);
    case 0x28:
    case 0x88:
    case 0x2A:
    case 0x8A:
    case 0x2F:
    case 0x8F:
      return Transfer(request);
    case 0x35:  // SYNCHRONIZE CACHE(10) and (16)
    case 0x91: {
      // Flushing the device's cache needs no particular descriptor of it.
      int error = 0;
      const int fd = ReadDescriptor(error);
      return fd < 0 || ::fdatasync(fd) == 0 ? Outcome{} : Outcome::Check(kMediumError, 0x0C, 0x00);
    }
    case 0x4D:
      if (unit_.blockKind == LinuxBlockKind::kNvme) return LogSense(request);
      return Outcome::Check(kIllegalRequest, 0x20);
    default:
      return Outcome::Check(kIllegalRequest, 0x20);
  }
}

LinuxBlockDisk::Outcome LinuxBlockDisk::Inquiry(const PassThroughRequest& request) {
  const std::uint32_t allocation = static_cast<std::uint32_t>(request.cdb[3]) << 8 | request.cdb[4];
  std::vector<std::uint8_t> data;
  if ((request.cdb[1] & 0x01) == 0) {
    if (request.cdb[2] != 0) return Outcome::Check(kIllegalRequest, 0x24);
    const auto standard = StandardInquiryOf(unit_);
    data.assign(standard.begin(), standard.end());
  } else if (request.cdb[2] == 0x00) {
    data = {unit_.scsiType, 0x00, 0, 1, 0x00};
    if (!unit_.serial.empty()) data.push_back(0x80);
    data.push_back(0xB1);
    data[3] = static_cast<std::uint8_t>(data.size() - 4);
  } else if (request.cdb[2] == 0xB1) {
    // Block device characteristics: a rotation rate of 1 is a disk that does not rotate; 0 says nothing.
    data.assign(64, 0);
    data[0] = unit_.scsiType;
    data[1] = 0xB1;
    data[3] = 60;
    data[5] = unit_.solidState ? 1 : 0;
  } else if (request.cdb[2] == 0x80 && !unit_.serial.empty()) {
    const std::size_t length = std::min<std::size_t>(unit_.serial.size(), 255);
    data = {unit_.scsiType, 0x80, 0, static_cast<std::uint8_t>(length)};
    data.insert(data.end(), unit_.serial.begin(), unit_.serial.begin() + static_cast<std::ptrdiff_t>(length));
  } else {
    return Outcome::Check(kIllegalRequest, 0x24);
  }
  const std::uint32_t count = std::min({allocation, request.length, static_cast<std::uint32_t>(data.size())});
  if (count > 0) std::memcpy(request.data, data.data(), count);
  return Outcome::Moved(count);
}

LinuxBlockDisk::Outcome LinuxBlockDisk::Capacity(const PassThroughRequest& request) {
  const std::uint64_t last = unit_.blocks == 0 ? 0 : unit_.blocks - 1;
  std::uint8_t data[32] = {};
  std::uint32_t size = 8;
  if (request.cdb[0] == 0x25) {
    PutBe(data, std::min<std::uint64_t>(last, 0xFFFFFFFF), 4);  // all ones: ask READ CAPACITY(16)
    PutBe(data + 4, unit_.blockSize, 4);
  } else {
    if ((request.cdb[1] & 0x1F) != 0x10)
      return Outcome::Check(kIllegalRequest, 0x20);  // other SERVICE ACTIONs
    PutBe(data, last, 8);
    PutBe(data + 8, unit_.blockSize, 4);
    size = std::min<std::uint32_t>(Be32(request.cdb + 10), sizeof data);
  }
  const std::uint32_t count = std::min(request.length, size);
  if (count > 0) std::memcpy(request.data, data, count);
  return Outcome::Moved(count);
}

int LinuxBlockDisk::ReadDescriptor(int& error) {
  std::lock_guard guard(mutex_);
  if (readFd_ < 0) readFd_ = OpenDirect(file_, O_RDONLY);
  error = readFd_ < 0 ? errno : 0;
  return readFd_;
}

int LinuxBlockDisk::OpenForWriting(int& error) {
  // Exclusive: the kernel refuses it while anything holds the disk or one of its partitions. While
  // this process holds the disk itself (a test's hold for its run) that hold keeps the others out, and
  // a second exclusive open would be refused.
  struct stat status {};
  const bool held = ::stat(file_.c_str(), &status) == 0 && S_ISBLK(status.st_mode) &&
                    LinuxExclusiveHold::Holds(status.st_rdev);
  const int fd = OpenDirect(file_, held ? O_RDWR : O_RDWR | O_EXCL);
  error = fd < 0 ? errno : 0;
  return fd;
}

LinuxBlockDisk::Outcome LinuxBlockDisk::Transfer(const PassThroughRequest& request) {
  const std::uint8_t opcode = request.cdb[0];
  const bool sixteen = opcode >= 0x80;
  const std::uint64_t lba = sixteen ? Be64(request.cdb + 2) : Be32(request.cdb + 2);
  const std::uint32_t blocks =
      sixteen ? Be32(request.cdb + 10) : static_cast<std::uint32_t>(request.cdb[7]) << 8 | request.cdb[8];
  const bool write = opcode == 0x2A || opcode == 0x8A;
  const bool verify = opcode == 0x2F || opcode == 0x8F;
  if (lba > unit_.blocks || blocks > unit_.blocks - lba) return Outcome::Check(kIllegalRequest, 0x21);
  const std::uint64_t bytes = static_cast<std::uint64_t>(blocks) * unit_.blockSize;
  // A verify compares nothing (BYTCHK 0 is all this disk offers) and moves no data.
  if (verify && (request.cdb[1] & 0x06) != 0) return Outcome::Check(kIllegalRequest, 0x24);
  if (!verify && (bytes > request.length || request.data == nullptr))
    return Outcome::Check(kIllegalRequest, 0x24);
  if (blocks == 0) return Outcome{};

  int error = 0;
  // A write descriptor lasts for one command, so that the disk is never kept from another's hold.
  const int fd = write ? OpenForWriting(error) : ReadDescriptor(error);
  if (fd < 0) return write ? Outcome::Check(kDataProtect, 0x27) : Outcome::Unreadable(error);
  struct WriteClose {
    int fd;
    ~WriteClose() {
      if (fd >= 0) ::close(fd);
    }
  } const closeAfter{write ? fd : -1};
  // Direct I/O wants aligned memory: a caller's buffer that is aligned moves in place, any other
  // through an aligned buffer of the transfer's own, a chunk at a time.
  const bool inPlace = !verify && reinterpret_cast<std::uintptr_t>(request.data) % kAlignment == 0;
  AlignedBuffer bounce;
  if (!inPlace) {
    bounce = Allocate(static_cast<std::size_t>(std::min<std::uint64_t>(bytes, kChunk)));
    if (bounce == nullptr) return Outcome::Check(kHardwareError, 0x44);
  }
  std::uint64_t done = 0;
  while (done < bytes) {
    const std::size_t step =
        static_cast<std::size_t>(inPlace ? bytes - done : std::min<std::uint64_t>(bytes - done, kChunk));
    const off_t offset = static_cast<off_t>(lba * unit_.blockSize + done);
    std::uint8_t* const buffer = inPlace ? request.data + done : bounce.get();
    if (write && !inPlace) std::memcpy(buffer, request.data + done, step);
    std::size_t moved = 0;
    while (moved < step) {
      const ssize_t n = write ? ::pwrite(fd, buffer + moved, step - moved, offset + static_cast<off_t>(moved))
                              : ::pread(fd, buffer + moved, step - moved, offset + static_cast<off_t>(moved));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        // An error or an end the capacity did not foretell (the device shrank).
        if (n == 0 || errno == EIO || errno == ENOSPC)
          return write ? Outcome::Check(kMediumError, 0x0C) : Outcome::Check(kMediumError, 0x11);
        return Outcome::Check(kHardwareError, 0x44);
      }
      moved += static_cast<std::size_t>(n);
    }
    if (!write && !verify && !inPlace) std::memcpy(request.data + done, buffer, step);
    done += step;
  }
  return Outcome::Moved(verify ? 0 : static_cast<std::uint32_t>(bytes));
}

LinuxBlockDisk::Outcome LinuxBlockDisk::LogSense(const PassThroughRequest& request) {
  const std::uint8_t page = request.cdb[2] & 0x3F;
  const std::uint32_t allocation = static_cast<std::uint32_t>(request.cdb[7]) << 8 | request.cdb[8];
  std::vector<std::uint8_t> data;
  if (page == 0x00) {
    data = {0x00, 0, 0, 3, 0x00, 0x0D, 0x2F};
  } else if (page == 0x0D || page == 0x2F) {
    std::uint8_t log[512] = {};
    if (!ReadNvmeHealthLog(log)) return Outcome::Check(kHardwareError, 0x44);
    const int kelvin = log[1] | log[2] << 8;
    const auto celsius = static_cast<std::uint8_t>(kelvin == 0 ? 0xFF : std::clamp(kelvin - 273, 0, 0xFE));
    if (page == 0x0D) {
      // Parameters 0000h (the temperature) and 0001h (the reference temperature, which the log lacks).
      data = {0x0D, 0, 0, 12, 0, 0, 0x03, 2, 0, celsius, 0, 1, 0x03, 2, 0, 0xFF};
    } else {
      // One parameter (0000h, binary, four bytes): the informational exception's ASC and ASCQ (5Dh for
      // any critical warning bit), then the most recent temperature.
      const std::uint8_t asc = log[0] != 0 ? 0x5D : 0;
      data = {0x2F, 0, 0, 8, 0, 0, 0x03, 4, asc, 0, celsius, 0};
    }
  } else {
    return Outcome::Check(kIllegalRequest, 0x24);
  }
  const std::uint32_t count = std::min({allocation, request.length, static_cast<std::uint32_t>(data.size())});
  if (count > 0) std::memcpy(request.data, data.data(), count);
  return Outcome::Moved(count);
}

bool LinuxBlockDisk::ReadNvmeHealthLog(std::uint8_t (&log)[512]) {
  const int fd = layer_.Open(devRoot_ + "/" + unit_.nvmeController, O_RDONLY);
  if (fd < 0) return false;
  nvme_admin_cmd command{};
  command.opcode = kNvmeGetLogPage;
  command.nsid = kNvmeAllNamespaces;
  command.addr = reinterpret_cast<std::uintptr_t>(log);
  command.data_len = sizeof log;
  command.cdw10 = (sizeof log / 4 - 1) << 16 | kNvmeSmartLog;  // dwords less one, log id
  const int result = layer_.Ioctl(fd, NVME_IOCTL_ADMIN_CMD, &command);
  layer_.Close(fd);
  // A negative answer is the system's error, a positive one the controller's status.
  return result == 0;
}

}  // namespace os
