#include "platform/sim/array/simarrayminiport.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "controllers/arraylayouts.h"
#include "controllers/seslayouts.h"
#include "platform/sim/array/simvolumelun.h"

namespace os {

namespace layout = rb::arraylayout;

namespace {

// Whether a CDB moves data to the device: the request of a SCSI-through-BMIC command carries no
// direction, so the controller knows it by the opcode, as its firmware does.
bool DataOut(std::uint8_t opcode) {
  switch (opcode) {
    case 0x0A:  // WRITE(6)
    case 0x15:  // MODE SELECT(6)
    case 0x1D:  // SEND DIAGNOSTIC
    case 0x2A:  // WRITE(10)
    case 0x2E:  // WRITE AND VERIFY(10)
    case 0x3B:  // WRITE BUFFER
    case 0x55:  // MODE SELECT(10)
    case 0x8A:  // WRITE(16)
    case 0x8E:  // WRITE AND VERIFY(16)
    case 0xAA:  // WRITE(12)
      return true;
    default:
      return false;
  }
}

void PutText(std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t width,
             const std::string& text) {
  for (std::size_t i = 0; i < width; ++i)
    bytes[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

// Standard INQUIRY data of the controller itself or of one of its volumes.
std::vector<std::uint8_t> Inquiry(std::uint8_t type, const std::string& product,
                                  const std::string& revision) {
  std::vector<std::uint8_t> data(96);
  data[0] = type;
  data[2] = 5;
  data[3] = 2;
  data[4] = static_cast<std::uint8_t>(data.size() - 5);
  PutText(data, 8, 8, "RAVEL");
  PutText(data, 16, 16, product);
  PutText(data, 32, 4, revision);
  return data;
}

void InvalidField(std::uint16_t& status, std::uint8_t* moreError, std::uint8_t field, std::uint8_t size) {
  status = layout::kCissInvalidCommand;
  moreError[2] = size;
  moreError[3] = field;
}

}  // namespace

win::DWORD SimArrayMiniport::Request(void* buffer, win::DWORD length) {
  auto* request = static_cast<std::uint8_t*>(buffer);
  if (!layout::WellFramed(request, length)) return win::ERROR_INVALID_PARAMETER;
  const std::uint32_t code = layout::Get32(request, layout::header::kControlCode);
  std::uint32_t result = layout::kReturnSuccess;
  const bool query = layout::HasSignature(request, layout::DriverKind::kQueryBmic) ||
                     layout::HasSignature(request, layout::DriverKind::kQueryCiss);
  const bool bmic = layout::HasSignature(request, layout::DriverKind::kBmic) && !controller_.Ciss();
  const bool ciss = layout::HasSignature(request, layout::DriverKind::kCiss) && controller_.Ciss();
  if (query) {
    result = Query(code, request + layout::kHeaderSize, length - layout::kHeaderSize);
  } else if (bmic && code == layout::kBmicControlCode) {
    if (length < layout::kBmicRequestSize) return win::ERROR_INVALID_PARAMETER;
    BmicRequest(request, length);
  } else if (bmic && code == layout::kScsiThroughBmicControlCode) {
    if (length < layout::kScsiThroughBmicRequestSize) return win::ERROR_INVALID_PARAMETER;
    ScsiThroughBmic(request, length);
  } else if (ciss && code == layout::kCissControlCode) {
    if (length < layout::kCissRequestSize) return win::ERROR_INVALID_PARAMETER;
    CissRequest(request, length);
  } else if (bmic || ciss) {
    result = layout::kReturnBadControlCode;
  } else {
    result = layout::kReturnInvalidParameter;
  }
  layout::Put32(request, layout::header::kReturnCode, result);
  return win::ERROR_SUCCESS;
}

std::uint32_t SimArrayMiniport::Query(std::uint32_t code, std::uint8_t* body, std::size_t size) {
  const std::size_t wanted = layout::QuerySize(code);
  if (wanted == 0) return layout::kReturnBadControlCode;
  if (size + layout::kHeaderSize < wanted) return layout::kReturnInvalidParameter;
  std::memset(body, 0, size);
  if (code == layout::kQueryConfig) {
    body[layout::config::kClass] = controller_.Class();
    if (const auto& pci = controller_.Pci()) {
      body[layout::config::kBusType] = layout::kBusTypePci;
      body[layout::config::kPciBus] = static_cast<std::uint8_t>(pci->bus);
      body[layout::config::kPciDevice] = static_cast<std::uint8_t>(pci->device);
      body[layout::config::kPciFunction] = static_cast<std::uint8_t>(pci->function);
    }
  } else if (code == layout::kQueryStatus) {
    body[0] = 1;  // the controller is running
  } else {
    const std::string_view name = controller_.Ciss() ? "simciss" : "simbmic";
    std::memcpy(body + layout::kDriverInfoName, name.data(), name.size());
  }
  return layout::kReturnSuccess;
}

void SimArrayMiniport::BmicRequest(std::uint8_t* request, std::size_t length) {
  request[layout::bmic::kStatus] = controller_.Bmic(
      request[layout::bmic::kCommand], request[layout::bmic::kUnit],
      layout::Get32(request, layout::bmic::kParameter), layout::Get16(request, layout::bmic::kParameter2),
      request + layout::bmic::kData, length - layout::kBmicRequestSize);
}

void SimArrayMiniport::ScsiThroughBmic(std::uint8_t* request, std::size_t length) {
  namespace sb = layout::scsibmic;
  SimScsiCommand command;
  command.cdb = request + sb::kCdb;
  command.cdbLength = std::min<std::size_t>(request[sb::kCdbLength], 16);
  command.data = request + sb::kData;
  command.dataLength = length - layout::kScsiThroughBmicRequestSize;
  command.dataIn = command.dataLength > 0 && !DataOut(command.Opcode());
  const bool found =
      request[sb::kLun] == 0 && controller_.Execute(request[sb::kPath], request[sb::kTarget], command);
  std::uint8_t bmicStatus = layout::kBmicOk;
  std::uint8_t machineError = layout::kMachineErrorNone;
  if (!found) {
    bmicStatus = layout::kBmicScsiError;
    machineError = layout::kMachineErrorSelectionTimeout;
  } else if (command.status != 0) {
    bmicStatus = layout::kBmicScsiError;
    machineError = layout::kMachineErrorTargetStatus;
    if (command.status == 2 && command.sense.size() >= 14) {
      const std::vector<std::uint8_t>& sense = command.sense;
      request[sb::kErrorCode] = sense[0];
      request[sb::kSenseKey] = sense[2] & 0x0F;
      request[sb::kAsc] = sense[12];
      request[sb::kAscq] = sense[13];
      layout::Put32(request, sb::kSenseInfo,
                    static_cast<std::uint32_t>(sense[3] << 24 | sense[4] << 16 | sense[5] << 8 | sense[6]));
    }
  }
  request[sb::kBmicStatus] = bmicStatus;
  request[sb::kMachineError] = machineError;
  request[sb::kScsiStatus] = found ? command.status : 0;
  const std::size_t moved = command.dataIn ? command.transferred : command.dataLength;
  layout::Put32(request, sb::kResidual,
                static_cast<std::uint32_t>(command.dataLength - std::min(moved, command.dataLength)));
}

void SimArrayMiniport::CissRequest(std::uint8_t* request, std::size_t length) {
  namespace c = layout::ciss;
  SimScsiCommand command;
  command.cdb = request + c::kCdb;
  command.cdbLength = std::min<std::size_t>(request[c::kCdbLength], 16);
  command.data = request + c::kData;
  command.dataLength = length - layout::kCissRequestSize;
  const std::uint32_t direction = layout::Get32(request, c::kDirection);
  command.dataIn = direction == layout::kCissDataIn;
  if (direction == layout::kCissNoData) command.dataLength = 0;
  std::uint16_t status = layout::kCissSuccess;
  std::uint8_t* moreError = request + c::kMoreError;
  std::memset(request + c::kScsiStatus, 0, c::kSense + 32 - c::kScsiStatus);

  const std::uint8_t* lun = request + c::kLun;
  const std::uint32_t word = layout::Get32(lun, 0);
  const auto fault = std::find_if(controller_.CissFaults().begin(), controller_.CissFaults().end(),
                                  [&](const auto& f) { return !f.opcode || *f.opcode == command.Opcode(); });
  if (fault != controller_.CissFaults().end()) {
    status = fault->status;
    if (status == layout::kCissInvalidCommand) InvalidField(status, moreError, fault->field, fault->size);
    if (status == layout::kCissTargetStatus) command.CheckCondition(0x04, 0x44, 0x00);
  } else if (std::all_of(lun, lun + 8, [](std::uint8_t b) { return b == 0; })) {
    ControllerCommand(command, status, moreError);
  } else if (word >> 30 == 1) {
    const std::size_t volume = word & 0x3FFFFFFF;
    if (volume >= controller_.Volumes().size()) {
      status = layout::kCissConnectionLost;
    } else {
      controller_.Advance();
      const std::vector<std::uint8_t> inquiry = Inquiry(0x00, "LOGICAL VOLUME", controller_.Firmware());
      SimVolumeLun(*controller_.Volumes()[volume], inquiry).Execute(command);
    }
  } else {
    // Physical addressing: mode 3 keeps bus and target in bytes 7 and 6, the others in the word.
    const bool mode3 = word >> 30 == 3;
    const std::uint8_t bus = mode3 ? lun[7] & 0x3F : (word >> 24) & 0x3F;
    const std::uint8_t target = mode3 ? lun[6] : static_cast<std::uint8_t>(word & 0xFFFF);
    if (SimArrayController* external = controller_.Externals().At(bus, target))
      SimArrayMiniport(*external).ControllerCommand(command, status, moreError);
    else if (!controller_.Execute(bus, target, command))
      status = layout::kCissConnectionLost;
  }

  if (status == layout::kCissSuccess && command.status != 0) status = layout::kCissTargetStatus;
  if (status == layout::kCissTargetStatus) {
    request[c::kScsiStatus] = command.status;
    const std::size_t sense = std::min<std::size_t>(command.sense.size(), 32);
    request[c::kSenseLength] = static_cast<std::uint8_t>(sense);
    std::memcpy(request + c::kSense, command.sense.data(), sense);
  } else if (status == layout::kCissSuccess && command.dataIn && command.transferred < command.dataLength) {
    status = layout::kCissDataUnderrun;
    layout::Put32(request, c::kResidual,
                  static_cast<std::uint32_t>(command.dataLength - command.transferred));
  }
  layout::Put16(request, c::kCommandStatus, status);
}

void SimArrayMiniport::ControllerCommand(SimScsiCommand& command, std::uint16_t& status,
                                         std::uint8_t* moreError) {
  switch (command.Opcode()) {
    case layout::kReportPhysicalLuns:
    case layout::kReportLogicalLuns:
      ReportLuns(command, command.Opcode() == layout::kReportPhysicalLuns);
      return;
    case 0x12:
      command.Answer(Inquiry(0x0C, controller_.Model(), controller_.Firmware()), command.BigEndian(3, 2));
      return;
    case layout::kBmicReadCdb:
    case layout::kBmicWriteCdb:
      BmicOverCiss(command, status, moreError);
      return;
    default:
      InvalidField(status, moreError, 0, 1);
  }
}

void SimArrayMiniport::ReportLuns(SimScsiCommand& command, bool physical) {
  std::vector<std::uint8_t> list(8);
  auto add = [&](const std::uint8_t(&entry)[8]) {
    if (list.size() < layout::kLunListSize) list.insert(list.end(), entry, entry + 8);
  };
  if (physical) {
    std::vector<std::pair<std::uint8_t, std::uint8_t>> addresses;
    for (const auto& disk : controller_.Disks()) addresses.emplace_back(disk->Bus(), disk->Target());
    for (const auto& backplane : controller_.Backplanes())
      addresses.emplace_back(backplane.bus, backplane.target);
    controller_.Externals().AppendAddresses(addresses);
    std::uint16_t number = 0;
    for (const auto& [bus, target] : addresses) {
      ++number;
      std::uint8_t entry[8] = {};
      if (controller_.LunAddressing() == 3) {
        layout::Put16(entry, 0, number);
        entry[3] = 0xC0;
        entry[6] = target;
        entry[7] = bus;
      } else {
        layout::Put32(entry, 0, static_cast<std::uint32_t>(bus) << 24 | target);
        layout::Put32(entry, 4, number);
      }
      add(entry);
    }
  } else {
    for (std::size_t i = 0; i < controller_.Volumes().size(); ++i) {
      std::uint8_t entry[8] = {};
      layout::Put32(entry, 0, 0x40000000u | static_cast<std::uint32_t>(i));
      add(entry);
    }
  }
  const std::uint32_t bytes = static_cast<std::uint32_t>(list.size() - 8);
  for (int i = 0; i < 4; ++i) list[i] = static_cast<std::uint8_t>(bytes >> (24 - 8 * i));
  command.Answer(list, command.dataLength);
}

void SimArrayMiniport::BmicOverCiss(SimScsiCommand& command, std::uint16_t& status, std::uint8_t* moreError) {
  const std::uint8_t code = command.Byte(6);
  if (code == layout::command::kVendor) return Vendor(command, status, moreError);
  const std::uint8_t expected = code == 0xA0 || code == 0x17 ? layout::kBmicReadCdb : layout::kBmicWriteCdb;
  if (command.Opcode() != expected) return InvalidField(status, moreError, 0, 1);
  const std::uint8_t unit = command.Byte(1);
  const std::uint32_t parameter = static_cast<std::uint32_t>(command.Byte(2) | command.Byte(3) << 8 |
                                                             command.Byte(4) << 16 | command.Byte(5) << 24);
  const std::size_t length = std::min<std::size_t>(command.BigEndian(7, 2), command.dataLength);
  std::uint16_t count = 0;
  if (unit < controller_.Volumes().size())
    count = static_cast<std::uint16_t>(length / controller_.Volumes()[unit]->BlockSize());
  const std::uint8_t result = controller_.Bmic(code, unit, parameter, count, command.data, length);
  command.transferred = command.dataLength;
  if (result == layout::kBmicDriveFailed)
    command.CheckCondition(0x03, 0x11, 0x00);  // MEDIUM ERROR, unrecovered read error
  else if (result != layout::kBmicOk)
    command.CheckCondition(0x05, 0x24, 0x00);  // ILLEGAL REQUEST, invalid field in CDB
}

}  // namespace os

namespace os {

void SimArrayMiniport::Vendor(SimScsiCommand& command, std::uint16_t& status, std::uint8_t* moreError) {
  // Each simulated sub-function has its case; the others are refused as an invalid CDB byte 8.
  switch (command.Byte(8)) {
    case layout::kVendorI2cAccess:
      return I2cAccess(command);
    case rb::seslayout::kPassThrough:
      return SimSesAccess(controller_.Enclosures(), command);
    case layout::kVendorSesNvram:
      if (controller_.Enclosures().empty()) return InvalidField(status, moreError, 8, 1);
      return controller_.Enclosures().front()->NvramRegion(command);
    case layout::kVendorCpldVersion:
    case layout::kVendorPicBattery:
    case layout::kVendorDiagRomVersion:
    case layout::kVendorWorldWideNames:
    case layout::kVendorAsicRevisions:
    case layout::kVendorStorageBoxVersion:
      return ControllerInfo(command, status, moreError);
    case layout::kVendorDiagStart:
      return controller_.Diagnostics().Start(command);
    case layout::kVendorDiagResult:
      return controller_.Diagnostics().Result(command);
    default:
      return InvalidField(status, moreError, 8, 1);
  }
}

void SimArrayMiniport::ControllerInfo(SimScsiCommand& command, std::uint16_t& status,
                                      std::uint8_t* moreError) {
  const std::uint8_t subFunction = command.Byte(8);
  if (!controller_.VendorInfo()) return InvalidField(status, moreError, 8, 1);
  if (command.Opcode() != SimControllerInfo::Opcode(subFunction))
    return InvalidField(status, moreError, 0, 1);
  controller_.VendorInfo()->Answer(subFunction, command);
}

void SimArrayMiniport::I2cAccess(SimScsiCommand& command) {
  // A request that moves data in reads the part, whichever of 26h and 27h carries it (boards differ in
  // which they take for a read); one that moves data out writes it.
  std::vector<std::uint8_t>* part = controller_.Nvram(command.Byte(9));
  if (part == nullptr) return command.CheckCondition(0x05, 0x24, 0x00);
  const std::size_t count = std::min(part->size(), command.dataLength);
  if (command.dataIn) {
    std::memset(command.data, 0, command.dataLength);
    std::copy_n(part->begin(), count, command.data);
  } else {
    std::copy_n(command.data, count, part->begin());
  }
  command.transferred = command.dataLength;
}

}  // namespace os
