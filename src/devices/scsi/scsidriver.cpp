#include "devices/scsi/scsidriver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "devices/scsi/scsidevice.h"
#include "framework/ptstream.h"
#include "platform/codepage.h"
#include "platform/openhandle.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/runenvironment.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {

namespace {

constexpr std::uint32_t kTransferUnit = 512;

using os::OpenHandle;

void FillCsmiHeader(win::SrbIoControl& header, win::DWORD controlCode, win::DWORD length) {
  const char* signature = controlCode <= 4                         ? "CSMIALL"
                          : controlCode == 10 || controlCode == 11 ? "CSMIARY"
                          : controlCode == 60                      ? "CSMIPHY"
                                                                   : "CSMISAS";
  header.HeaderLength = sizeof(win::SrbIoControl);
  std::memset(header.Signature, 0, sizeof header.Signature);
  std::memcpy(header.Signature, signature, std::strlen(signature));
  header.Timeout = ScsiDriver::kCsmiTimeout;
  header.ControlCode = controlCode;
  header.ReturnCode = 1;
  header.Length = length - sizeof(win::SrbIoControl);
}

// CSMI pass-through flags for a direction code.
win::DWORD CsmiDirectionFlags(int direction) {
  if (direction == kDataIn) return win::CSMI_SAS_SSP_READ;
  if (direction == kDataOut) return win::CSMI_SAS_SSP_WRITE;
  return win::CSMI_SAS_SSP_UNSPECIFIED;
}

// The CSMI destination of a device: its address block, or the SAS address and phy of its phy copy.
void CsmiDestination(const ScsiCommandRecord& record, std::uint8_t* sasAddress, std::uint8_t* lun,
                     std::uint8_t& phyIdentifier) {
  phyIdentifier = 0xFF;
  if (record.useAddressBlock) {
    std::memcpy(sasAddress, record.csmiAddressBlock.sasAddress.data(), 8);
    if (lun != nullptr) std::memcpy(lun, record.csmiAddressBlock.lun.data(), 8);
  } else {
    std::memcpy(sasAddress, record.csmiPhyCopy.sasAddress.data(), 8);
    phyIdentifier = record.csmiPhyCopy.phyIdentifier;
  }
}

// The driver that carries a device's CSMI requests: its CSMI-capable parent's, else its own.
ScsiDriver& CsmiDriverOf(ScsiDevice& device, ScsiDriver& own) {
  ScsiDevice* parent = device.ParentAdapter();
  if (parent != nullptr && parent->CsmiCapable() && parent->Driver() != nullptr) return *parent->Driver();
  return own;
}

// Sends a CSMI request whose failures are read from the request's own status fields.
bool CsmiIoctlAbsorbed(ScsiDriver& driver, win::DWORD code, void* buffer, win::DWORD length) {
  try {
    return driver.CsmiIoctl(code, buffer, length);
  } catch (const OruError&) {
    return false;
  }
}

}  // namespace

struct ScsiDriver::OpenPort {
  std::mutex lock;
  win::HANDLE handle = win::INVALID_HANDLE_VALUE;
  int users = 0;
};

ScsiDriver::ScsiDriver() : port_(std::make_unique<PortBlock>()), open_(std::make_shared<OpenPort>()) {}

ScsiDriver::ScsiDriver(std::string path)
    : path_(std::move(path)), port_(std::make_unique<PortBlock>()), open_(std::make_shared<OpenPort>()) {
  int port = 0;
  int consumed = 0;
  // The whole path must have the port form, up to its closing colon.
  const std::string format = std::string(kPathFormat) + "%n";
  if (std::sscanf(path_.c_str(), format.c_str(), &port, &consumed) == 1 &&
      static_cast<std::size_t>(consumed) == path_.size() && port >= 0) {
    port_->portNumber = static_cast<std::uint32_t>(port);
  } else {
    port_->unparsed = 1;
  }
}

ScsiDriver::~ScsiDriver() = default;

void ScsiDriver::Stream(ptstream& stream, bool, std::int32_t) {
  stream.Transfer(path_);
  stream.Transfer(port_->portNumber);
  stream.Transfer(port_->unparsed);
  for (std::uint8_t& byte : port_->reserved) stream.Transfer(byte);
  stream.TransferLink(csmiAdapter_);
  stream.TransferLink(secondAdapter_);
  stream.Transfer(handleSlot_);
}

void ScsiDriver::Assign(const Persistent& other) {
  const auto* source = dynamic_cast<const ScsiDriver*>(&other);
  if (source == nullptr || source == this) return;
  path_ = source->path_;
  *port_ = *source->port_;
}

std::string ScsiDriver::SystemErrorText(win::DWORD error) {
  std::string text = os::Current().FormatMessage(error);
  if (GetLanguageCode() == "ja") text = os::CodePage932ToUtf8(text);
  return text;
}

void ScsiDriver::RaiseDriverProblem(win::DWORD error) const {
  throw OruError("Driver reported problem", path_ + " " + SystemErrorText(error));
}

std::uint8_t ScsiDriver::SendToScsi(ScsiDevice& device, const std::uint8_t* cdb, std::int32_t cdbLength,
                                    void* buffer, std::uint32_t length, int direction) {
  if (device.RoutesThroughCsmi()) {
    ScsiDevice* parent = device.ParentAdapter();
    const std::uint32_t protocols =
        parent != nullptr && parent->CsmiCapable() ? parent->CsmiProtocolMask() : 0;
    if (parent != nullptr && parent->CsmiCapable()) {
      if (protocols & 0x3) return SspPassThrough(device, cdb, cdbLength, buffer, length, direction);
      if (protocols & 0xC) return StpPassThrough(device, cdb, cdbLength, buffer, length, direction);
      return 0;
    }
  }
  ScsiCommandRecord& record = device.Record();
  const std::int32_t cdbBytes = std::clamp<std::int32_t>(cdbLength, 0, 16);

  // A caller's buffer of whole 512-byte units travels as it is: copying it into a zero-filled buffer
  // and back would leave the caller with the same bytes, at the cost of three passes over the data.
  const bool inPlace = buffer != nullptr && length > 0 && length % kTransferUnit == 0;
  std::vector<std::uint8_t> transfer;
  const std::uint64_t rounded = (std::uint64_t{length} + kTransferUnit - 1) / kTransferUnit * kTransferUnit;
  try {
    if (!inPlace) transfer.assign(rounded, 0);
  } catch (const std::bad_alloc&) {
    throw OruError("Out of Memory", "ScsiDriver::SendToScsi");
  }
  if (!inPlace && length > 0 && buffer != nullptr) std::memcpy(transfer.data(), buffer, length);
  std::uint8_t* const data = inPlace ? static_cast<std::uint8_t*>(buffer) : transfer.data();

  win::ScsiPassThroughDirectWithSense request{};
  request.header.Length = sizeof(win::ScsiPassThroughDirect);
  request.header.PathId = record.path;
  request.header.TargetId = record.target;
  request.header.Lun = record.lun;
  request.header.CdbLength = static_cast<std::uint8_t>(cdbBytes);
  request.header.SenseInfoLength = 24;
  request.header.DataIn = direction == kDataIn ? win::SCSI_IOCTL_DATA_IN : win::SCSI_IOCTL_DATA_OUT;
  request.header.DataTransferLength = static_cast<win::DWORD>(rounded);
  request.header.TimeOutValue = kPassThroughTimeout;
  request.header.DataBuffer = data;
  request.header.SenseInfoOffset = offsetof(win::ScsiPassThroughDirectWithSense, sense);
  std::memcpy(request.header.Cdb, cdb, static_cast<std::size_t>(cdbBytes));

  os::Platform& platform = os::Current();
  {
    const std::shared_ptr<void> port = Hold(0);
    win::DWORD returned = 0;
    if (!platform.DeviceIoControl(open_->handle, win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request,
                                  sizeof request, &request, sizeof request, &returned))
      RaiseDriverProblem(platform.GetLastError());
  }
  if (!inPlace && length > 0 && buffer != nullptr) std::memcpy(buffer, transfer.data(), length);
  record.sense.fill(0);
  std::memcpy(record.sense.data(), request.sense, sizeof request.sense);
  record.SetCdb(cdb, cdbBytes);
  record.status = request.header.ScsiStatus;
  return request.header.ScsiStatus;
}

std::shared_ptr<void> ScsiDriver::KeepOpen() {
  // Sharing, so that a port kept open for a run does not shut out the system's other users of it.
  return Hold(win::FILE_SHARE_READ | win::FILE_SHARE_WRITE);
}

std::shared_ptr<void> ScsiDriver::Hold(win::DWORD share) {
  const std::shared_ptr<OpenPort> open = open_;
  const std::lock_guard guard(open->lock);
  if (open->users == 0) {
    os::Platform& platform = os::Current();
    open->handle = platform.CreateFile(path_, win::GENERIC_READ | win::GENERIC_WRITE, share,
                                       win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
    if (open->handle == win::INVALID_HANDLE_VALUE) RaiseDriverProblem(platform.GetLastError());
  }
  ++open->users;
  return std::shared_ptr<void>(open.get(), [open](void*) {
    const std::lock_guard guard(open->lock);
    if (--open->users > 0) return;
    os::Current().CloseHandle(open->handle);
    open->handle = win::INVALID_HANDLE_VALUE;
  });
}

bool ScsiDriver::Eject() {
  os::Platform& platform = os::Current();
  OpenHandle handle(
      platform.CreateFile(path_, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0));
  if (!handle.Valid()) {
    DebugPrint("invalid handle: %s\n", path_.c_str());
    return false;
  }
  win::DWORD returned = 0;
  const bool ejected = platform.DeviceIoControl(handle.Get(), win::IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0,
                                                nullptr, 0, &returned);
  if (!ejected) DebugPrint("ScsiDriver::Eject() error is %u\n", platform.GetLastError());
  return ejected;
}

void ScsiDriver::Describe(XmlObject& element) {
  if (!IsSparrow()) element.AddProperty("DevicePath", Translate("Device Path"), path_);
}

bool ScsiDriver::IsSparrow() const {
  return rb::IsSparrow();
}

bool ScsiDriver::CsmiIoctl(win::DWORD controlCode, void* buffer, win::DWORD length) {
  if (buffer == nullptr || length < sizeof(win::SrbIoControl))
    throw OruError("Driver reported problem", "Invalid CSMI parameter");
  auto& header = *static_cast<win::SrbIoControl*>(buffer);
  FillCsmiHeader(header, controlCode, length);
  const std::string& path = CsmiPath();
  os::Platform& platform = os::Current();
  {
    OpenHandle adapter(platform.CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE,
                                           win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING,
                                           0));
    if (!adapter.Valid())
      throw OruError("Driver reported problem", path + " : " + Translate("Cannot open driver"));
    win::DWORD returned = 0;
    if (!platform.DeviceIoControl(adapter.Get(), win::IOCTL_SCSI_MINIPORT, buffer, length, buffer, length,
                                  &returned))
      throw OruError("Driver reported problem",
                     StringPrintf("DeviceIoControl error code : %u", platform.GetLastError()));
  }
  switch (header.ReturnCode) {
    case win::CSMI_SAS_STATUS_SUCCESS:
      return true;
    case win::CSMI_SAS_STATUS_FAILED:
      throw OruError("Driver reported problem", "CSMI operation failed");
    case win::CSMI_SAS_STATUS_BAD_CNTL_CODE:
      throw OruError("Driver reported problem", StringPrintf("Bad CSMI control code : %u", controlCode));
    case win::CSMI_SAS_STATUS_INVALID_PARAMETER:
      throw OruError("Driver reported problem", "Invalid CSMI parameter");
    case win::CSMI_SAS_STATUS_WRITE_ATTEMPTED:
      throw OruError("Driver reported problem", "Security level is insufficient to complete the command");
    default:
      return false;
  }
}

std::uint8_t ScsiDriver::SspPassThrough(ScsiDevice& device, const std::uint8_t* cdb, std::int32_t cdbLength,
                                        void* buffer, std::uint32_t length, int direction) {
  ScsiDriver& driver = CsmiDriverOf(device, *this);
  ScsiCommandRecord& record = device.Record();
  const std::int32_t cdbBytes = std::clamp<std::int32_t>(cdbLength, 0, 16);
  std::vector<std::uint8_t> bytes;
  try {
    bytes.assign(win::kCsmiSspBufferBase + std::size_t{length}, 0);
  } catch (const std::bad_alloc&) {
    return 0xFF;
  }
  win::CsmiSasSspPassthruBuffer request{};
  request.Parameters.bPhyIdentifier = 0xFF;
  request.Parameters.bPortIdentifier = 0xFF;
  CsmiDestination(record, request.Parameters.bDestinationSASAddress, request.Parameters.bLun,
                  request.Parameters.bPhyIdentifier);
  request.Parameters.bCDBLength = static_cast<std::uint8_t>(cdbBytes);
  std::memcpy(request.Parameters.bCDB, cdb, static_cast<std::size_t>(cdbBytes));
  request.Parameters.uFlags = CsmiDirectionFlags(direction);
  request.Parameters.uDataLength = length;
  record.SetCdb(cdb, cdbBytes);
  std::memcpy(bytes.data(), &request, sizeof request);
  if (length > 0 && buffer != nullptr) std::memcpy(bytes.data() + win::kCsmiSspDataOffset, buffer, length);

  const bool sent = CsmiIoctlAbsorbed(driver, win::CC_CSMI_SAS_SSP_PASSTHRU, bytes.data(),
                                      static_cast<win::DWORD>(bytes.size()));
  std::memcpy(&request, bytes.data(), sizeof request);
  const std::uint8_t status = request.Status.bSSPStatus;
  record.status = status;
  if (request.Status.bDataPresent == win::CSMI_SAS_SSP_SENSE_DATA_PRESENT) {
    record.sense.fill(0);
    std::memcpy(record.sense.data(), request.Status.bResponse, sizeof request.Status.bResponse);
  }
  if (sent && status == kScsiGood && direction == kDataIn && buffer != nullptr) {
    // The driver's count is bounded by what was asked for.
    std::memcpy(buffer, bytes.data() + win::kCsmiSspDataOffset, std::min(length, request.Status.uDataBytes));
  }
  return status;
}

std::uint8_t ScsiDriver::StpPassThrough(ScsiDevice& device, const std::uint8_t* fis, std::int32_t fisLength,
                                        void* buffer, std::uint32_t length, int direction) {
  return StpPassThrough(device, device.Record().stp, fis, fisLength, buffer, length, direction);
}

std::uint8_t ScsiDriver::StpPassThrough(ScsiDevice& device, StpRegisters& registers, const std::uint8_t* fis,
                                        std::int32_t fisLength, void* buffer, std::uint32_t length,
                                        int direction) {
  ScsiDriver& driver = CsmiDriverOf(device, *this);
  std::vector<std::uint8_t> bytes;
  try {
    bytes.assign(win::kCsmiStpBufferBase + std::size_t{length}, 0);
  } catch (const std::bad_alloc&) {
    return 0xFF;
  }
  const std::size_t fisBytes = static_cast<std::size_t>(std::clamp<std::int32_t>(fisLength, 0, 20));
  win::CsmiSasStpPassthruBuffer request{};
  // STP always lets the adapter choose the phy; only the address comes from the device.
  std::uint8_t phyFromCopy = 0;
  CsmiDestination(device.Record(), request.Parameters.bDestinationSASAddress, nullptr, phyFromCopy);
  request.Parameters.bPhyIdentifier = 0xFF;
  request.Parameters.bPortIdentifier = 0xFF;
  std::memcpy(request.Parameters.bCommandFIS, fis, fisBytes);
  request.Parameters.uFlags = win::CSMI_SAS_STP_PIO | CsmiDirectionFlags(direction);
  request.Parameters.uDataLength = length;
  registers.commandFis.fill(0);
  std::memcpy(registers.commandFis.data(), fis, fisBytes);
  std::memcpy(bytes.data(), &request, sizeof request);
  if (length > 0 && buffer != nullptr) std::memcpy(bytes.data() + win::kCsmiStpDataOffset, buffer, length);

  const bool sent = CsmiIoctlAbsorbed(driver, win::CC_CSMI_SAS_STP_PASSTHRU, bytes.data(),
                                      static_cast<win::DWORD>(bytes.size()));
  std::memcpy(&request, bytes.data(), sizeof request);
  std::memcpy(registers.sataStatus.data(), request.Status.uSCR, registers.sataStatus.size());
  std::memcpy(registers.statusFis.data(), request.Status.bStatusFIS, registers.statusFis.size());
  const std::uint8_t ataStatus = request.Status.bStatusFIS[2];
  if (sent && (ataStatus & 0x01) == 0 && direction == kDataIn && buffer != nullptr)
    std::memcpy(buffer, bytes.data() + win::kCsmiStpDataOffset, std::min(length, request.Status.uDataBytes));
  return ataStatus;
}

}  // namespace rb
