#include "controllers/sesdiagapi.h"

#include <algorithm>
#include <cstring>

#include "controllers/arraylayouts.h"
#include "controllers/cissdevice.h"
#include "controllers/seslayouts.h"
#include "devices/scsi/scsicommandrecord.h"
#include "framework/ptstream.h"
#include "support/debug.h"
#include "support/oruerror.h"

namespace rb {

namespace ses = seslayout;

namespace {

std::uint16_t Get16Be(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

}  // namespace

SESDiagApi::SESDiagApi(CissDevice& controller) : controller_(&controller) {}

SESDiagApi::SESDiagApi() = default;

void SESDiagApi::Stream(ptstream& stream, bool writing, std::int32_t) {
  stream.TransferLink(controller_);
  const std::size_t count = stream.TransferCount(handles_.size(), 4);
  if (!writing) handles_.assign(count, 0);
  for (std::uint16_t& handle : handles_) {
    std::uint32_t value = handle;
    stream.Transfer(value);
    handle = static_cast<std::uint16_t>(value);
  }
  const std::size_t bytes = stream.TransferCount(lastPage_.size(), 1);
  if (!writing) lastPage_.assign(bytes, 0);
  if (bytes != 0) stream.TransferBytes(lastPage_.data(), bytes);
}

void SESDiagApi::Assign(const Persistent& other) {
  const auto* api = dynamic_cast<const SESDiagApi*>(&other);
  if (api == nullptr) return;
  controller_ = api->controller_;
  handles_ = api->handles_;
  lastPage_ = api->lastPage_;
}

std::uint16_t SESDiagApi::Handle(std::size_t index) const {
  return index < handles_.size() ? handles_[index] : ses::kNoHandle;
}

namespace {

// One access: the CDB of the controller's enclosure pages.
bool SendAccess(CissDevice* controller, bool write, std::uint16_t handle, std::uint8_t page,
                std::uint16_t argument1, std::uint16_t argument2, void* buffer, std::uint32_t length) {
  if (controller == nullptr || handle == ses::kNoHandle) return false;
  std::uint8_t cdb[ses::kCdbLength] = {};
  cdb[ses::cdb::kOpcode] = write ? ses::kWriteOpcode : ses::kReadOpcode;
  arraylayout::Put16(cdb, ses::cdb::kHandle, handle);
  arraylayout::Put16(cdb, ses::cdb::kArgument1, argument1);
  cdb[ses::cdb::kCommand] = ses::kVendorCommand;
  cdb[ses::cdb::kPassThrough] = ses::kPassThrough;
  cdb[ses::cdb::kPage] = page;
  arraylayout::Put16(cdb, ses::cdb::kArgument2, argument2);
  try {
    DebugPrint("Calling m_CissDevice->SendScsi()\n");
    const std::uint8_t status =
        controller->SendToController(cdb, sizeof cdb, buffer, length, write ? kDataOut : kDataIn);
    DebugPrint("After calling m_CissDevice->SendScsi()\n");
    if (status != 0) {
      DebugPrint("m_CissDevice->SendScsi() returned error\n");
      return false;
    }
  } catch (const OruWarning&) {
    DebugPrint("Caught error in m_CissDevice->SendScsi()\n");
    return false;
  }
  return true;
}

}  // namespace

bool SESDiagApi::ReadPage(std::uint16_t handle, std::uint8_t page, std::uint16_t argument1,
                          std::uint16_t argument2, void* buffer, std::uint32_t length) {
  if (buffer != nullptr && length != 0) std::memset(buffer, 0, length);
  if (!SendAccess(controller_, false, handle, page, argument1, argument2, buffer, length)) return false;
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  lastPage_.assign(bytes, bytes + (bytes != nullptr ? length : 0));
  return true;
}

bool SESDiagApi::WritePage(std::uint16_t handle, std::uint8_t page, std::uint16_t argument1,
                           std::uint16_t argument2, const void* buffer, std::uint32_t length) {
  // The transport takes a writable buffer; a copy keeps the caller's data untouched.
  std::vector<std::uint8_t> data(static_cast<const std::uint8_t*>(buffer),
                                 static_cast<const std::uint8_t*>(buffer) + (buffer != nullptr ? length : 0));
  return SendAccess(controller_, true, handle, page, argument1, argument2,
                    data.empty() ? nullptr : data.data(), static_cast<std::uint32_t>(data.size()));
}

int SESDiagApi::FindEnclosures() {
  DebugPrint("Beginning SESDiagApi::FindEnclosures() \n");
  handles_.clear();
  std::vector<std::uint8_t> reply(ses::kQueryLength, 0);
  // Discovery is addressed to the controller, not to an enclosure: handle 0.
  if (!ReadPage(0, ses::kPageQuery, ses::kQueryEnclosures, 0, reply.data(), ses::kQueryLength)) return 0;
  const std::size_t count = std::min<std::size_t>(arraylayout::Get16(reply.data(), 0), ses::kMaxEnclosures);
  for (std::size_t i = 0; i < count; ++i)
    handles_.push_back(arraylayout::Get16(reply.data(), ses::kEnclosureHandles + 2 * i));
  return static_cast<int>(handles_.size());
}

int SESDiagApi::Query(std::uint16_t argument) {
  std::vector<std::uint8_t> reply(ses::kQueryLength, 0);
  if (!ReadPage(0, ses::kPageQuery, argument, 0, reply.data(), ses::kQueryLength)) return -1;
  return arraylayout::Get16(reply.data(), 0);
}

bool SESDiagApi::ReadEnclosureBuffer(std::size_t index, std::uint16_t bufferId,
                                     std::vector<std::uint8_t>& buffer) {
  DebugPrint("Reading enclosure buffer, index = %d\n", static_cast<int>(index));
  return ReadEnclosureBufferByHandle(Handle(index), bufferId, buffer);
}

bool SESDiagApi::ReadEnclosureBufferByHandle(std::uint16_t handle, std::uint16_t bufferId,
                                             std::vector<std::uint8_t>& buffer) {
  DebugPrint("Reading enclosure buffer, handle = %d\n", handle);
  return ReadPage(handle, ses::kPageBuffer, bufferId, static_cast<std::uint16_t>(buffer.size()),
                  buffer.empty() ? nullptr : buffer.data(), static_cast<std::uint32_t>(buffer.size()));
}

bool SESDiagApi::WriteEnclosureBuffer(std::size_t index, std::uint16_t bufferId,
                                      const std::vector<std::uint8_t>& buffer) {
  return WritePage(Handle(index), ses::kPageBuffer, bufferId, static_cast<std::uint16_t>(buffer.size()),
                   buffer.empty() ? nullptr : buffer.data(), static_cast<std::uint32_t>(buffer.size()));
}

int SESDiagApi::QueryByte(std::size_t index, std::uint16_t argument) {
  std::vector<std::uint8_t> reply(ses::kQueryByteLength, 0);
  if (!ReadPage(Handle(index), ses::kPageQueryByte, argument, 0, reply.data(), ses::kQueryByteLength))
    return -1;
  return reply[0];
}

bool SESDiagApi::QueryElement(std::size_t index, std::uint16_t argument, std::vector<std::uint8_t>& reply) {
  return ReadPage(Handle(index), ses::kPageElementQuery, argument, 0, reply.empty() ? nullptr : reply.data(),
                  static_cast<std::uint32_t>(reply.size()));
}

bool SESDiagApi::SetElement(std::size_t index, std::uint8_t type, std::uint8_t number,
                            const SesElementRecord& control) {
  const std::uint16_t handle = Handle(index);
  DebugPrint("Setting enclosure element, handle = %d\n", handle);
  return WritePage(handle, ses::kPageSetElement, type, number, control.data(), ses::kElementRecordSize);
}

bool SESDiagApi::ReadElements(std::size_t index, std::uint8_t type, std::vector<SesElementRecord>& records) {
  records.clear();
  constexpr std::size_t kPageLength = 2048;
  std::vector<std::uint8_t> configuration(kPageLength, 0);
  std::vector<std::uint8_t> status(kPageLength, 0);
  if (!QueryElement(index, ses::kSesConfiguration, configuration)) return false;
  if (!QueryElement(index, ses::kSesEnclosureStatus, status)) return false;
  if (configuration[ses::page::kCode] != ses::kSesConfiguration ||
      status[ses::page::kCode] != ses::kSesEnclosureStatus)
    return false;
  const std::size_t configEnd =
      std::min<std::size_t>(kPageLength, 4 + std::size_t{Get16Be(configuration, ses::page::kLength)});
  const std::size_t statusEnd =
      std::min<std::size_t>(kPageLength, 4 + std::size_t{Get16Be(status, ses::page::kLength)});
  // The primary enclosure descriptor, then its type descriptor headers.
  const std::size_t descriptor = ses::page::kHeaderSize;
  if (descriptor + ses::enclosuredescriptor::kMinimumSize > configEnd) return false;
  const std::size_t types = configuration[descriptor + ses::enclosuredescriptor::kTypeCount];
  std::size_t header =
      descriptor + 4 + configuration[descriptor + ses::enclosuredescriptor::kDescriptorLength];
  std::size_t record = ses::page::kHeaderSize;
  for (std::size_t t = 0; t < types; ++t, header += ses::typeheader::kSize) {
    if (header + ses::typeheader::kSize > configEnd) return false;
    const std::size_t possible = configuration[header + ses::typeheader::kPossibleElements];
    record += ses::kElementRecordSize;  // the overall status record
    const bool wanted = configuration[header + ses::typeheader::kElementType] == type;
    for (std::size_t e = 0; e < possible; ++e, record += ses::kElementRecordSize) {
      if (record + ses::kElementRecordSize > statusEnd) return false;
      if (wanted)
        records.push_back({status[record], status[record + 1], status[record + 2], status[record + 3]});
    }
  }
  return true;
}

std::string SESDiagApi::StatusText(std::uint8_t statusByte) {
  static const char* const kTexts[] = {
      "Status detection is not implemented",
      "OK",
      "Critical condition is detected",
      "Non critical condition is detected",
      "Unrecoverable condition is detected",
      "Element is not installed",
      "Sensor has failed or element status is not available",
      "Element installed, no know error, but element has not been turned on or set into operation",
  };
  const std::uint8_t code = statusByte & ses::kStatusMask;
  return code < 8 ? kTexts[code] : "Invalid";
}

}  // namespace rb
