#include "devices/ata/atarequests.h"

#include <cstring>
#include <numeric>
#include <vector>

#include "platform/os.h"
#include "support/debug.h"

namespace rb::ata {

namespace {

constexpr std::uint8_t kDevice = 0xA0;
constexpr std::uint8_t kSlave = 0xB0;
constexpr std::uint8_t kStatusError = 0x01;

// Opens the drive with read and write access and sharing; the SMART status, data and command
// requests ask for unbuffered access and keep the system from asking the operator about a drive
// without a medium.
class DriveHandle {
 public:
  DriveHandle(const std::string& path, bool smart,
              win::DWORD share = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE)
      : system_(os::Current()) {
    if (smart) system_.SetErrorMode(win::SEM_FAILCRITICALERRORS);
    handle_ = system_.CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE, share, win::OPEN_EXISTING,
                                 smart ? win::FILE_FLAG_NO_BUFFERING : win::FILE_ATTRIBUTE_NORMAL);
  }
  ~DriveHandle() {
    if (Open()) {
      // Closing must not hide the request's error.
      const win::DWORD error = system_.GetLastError();
      system_.CloseHandle(handle_);
      system_.SetLastError(error);
    }
  }
  DriveHandle(const DriveHandle&) = delete;
  DriveHandle& operator=(const DriveHandle&) = delete;

  bool Open() const { return handle_ != win::INVALID_HANDLE_VALUE; }
  bool Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength) {
    win::DWORD returned = 0;
    return Open() && system_.DeviceIoControl(handle_, code, in, inLength, out, outLength, &returned);
  }

 private:
  os::Platform& system_;
  win::HANDLE handle_ = win::INVALID_HANDLE_VALUE;
};

win::IdeRegs SmartRegisters(std::uint8_t feature, std::uint8_t count, std::uint8_t lbaLow) {
  win::IdeRegs regs{};
  regs.bFeaturesReg = feature;
  regs.bSectorCountReg = count;
  regs.bSectorNumberReg = lbaLow;
  regs.bCylLowReg = win::SMART_CYL_LOW;
  regs.bCylHighReg = win::SMART_CYL_HI;
  regs.bDriveHeadReg = kDevice;
  regs.bCommandReg = win::ATA_SMART;
  return regs;
}

win::SendCmdInParams CommandIn(const win::IdeRegs& regs, win::DWORD bufferSize) {
  win::SendCmdInParams in{};
  in.cBufferSize = bufferSize;
  in.irDriveRegs = regs;
  in.bDriveNumber = 0;  // the handle selects the drive
  return in;
}

// SMART_RCV_DRIVE_DATA of 512 bytes; the driver's and the drive's error bytes must be clear too.
bool ReceiveSector(const std::string& path, bool smart, const win::IdeRegs& regs, std::uint8_t* data) {
  DriveHandle drive(path, smart);
  const win::SendCmdInParams in = CommandIn(regs, AtaIdentify::kBytes);
  std::vector<std::uint8_t> out(win::kSendCmdOutLength + AtaIdentify::kBytes);
  if (!drive.Control(win::SMART_RCV_DRIVE_DATA, &in, win::kSendCmdInLength, out.data(),
                     static_cast<win::DWORD>(out.size())))
    return false;
  win::SendCmdOutParams header;
  std::memcpy(&header, out.data(), win::kSendCmdOutLength);
  if (header.DriverStatus.bDriverError != 0 || header.DriverStatus.bIDEError != 0) {
    os::Current().SetLastError(win::ERROR_IO_DEVICE);
    return false;
  }
  std::memcpy(data, out.data() + win::kSendCmdOutLength, AtaIdentify::kBytes);
  return true;
}

const char* CommandName(std::uint8_t command) {
  return command == win::ATA_IDENTIFY_PACKET_DEVICE ? "ATAPI 0xA1" : "IDE   0xEC";
}

}  // namespace

bool IdentifyBySmart(const std::string& path, std::uint8_t command, std::uint8_t* data) {
  win::IdeRegs regs{};
  regs.bDriveHeadReg = kDevice;
  regs.bCommandReg = command;
  return ReceiveSector(path, false, regs, data);
}

bool IdentifyByPassThrough(const std::string& path, std::uint8_t command, std::int32_t driveNumber,
                           std::uint8_t* data) {
  DriveHandle drive(path, false);
  std::vector<std::uint8_t> buffer(sizeof(win::AtaPassThroughHeader) + AtaIdentify::kBytes);
  win::AtaPassThroughHeader header{};
  header.IdeReg.bDriveHeadReg = driveNumber % 2 == 0 ? kDevice : kSlave;
  header.IdeReg.bCommandReg = command;
  header.DataBufferSize = AtaIdentify::kBytes;
  std::memcpy(buffer.data(), &header, sizeof header);
  const auto size = static_cast<win::DWORD>(buffer.size());
  if (!drive.Control(win::IOCTL_IDE_PASS_THROUGH, buffer.data(), size, buffer.data(), size)) return false;
  std::memcpy(&header, buffer.data(), sizeof header);
  if (header.IdeReg.bCommandReg & kStatusError) {
    os::Current().SetLastError(win::ERROR_IO_DEVICE);
    return false;
  }
  std::memcpy(data, buffer.data() + sizeof header, AtaIdentify::kBytes);
  return true;
}

bool ReadIdentify(const std::string& path, const std::string& label, std::int32_t driveNumber,
                  AtaIdentify* out) {
  os::Platform& system = os::Current();
  std::uint8_t data[AtaIdentify::kBytes] = {};
  auto attempt = [&](bool passThrough, std::uint8_t command) {
    std::memset(data, 0, sizeof data);
    bool ok = passThrough ? IdentifyByPassThrough(path, command, driveNumber, data)
                          : IdentifyBySmart(path, command, data);
    // A device that takes the request but moves no data (a SCSI device behind a translation that
    // does not know the command) has answered no identify.
    if (ok && AtaIdentify(data).Present() == false) {
      ok = false;
      system.SetLastError(win::ERROR_INVALID_FUNCTION);
    }
    const std::string how = passThrough ? " handle via IDE PASS THRU " : " via Win SMART API ";
    if (ok)
      DebugPrint("%s ID cmd with %s%swent OK\n", CommandName(command), label.c_str(), how.c_str());
    else
      DebugPrint("%s ID cmd with %s%sfailed, GLE=(%d)\n", CommandName(command), label.c_str(), how.c_str(),
                 static_cast<int>(system.GetLastError()));
    return ok;
  };
  const bool ok = attempt(false, win::ATA_IDENTIFY_DEVICE) ||
                  attempt(false, win::ATA_IDENTIFY_PACKET_DEVICE) ||
                  attempt(true, win::ATA_IDENTIFY_PACKET_DEVICE) || attempt(true, win::ATA_IDENTIFY_DEVICE);
  if (ok) *out = AtaIdentify(data);
  return ok;
}

int SmartReturnStatus(const std::string& path) {
  DriveHandle drive(path, true);
  const win::SendCmdInParams in =
      CommandIn(SmartRegisters(win::SMART_RETURN_STATUS, 0, 0), sizeof(win::IdeRegs));
  std::uint8_t out[win::kSendCmdOutLength + sizeof(win::IdeRegs)] = {};
  if (!drive.Control(win::SMART_SEND_DRIVE_COMMAND, &in, win::kSendCmdInLength, out, sizeof out)) return -1;
  win::SendCmdOutParams header;
  std::memcpy(&header, out, win::kSendCmdOutLength);
  win::IdeRegs returned;
  std::memcpy(&returned, out + win::kSendCmdOutLength, sizeof returned);
  const bool clean = header.DriverStatus.bDriverError == 0 && header.DriverStatus.bIDEError == 0;
  return clean && returned.bCylLowReg == win::SMART_THRESHOLD_CYL_LOW &&
                 returned.bCylHighReg == win::SMART_THRESHOLD_CYL_HI
             ? 1
             : 0;
}

bool SmartReadData(const std::string& path, std::uint8_t* data) {
  const bool read = ReceiveSector(path, true, SmartRegisters(win::SMART_READ_DATA, 1, 1), data);
  const unsigned sum = read ? std::accumulate(data, data + AtaIdentify::kBytes, 0u) : 1u;
  if (sum % 256 == 0) return true;
  std::memset(data, 0, AtaIdentify::kBytes);
  return false;
}

win::DWORD SmartCommand(const std::string& path, std::uint8_t feature, std::uint8_t subCode) {
  DriveHandle drive(path, true);
  const win::SendCmdInParams in = CommandIn(SmartRegisters(feature, 0, subCode), 0);
  std::uint8_t out[win::kSendCmdOutLength] = {};
  if (!drive.Control(win::SMART_SEND_DRIVE_COMMAND, &in, win::kSendCmdInLength, out, sizeof out)) {
    const win::DWORD error = os::Current().GetLastError();
    return error != win::ERROR_SUCCESS ? error : win::ERROR_GEN_FAILURE;
  }
  win::SendCmdOutParams header;
  std::memcpy(&header, out, win::kSendCmdOutLength);
  return header.DriverStatus.bDriverError == 0 && header.DriverStatus.bIDEError == 0 ? win::ERROR_SUCCESS
                                                                                     : win::ERROR_IO_DEVICE;
}

bool SmartWriteLog(const std::string& path, std::uint8_t logAddress, const std::uint8_t* sector) {
  DriveHandle drive(path, false);
  // The miniport request: its header, the command with its registers, then the sector.
  std::vector<std::uint8_t> in(sizeof(win::SrbIoControl) + win::kSendCmdInLength + AtaIdentify::kBytes);
  win::SrbIoControl control{};
  control.HeaderLength = sizeof control;
  std::memcpy(control.Signature, "SCSIDISK", sizeof control.Signature);
  control.Timeout = 10;
  control.ControlCode = win::IOCTL_SCSI_MINIPORT_WRITE_SMART_LOG;
  control.Length = win::kSendCmdInLength + AtaIdentify::kBytes;
  const win::SendCmdInParams command =
      CommandIn(SmartRegisters(win::SMART_WRITE_LOG, 1, logAddress), AtaIdentify::kBytes);
  std::memcpy(in.data(), &control, sizeof control);
  std::memcpy(in.data() + sizeof control, &command, win::kSendCmdInLength);
  std::memcpy(in.data() + sizeof control + win::kSendCmdInLength, sector, AtaIdentify::kBytes);
  std::vector<std::uint8_t> out(sizeof(win::SrbIoControl) + win::kSendCmdOutLength);
  bool ok = drive.Control(win::IOCTL_SCSI_MINIPORT, in.data(), static_cast<win::DWORD>(in.size()), out.data(),
                          static_cast<win::DWORD>(out.size()));
  if (ok) {
    std::memcpy(&control, out.data(), sizeof control);
    win::SendCmdOutParams header;
    std::memcpy(&header, out.data() + sizeof control, win::kSendCmdOutLength);
    ok = control.ReturnCode == 0 && header.DriverStatus.bDriverError == 0 &&
         header.DriverStatus.bIDEError == 0;
    if (!ok) os::Current().SetLastError(win::ERROR_IO_DEVICE);
  }
  if (!ok)
    DebugPrint("Write Smart Log failed with GetLastError of %d\n",
               static_cast<int>(os::Current().GetLastError()));
  return ok;
}

namespace {

bool StorageRequest(const std::string& path, win::DWORD code,
                    win::DWORD share = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE) {
  DriveHandle drive(path, false, share);
  return drive.Control(code, nullptr, 0, nullptr, 0);
}

}  // namespace

bool EjectMedia(const std::string& path) {
  return StorageRequest(path, win::IOCTL_STORAGE_EJECT_MEDIA);
}

bool LoadMedia(const std::string& path) {
  return StorageRequest(path, win::IOCTL_STORAGE_LOAD_MEDIA);
}

bool ResetDevice(const std::string& path) {
  return StorageRequest(path, win::IOCTL_STORAGE_RESET_DEVICE);
}

bool CheckVerify(const std::string& path) {
  return StorageRequest(path, win::IOCTL_STORAGE_CHECK_VERIFY);
}

bool IsWritable(const std::string& path) {
  return StorageRequest(path, win::IOCTL_DISK_IS_WRITABLE, win::FILE_SHARE_WRITE);
}

bool DriveGeometry(const std::string& path, win::DiskGeometry* geometry) {
  DriveHandle drive(path, false);
  *geometry = {};
  return drive.Control(win::IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, geometry, sizeof *geometry);
}

}  // namespace rb::ata
