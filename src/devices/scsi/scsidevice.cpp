#include "devices/scsi/scsidevice.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "devices/scsi/csmisasinterface.h"
#include "devices/scsi/scsidriver.h"
#include "framework/ptstream.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/catalog.h"
#include "support/stringutil.h"

namespace rb {

namespace {

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
         bytes[3];
}

std::uint16_t BigEndian16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

// The version descriptors (INQUIRY bytes 58-73) that name a SAS transport.
bool IsSasVersionDescriptor(std::uint8_t high, std::uint8_t low) {
  static constexpr std::uint8_t kSas0B[] = {0xE0, 0xFD, 0xFC, 0xE1, 0xF5, 0xFA, 0xFB};
  static constexpr std::uint8_t kSas0C[] = {0x00, 0x0F, 0x07, 0x20};
  if (high == 0x0B) return std::find(std::begin(kSas0B), std::end(kSas0B), low) != std::end(kSas0B);
  if (high == 0x0C) return std::find(std::begin(kSas0C), std::end(kSas0C), low) != std::end(kSas0C);
  return false;
}

}  // namespace

ScsiDevice::ScsiDevice(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path,
                       std::uint8_t target, std::uint8_t lun)
    : Device(std::move(name), makeUnique), driver_(driver) {
  record_.path = path;
  record_.target = target;
  record_.lun = lun;
}

ScsiDevice::ScsiDevice() = default;
ScsiDevice::~ScsiDevice() = default;

void ScsiDevice::OwnDriver(std::unique_ptr<ScsiDriver> driver) {
  ownedDriver_ = std::move(driver);
  driver_ = ownedDriver_.get();
}

void ScsiDevice::SetParentAdapter(std::shared_ptr<ScsiDevice> parent) {
  parent_ = parent.get();
  parentHold_ = std::move(parent);
}

void ScsiDevice::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Device::Stream(stream, writing, version);
  stream.Transfer(record_.path);
  stream.Transfer(record_.target);
  stream.Transfer(record_.lun);
  stream.Transfer(model_);
  stream.Transfer(driveNumber_);
  stream.Transfer(record_.deviceType);
  stream.TransferOwned(ownedDriver_);
  stream.TransferLink(parent_);
  if (writing) return;
  driver_ = ownedDriver_.get();
}

void ScsiDevice::Assign(const Persistent& other) {
  Device::Assign(other);
  const auto* device = dynamic_cast<const ScsiDevice*>(&other);
  if (device == nullptr) return;
  record_ = device->record_;
  model_ = device->model_;
  driveNumber_ = device->driveNumber_;
  ownedDriver_ = device->ownedDriver_ ? CloneCopy(*device->ownedDriver_) : nullptr;
  driver_ = ownedDriver_ ? ownedDriver_.get() : device->driver_;
  parent_ = device->parent_;
  parentHold_ = device->parentHold_;
}

std::uint32_t ScsiDevice::PortNumber() const {
  return driver_ != nullptr ? driver_->Port().portNumber : 0;
}

win::ScsiAddress ScsiDevice::OsAddress() const {
  return {sizeof(win::ScsiAddress), static_cast<std::uint8_t>(PortNumber()), record_.path, record_.target, record_.lun};
}

std::string ScsiDevice::AddressText() const {
  return StringPrintf("%u.%u.%u.%u", PortNumber(), record_.path, record_.target, record_.lun);
}

namespace {

// Printable bytes of a device's identification, without trailing blanks; anything else reads as a blank.
std::string IdentificationText(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text.push_back(bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : ' ');
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

std::string ScsiDevice::ModelText() {
  if (!model_.empty()) return model_;
  if (Inquiry() == kScsiGood) {
    const std::string vendor = IdentificationText(record_.inquiry.data() + 8, 8);
    const std::string product = IdentificationText(record_.inquiry.data() + 16, 16);
    if (vendor == "LSILOGIC" && product == "Logical Volume")
      model_ = vendor;
    else
      model_ = vendor.empty() ? product : product.empty() ? vendor : vendor + " " + product;
    return model_;
  }
  // A SATA drive behind a SAS adapter may not answer INQUIRY; its ATA identify data names it.
  if (driver_ == nullptr) return model_;
  static constexpr std::uint8_t kIdentifyFis[20] = {0x27, 0x80, 0xEC, 0, 0, 0, 0, 0xE0};
  std::uint8_t identify[512] = {};
  driver_->StpPassThrough(*this, kIdentifyFis, sizeof kIdentifyFis, identify, sizeof identify, kDataIn);
  std::uint8_t swapped[40];
  for (std::size_t i = 0; i < sizeof swapped; i += 2) {
    swapped[i] = identify[54 + i + 1];
    swapped[i + 1] = identify[54 + i];
  }
  model_ = IdentificationText(swapped, sizeof swapped);
  return model_;
}

std::string ScsiDevice::FirmwareText() {
  if (Inquiry() != kScsiGood) return {};
  return IdentificationText(record_.inquiry.data() + 32, 4);
}

std::string ScsiDevice::SerialNumberText() {
  std::uint8_t page[kInquiryAllocation] = {};
  try {
    if (InquiryVpd(0x80, page, sizeof page) != kScsiGood || page[1] != 0x80) return {};
  } catch (const OruError&) {
    return {};
  }
  const std::size_t length = std::min<std::size_t>(page[3], sizeof page - 4);
  return Trim(IdentificationText(page + 4, length));
}

std::string ScsiDevice::BusSpeedText() {
  throw OruError("Cannot determine bus speed", Name());
}

std::string ScsiDevice::BusWidthText() {
  throw OruError("Cannot determine bus width", Name());
}

void ScsiDevice::DescribeScsiProperties(XmlObject& element, bool catalogRequest) {
  if (catalogRequest) return;
  element.AddProperty("Model", Translate("Model"), ModelText());
  element.AddProperty("Firmware", Translate("Firmware"), FirmwareText());
}

std::uint8_t ScsiDevice::SendCdb(const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer,
                                 std::uint32_t length, int direction) {
  record_.SetCdb(cdb, cdbLength);
  if (direction == kDataIn && buffer != nullptr) std::memset(buffer, 0, length);
  if (driver_ != nullptr) return driver_->SendToScsi(*this, cdb, cdbLength, buffer, length, direction);
  if (parent_ != nullptr) return parent_->ForwardCdb(*this, cdb, cdbLength, buffer, length, direction);
  throw OruError("Undefined SCSI adapter", StringPrintf("Device=%s Opcode=0x%02x", Name().c_str(), cdb[0]));
}

std::uint8_t ScsiDevice::ForwardCdb(ScsiDevice& child, const std::uint8_t* cdb, std::int32_t cdbLength,
                                    void* buffer, std::uint32_t length, int direction) {
  if (driver_ == nullptr)
    throw OruError("Undefined SCSI adapter",
                   StringPrintf("Device=%s Opcode=0x%02x", child.Name().c_str(), cdb[0]));
  const std::uint8_t status = driver_->SendToScsi(child, cdb, cdbLength, buffer, length, direction);
  // The adapter's record shows the last command it carried, which failure handling reads.
  record_.status = status;
  record_.sense = child.record_.sense;
  return status;
}

std::uint8_t ScsiDevice::Send6(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                               std::uint8_t b4, void* buffer, std::uint32_t length, int direction) {
  const std::uint8_t cdb[6] = {b0, b1, b2, b3, b4, 0};
  record_.status = SendCdb(cdb, sizeof cdb, buffer, length, direction);
  return record_.status;
}

std::uint8_t ScsiDevice::Inquiry() {
  if (record_.inquiryValid) return kScsiGood;
  const std::uint8_t status =
      Send6(0x12, 0, 0, 0, kInquiryAllocation, record_.inquiry.data(), record_.inquiry.size(), kDataIn);
  if (status == kScsiGood) {
    record_.inquiryValid = true;
    record_.deviceType = record_.inquiry[0] & 0x1F;
  }
  return status;
}

std::uint8_t ScsiDevice::InquiryVpd(std::uint8_t page, void* buffer, std::uint32_t length) {
  if (page == 0) {
    if (!record_.inquiryValid) Inquiry();
    return kScsiGood;
  }
  return Send6(0x12, 0x01, page, 0, kInquiryAllocation, buffer, length, kDataIn);
}

std::uint8_t ScsiDevice::GetDeviceType() {
  if (record_.deviceType == 0xFF) Inquiry();
  return record_.deviceType;
}

bool ScsiDevice::IsRemovable() {
  Inquiry();
  return (record_.inquiry[1] & 0x80) != 0;
}

std::uint8_t ScsiDevice::ClockingByte() {
  Inquiry();
  return record_.inquiry[56];
}

bool ScsiDevice::TestUnitReady() {
  try {
    // The sense area doubles as the (unused) data buffer of the command.
    Send6(0, 0, 0, 0, 0, record_.sense.data(), 32, kNoDataSense);
    DebugPrint("scsi status = %d\n", record_.status);
    return record_.status != kScsiCheckCondition;
  } catch (const OruError&) {
    if (parent_ != nullptr) record_.status = parent_->record_.status;
    DebugPrint("scsi status = %d\n", record_.status);
    if (parent_ != nullptr && parent_->record_.status == kScsiCheckCondition &&
        (parent_->record_.sense[2] & 0x0F) == kSenseHardwareError)
      throw;
    return false;
  }
}

bool ScsiDevice::Unload() {
  if (driver_ != nullptr) return driver_->Eject();
  if (Send6(0x1B, 0, 0, 0, 0, nullptr, 0, kNoData) == kScsiCheckCondition) {
    DebugPrint("ScsiDevice::Unload() - GetScsiStatus() = SCSI_CHECK_CONDITION!!\n");
    return false;
  }
  return true;
}

std::uint8_t ScsiDevice::ModeSense(std::uint8_t page, void* buffer, std::uint32_t length) {
  std::uint8_t data[kModeSenseLength];
  const std::uint8_t status = Send6(0x1A, 0, page, 0, 0xFF, data, sizeof data, kDataIn);
  // The page follows the 4-byte header and the block descriptors; whatever the device claims, the
  // copy stays inside the 256 bytes read.
  const std::uint32_t offset = std::min<std::uint32_t>(data[3] + 4u, sizeof data);
  const std::uint32_t count = std::min<std::uint32_t>(length, sizeof data - offset);
  std::memcpy(buffer, data + offset, count);
  return status;
}

std::uint8_t ScsiDevice::SendDiagnostic(std::uint8_t flags) {
  return Send6(0x1D, flags, 0, 0, 0, nullptr, 0, kNoData);
}

std::uint8_t ScsiDevice::RequestSense(void* buffer, std::uint8_t length) {
  return Send6(0x03, 0, 0, 0, length, buffer, length, kDataIn);
}

void ScsiDevice::LogSelect(std::uint8_t flags, std::uint8_t page, void* parameters, std::uint16_t length) {
  const std::uint8_t cdb[10] = {0x4C,
                                flags,
                                page,
                                0,
                                0,
                                0,
                                0,
                                static_cast<std::uint8_t>(length >> 8),
                                static_cast<std::uint8_t>(length),
                                0};
  record_.status = SendCdb(cdb, sizeof cdb, parameters, length, kDataOut);
  if (record_.status != kScsiGood) throw OruError("SCSI command is not supported", LastStatusText());
}

void ScsiDevice::LogSense(std::uint8_t page, std::uint16_t parameterPointer, void* buffer,
                          std::uint16_t length) {
  const std::uint8_t cdb[10] = {0x4D,
                                0,
                                page,
                                0,
                                0,
                                static_cast<std::uint8_t>(parameterPointer >> 8),
                                static_cast<std::uint8_t>(parameterPointer),
                                static_cast<std::uint8_t>(length >> 8),
                                static_cast<std::uint8_t>(length),
                                0};
  record_.status = SendCdb(cdb, sizeof cdb, buffer, length, kDataIn);
  if (record_.status != kScsiGood) throw OruError("SCSI command is not supported", LastStatusText());
}

std::uint8_t ScsiDevice::ReadCapacity(ScsiCapacity& capacity) {
  const std::uint8_t cdb[10] = {0x25};
  std::uint8_t data[8];
  record_.status = SendCdb(cdb, sizeof cdb, data, sizeof data, kDataIn);
  capacity.lastBlock = BigEndian32(data);
  capacity.blockLength = BigEndian32(data + 4);
  return record_.status;
}

std::uint8_t ScsiDevice::ReadCapacity16(ScsiCapacity16& capacity) {
  std::uint8_t cdb[16] = {0x9E, 0x10};
  std::uint8_t data[32];
  cdb[13] = sizeof data;
  record_.status = SendCdb(cdb, sizeof cdb, data, sizeof data, kDataIn);
  capacity.lastBlock = std::uint64_t{BigEndian32(data)} << 32 | BigEndian32(data + 4);
  capacity.blockLength = BigEndian32(data + 8);
  return record_.status;
}

std::uint8_t ScsiDevice::ReadWrite16(std::uint8_t opcode, std::uint64_t lba, std::uint32_t count, void* buffer,
                                     std::uint32_t length, int direction) {
  std::uint8_t cdb[16] = {opcode};
  for (int i = 0; i < 8; ++i) cdb[2 + i] = static_cast<std::uint8_t>(lba >> (56 - 8 * i));
  for (int i = 0; i < 4; ++i) cdb[10 + i] = static_cast<std::uint8_t>(count >> (24 - 8 * i));
  record_.status = SendCdb(cdb, sizeof cdb, buffer, length, direction);
  return record_.status;
}

std::uint8_t ScsiDevice::ReadWrite10(std::uint8_t opcode, std::uint32_t lba, std::uint16_t count,
                                     void* buffer, std::uint32_t length, int direction) {
  const std::uint8_t cdb[10] = {opcode,
                                0,
                                static_cast<std::uint8_t>(lba >> 24),
                                static_cast<std::uint8_t>(lba >> 16),
                                static_cast<std::uint8_t>(lba >> 8),
                                static_cast<std::uint8_t>(lba),
                                0,
                                static_cast<std::uint8_t>(count >> 8),
                                static_cast<std::uint8_t>(count),
                                0};
  record_.status = SendCdb(cdb, sizeof cdb, buffer, length, direction);
  return record_.status;
}

std::uint8_t ScsiDevice::ReadBlocks(std::uint32_t lba, std::uint16_t count, std::uint32_t blockLength,
                                    void* buffer) {
  return ReadWrite10(0x28, lba, count, buffer, count * blockLength, kDataIn);
}

std::uint8_t ScsiDevice::WriteBlocks(std::uint32_t lba, std::uint16_t count, std::uint32_t blockLength,
                                     void* buffer) {
  return ReadWrite10(0x2A, lba, count, buffer, count * blockLength, kDataOut);
}

std::uint8_t ScsiDevice::VerifyBlocks(std::uint32_t lba, std::uint16_t count) {
  return ReadWrite10(0x2F, lba, count, nullptr, 0, kNoData);
}

std::int32_t ScsiDevice::GrownDefectCount() {
  const std::uint8_t cdb[10] = {0x37, 0, 0x08, 0, 0, 0, 0, 0x02, 0x00, 0};
  std::uint8_t data[kDefectListLength];
  record_.status = SendCdb(cdb, sizeof cdb, data, sizeof data, kDataIn);
  if (record_.status != kScsiGood) return -1;
  return BigEndian16(data + 2) / 8;
}

std::uint8_t ScsiDevice::Format(int formatType) {
  // A 6-byte FORMAT UNIT sent as ten bytes, as the drives this serves accept it.
  const std::uint8_t cdb[10] = {
      0x04, static_cast<std::uint8_t>(formatType == 1 ? 0x14 : 0x10), 0, 0, 0, 0, 0, 0x02, 0, 0};
  std::uint8_t parameters[32] = {};
  record_.status = SendCdb(cdb, sizeof cdb, parameters, sizeof parameters, kDataOutFormat);
  return record_.status;
}

std::uint32_t ScsiDevice::GetExtendedOfflineSelfTestTime() {
  DebugPrint("ScsiDevice::GetExtendedOfflineSelfTestTime() - calling ModeSense()\n");
  const std::uint32_t minutes = ExtendedSelfTestSeconds() / 60u;
  return minutes > kMaxSelfTestMinutes ? 0 : minutes;
}

std::uint32_t ScsiDevice::ExtendedSelfTestSeconds() {
  std::uint8_t page[80] = {};
  if (ModeSense(0x0A, page, sizeof page) != kScsiGood || (page[0] & 0x3F) != 0x0A) return 0;
  return BigEndian16(page + 10);
}

bool ScsiDevice::IsSASDrive() {
  if (driver_ == nullptr) return false;
  if (CsmiSasInterface::SpeaksCsmi(*driver_)) return true;
  if (parent_ == nullptr) {
    DebugPrint("ScsiDevice::IsSASDrive() -- Could not get the adapter\n");
    return false;
  }
  if (parent_->driver_ == nullptr) return false;
  if (CsmiSasInterface::SpeaksCsmi(*parent_->driver_)) return true;
  Inquiry();
  for (std::size_t i = 58; i + 1 <= 73; i += 2) {
    if (IsSasVersionDescriptor(record_.inquiry[i], record_.inquiry[i + 1])) {
      DebugPrint("Found a SAS hard drive\n");
      return true;
    }
  }
  return false;
}

std::string ScsiDevice::LastStatusText() const {
  return ScsiStatusText(record_.status, record_.cdb.data(), static_cast<std::size_t>(record_.cdbLength),
                        record_.sense.data(), record_.sense.size());
}

}  // namespace rb
