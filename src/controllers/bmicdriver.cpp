#include "controllers/bmicdriver.h"

#include <cstring>
#include <new>
#include <vector>

#include "controllers/miniportrequest.h"
#include "devices/scsi/scsisense.h"
#include "support/oruerror.h"

namespace rb {

namespace {

namespace layout = arraylayout;
namespace bmic = arraylayout::bmic;
namespace scsibmic = arraylayout::scsibmic;

std::vector<std::uint8_t> NewRequest(std::size_t size) {
  try {
    return std::vector<std::uint8_t>(size, 0);
  } catch (const std::bad_alloc&) {
    throw OruError("Out of Memory", "BmicDriver::Send");
  }
}

}  // namespace

ControllerPortTable BmicDriver::DiscoverPorts() {
  return DiscoverControllerPorts(layout::DriverKind::kQueryBmic, layout::kClassBmic);
}

void BmicDriver::PciLocation(std::int32_t& bus, std::int32_t& device, std::int32_t& function) const {
  ReadControllerPciLocation(PortNumber(), layout::DriverKind::kQueryBmic, bus, device, function);
}

void BmicDriver::Send(BmicRecord& record, void* data, std::uint32_t length, ScsiThroughBmicRecord* scsi) {
  if (data == nullptr) length = 0;
  const std::size_t dataOffset = scsi == nullptr ? bmic::kData : scsibmic::kData;
  std::vector<std::uint8_t> request =
      NewRequest((scsi == nullptr ? layout::kBmicRequestSize : layout::kScsiThroughBmicRequestSize) + length);
  if (length > 0) std::memcpy(request.data() + dataOffset, data, length);
  if (scsi == nullptr) {
    request[bmic::kUnit] = record.unit;
    request[bmic::kCommand] = record.command;
    layout::Put16(request.data(), bmic::kParameter2, record.secondParameter);
    layout::Put32(request.data(), bmic::kParameter, record.parameter);
  } else {
    request[scsibmic::kPath] = scsi->path;
    request[scsibmic::kTarget] = scsi->target;
    request[scsibmic::kLun] = scsi->lun;
    const std::uint8_t cdbLength = std::min<std::uint8_t>(scsi->cdbLength, sizeof scsi->cdb);
    request[scsibmic::kCdbLength] = cdbLength;
    std::memcpy(request.data() + scsibmic::kCdb, scsi->cdb, cdbLength);
    layout::Put32(request.data(), scsibmic::kTimeout, scsi->timeout);
  }

  ArrayPortDriver::Send(layout::DriverKind::kBmic,
                        scsi == nullptr ? layout::kBmicControlCode : layout::kScsiThroughBmicControlCode,
                        request.data(), static_cast<win::DWORD>(request.size()));

  if (scsi == nullptr) {
    record.status = request[bmic::kStatus];
  } else {
    record.status = request[scsibmic::kBmicStatus];
    scsi->residualCount = layout::Get32(request.data(), scsibmic::kResidual);
    scsi->scsiStatus = request[scsibmic::kScsiStatus];
    scsi->machineError = request[scsibmic::kMachineError];
    if (scsi->scsiStatus == kScsiCheckCondition) {
      scsi->senseInformation = layout::Get32(request.data(), scsibmic::kSenseInfo);
      scsi->additionalSenseCode = request[scsibmic::kAsc];
      scsi->senseKey = request[scsibmic::kSenseKey];
      scsi->senseErrorCode = request[scsibmic::kErrorCode];
      scsi->qualifier = request[scsibmic::kAscq];
    }
  }
  if (length > 0) std::memcpy(data, request.data() + dataOffset, length);
}

}  // namespace rb
