#include "controllers/cissdriver.h"

#include <cstring>
#include <new>
#include <vector>

#include "controllers/cisscommandlist.h"
#include "controllers/miniportrequest.h"
#include "support/oruerror.h"

namespace rb {

namespace {

namespace layout = arraylayout;
namespace field = arraylayout::ciss;

// The request's transfer direction for the command list's.
std::uint32_t RequestDirection(CissListDirection direction) {
  if (direction == kCissListDataIn) return layout::kCissDataIn;
  if (direction == kCissListDataOut) return layout::kCissDataOut;
  return layout::kCissNoData;
}

}  // namespace

ControllerPortTable CissDriver::DiscoverPorts() {
  return DiscoverControllerPorts(layout::DriverKind::kQueryCiss, layout::kClassCiss);
}

void CissDriver::PciLocation(std::int32_t& bus, std::int32_t& device, std::int32_t& function) const {
  ReadControllerPciLocation(PortNumber(), layout::DriverKind::kQueryCiss, bus, device, function);
}

void CissDriver::Send(CissCommandList& list) {
  const CissScatterGatherEntry& data = list.entries[0];
  auto* buffer = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(data.address));
  const std::uint32_t length = buffer != nullptr ? data.length : 0;
  std::vector<std::uint8_t> request;
  try {
    request.assign(layout::kCissRequestSize + length, 0);
  } catch (const std::bad_alloc&) {
    throw OruError("Out of Memory", "CissDriver::Send");
  }
  if (length > 0) std::memcpy(request.data() + field::kData, buffer, length);
  std::memcpy(request.data() + field::kLun, list.lunAddress, sizeof list.lunAddress);
  layout::Put16(request.data(), field::kTimeout, list.timeout);
  const std::uint8_t cdbLength = std::min<std::uint8_t>(list.cdbLength, sizeof list.cdb);
  request[field::kCdbLength] = cdbLength;
  std::memcpy(request.data() + field::kCdb, list.cdb, cdbLength);
  layout::Put32(request.data(), field::kDirection, RequestDirection(list.Direction()));

  ArrayPortDriver::Send(layout::DriverKind::kCiss, layout::kCissControlCode, request.data(),
                        static_cast<win::DWORD>(request.size()));

  if (list.errorRecord != nullptr) {
    CissErrorInfo& record = *list.errorRecord;
    record.scsiStatus = request[field::kScsiStatus];
    record.senseLength = request[field::kSenseLength];
    record.commandStatus = layout::Get16(request.data(), field::kCommandStatus);
    record.residualCount = layout::Get32(request.data(), field::kResidual);
    std::memcpy(record.moreErrorInfo, request.data() + field::kMoreError, sizeof record.moreErrorInfo);
    std::memcpy(record.senseData, request.data() + field::kSense, sizeof record.senseData);
  }
  if (length > 0) std::memcpy(buffer, request.data() + field::kData, length);
}

}  // namespace rb
