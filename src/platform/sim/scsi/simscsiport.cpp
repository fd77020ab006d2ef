#include "platform/sim/scsi/simscsiport.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/passthroughrequest.h"
#include "platform/scsiinquirydata.h"
#include "platform/sim/array/simarrayminiport.h"
#include "platform/sim/scsi/simdriverequests.h"
#include "platform/sim/scsi/simmmcdrive.h"
#include "platform/sim/scsi/simosdevice.h"
#include "platform/sim/scsi/simsbcdisk.h"
#include "platform/sim/scsi/simssctape.h"
#include "platform/sim/scsi/simtapehandle.h"
#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace {

std::unique_ptr<SimScsiUnit> MakeUnit(const SimMachine& machine, const rb::XmlObject& element,
                                      const std::shared_ptr<SimClock>& clock) {
  const std::string& kind = element.Name();
  if (rb::EqualsNoCase(kind, "disk")) return std::make_unique<SimSbcDisk>(machine, element, clock);
  if (rb::EqualsNoCase(kind, "optical")) return std::make_unique<SimMmcDrive>(machine, element, clock);
  if (rb::EqualsNoCase(kind, "tape")) return std::make_unique<SimSscTape>(machine, element, clock);
  if (rb::EqualsNoCase(kind, "enclosure"))
    return std::make_unique<SimScsiUnit>(machine, element, kSimEnclosure, clock);
  if (rb::EqualsNoCase(kind, "processor"))
    return std::make_unique<SimScsiUnit>(machine, element, kSimProcessor, clock);
  return nullptr;
}

// The <pci> function a port names as its controller.
std::optional<PciFunction> FindController(const SimMachine& machine, const rb::XmlObject& element,
                                          const std::vector<PciFunction>& pci) {
  if (element.FindAttribute("pciBus") == nullptr) return std::nullopt;
  const auto bus = machine.Number(element, "pciBus", 0xFF);
  const auto device = element.FindAttribute("pciDevice") ? machine.Number(element, "pciDevice", 31) : 0;
  const auto function = element.FindAttribute("pciFunction") ? machine.Number(element, "pciFunction", 7) : 0;
  for (const PciFunction& f : pci)
    if (f.bus == bus && f.device == device && f.function == function) return f;
  machine.Reject(rb::StringPrintf("<port> names PCI function %u:%u.%u, which <pci> does not declare",
                                  static_cast<unsigned>(bus), static_cast<unsigned>(device),
                                  static_cast<unsigned>(function)));
}

}  // namespace

SimScsiPort::SimScsiPort(const SimMachine& machine, const rb::XmlObject& element,
                         const std::shared_ptr<SimClock>& clock, const std::vector<PciFunction>& pci)
    : number_(static_cast<std::uint32_t>(machine.Number(element, "number", 255))),
      usb_(element.GetAttribute("usb") == "1"),
      ide_(element.GetAttribute("ide") == "1"),
      fdc_(element.GetAttribute("fdc") == "1"),
      controller_(FindController(machine, element, pci)) {
  if (element.FindAttribute("openError") != nullptr)
    openError_ = static_cast<win::DWORD>(machine.Number(element, "openError", 0xFFFFFFFF));
  driver_ = element.GetAttribute("driver", usb_ ? "USBSTOR" : "simscsi");
  if (element.FindAttribute("ioAddress") != nullptr) {
    ioAddress_ = static_cast<std::uint32_t>(machine.Number(element, "ioAddress", 0xFFFFFFFF));
  } else if (controller_) {
    const auto io = std::find_if(controller_->bars.begin(), controller_->bars.end(),
                                 [](const PciFunction::Bar& bar) { return bar.io; });
    if (io != controller_->bars.end()) ioAddress_ = static_cast<std::uint32_t>(io->address);
  }
  for (const rb::XmlObject& child : element.Children()) {
    auto unit = MakeUnit(machine, child, clock);
    if (unit == nullptr) continue;
    if (FindUnit(unit->Path(), unit->Target(), unit->Lun()) != nullptr)
      machine.Reject(rb::StringPrintf("port %u declares two units at %u:%u:%u", number_, unit->Path(),
                                      unit->Target(), unit->Lun()));
    units_.push_back(std::move(unit));
  }
  if (element.GetAttribute("csmi") == "1") csmi_.emplace(machine, element);
  if (element.FindAttribute("array") != nullptr)
    array_ = std::make_unique<SimArrayController>(machine, element, clock, controller_);
}

bool SimScsiPort::Mounted(const win::ScsiAddress& address) const {
  if (const SimScsiUnit* unit = FindUnit(address.PathId, address.TargetId, address.Lun))
    return unit->Mounted();
  if (!array_ || address.PathId != 0 || address.Lun != 0) return false;
  const auto& volumes = array_->Volumes();
  return address.TargetId < volumes.size() && volumes[address.TargetId]->Mounted();
}

SimScsiUnit* SimScsiPort::FindUnit(std::uint8_t path, std::uint8_t target, std::uint8_t lun) const {
  for (const auto& unit : units_)
    if (unit->Path() == path && unit->Target() == target && unit->Lun() == lun) return unit.get();
  return nullptr;
}

win::DWORD SimScsiPort::PassThrough(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                                    win::DWORD outLength, win::DWORD* returned, SimScsiUnit* fixed) {
  PassThroughRequest request;
  if (const win::DWORD error = request.Parse(code, in, inLength, out, outLength)) return error;
  std::lock_guard lock(mutex_);
  SimScsiUnit* unit = fixed != nullptr ? fixed : FindUnit(request.path, request.target, request.lun);
  if (unit == nullptr) return win::ERROR_SEM_TIMEOUT;
  SimScsiCommand command;
  command.cdb = request.cdb;
  command.cdbLength = request.cdbLength;
  command.dataIn = request.dataIn == win::SCSI_IOCTL_DATA_IN;
  command.data = request.data;
  command.dataLength = request.length;
  if (const win::DWORD error = unit->Execute(command)) return error;
  request.Complete(command.status, command.sense.data(), static_cast<std::uint32_t>(command.sense.size()),
                   command.dataIn ? static_cast<std::uint32_t>(command.transferred) : request.length,
                   returned);
  return win::ERROR_SUCCESS;
}

win::DWORD SimScsiPort::UnitCommand(SimScsiUnit& unit, SimScsiCommand& command) {
  std::lock_guard lock(mutex_);
  return unit.Execute(command);
}

win::DWORD SimScsiPort::Miniport(void* buffer, win::DWORD length) {
  std::lock_guard lock(mutex_);
  if (array_) return SimArrayMiniport(*array_).Request(buffer, length);
  if (!csmi_) return win::ERROR_NOT_SUPPORTED;
  return csmi_->Request(buffer, length, [this](std::uint8_t target, SimScsiCommand& command) {
    SimScsiUnit* unit = FindUnit(0, target, 0);
    return unit != nullptr && unit->Execute(command) == win::ERROR_SUCCESS;
  });
}

win::DWORD SimScsiPort::InquiryData(void* out, win::DWORD outLength, win::DWORD* returned) const {
  std::vector<ScsiUnitInquiry> listed;
  for (const auto& unit : units_) {
    ScsiUnitInquiry entry;
    entry.path = unit->Path();
    entry.target = unit->Target();
    entry.lun = unit->Lun();
    // Enclosures and processors have no class driver of the system.
    const std::uint8_t type = unit->PeripheralType();
    entry.claimed = type == kSimDirectAccess || type == kSimMmc || type == kSimSequentialAccess;
    const std::vector<std::uint8_t> inquiry = unit->StandardInquiry();
    std::copy_n(inquiry.begin(), entry.inquiry.size(), entry.inquiry.begin());
    listed.push_back(entry);
  }
  return WriteScsiInquiryData(std::move(listed), out, outLength, returned);
}

win::DWORD SimScsiPort::DriveRequest(SimScsiUnit& unit, win::DWORD code, const void* in, win::DWORD inLength,
                                     void* out, win::DWORD outLength, win::DWORD* returned, bool& handled) {
  std::lock_guard lock(mutex_);
  return SimDriveRequest(unit, code, in, inLength, out, outLength, returned, handled);
}

win::DWORD SimScsiPort::DriveTransfer(SimScsiUnit& unit, bool write, std::uint64_t offset, std::uint8_t* data,
                                      win::DWORD count, win::DWORD* moved) {
  std::lock_guard lock(mutex_);
  *moved = 0;
  std::uint8_t capacity[8] = {};
  const std::uint8_t readCapacity[10] = {0x25};
  if (const win::DWORD error =
          SimDriveCommand(unit, readCapacity, sizeof readCapacity, true, capacity, sizeof capacity, nullptr))
    return error;
  const std::uint32_t blockSize =
      static_cast<std::uint32_t>(capacity[4] << 24 | capacity[5] << 16 | capacity[6] << 8 | capacity[7]);
  // Unbuffered access moves whole blocks from whole-block positions, as on Windows.
  if (blockSize == 0 || offset % blockSize != 0 || count % blockSize != 0)
    return win::ERROR_INVALID_PARAMETER;
  const std::uint64_t lba = offset / blockSize;
  const std::uint32_t blocks = count / blockSize;
  std::uint8_t cdb[16] = {static_cast<std::uint8_t>(write ? 0x8A : 0x88)};
  for (int i = 0; i < 8; ++i) cdb[2 + i] = static_cast<std::uint8_t>(lba >> (8 * (7 - i)));
  for (int i = 0; i < 4; ++i) cdb[10 + i] = static_cast<std::uint8_t>(blocks >> (8 * (3 - i)));
  std::size_t transferred = 0;
  const win::DWORD error = SimDriveCommand(unit, cdb, sizeof cdb, !write, data, count, &transferred);
  if (error == win::ERROR_SUCCESS) *moved = static_cast<win::DWORD>(transferred);
  return error;
}

win::DWORD SimScsiPortHandle::Read(void* buffer, win::DWORD count, win::DWORD* moved) {
  if (drive_ == nullptr) return DeviceHandle::Read(buffer, count, moved);
  const win::DWORD error =
      port_->DriveTransfer(*drive_, false, position_, static_cast<std::uint8_t*>(buffer), count, moved);
  position_ += *moved;
  return error;
}

win::DWORD SimScsiPortHandle::Write(const void* buffer, win::DWORD count, win::DWORD* moved) {
  if (drive_ == nullptr) return DeviceHandle::Write(buffer, count, moved);
  // The unit reads what it writes from the buffer; it never changes it.
  const win::DWORD error = port_->DriveTransfer(
      *drive_, true, position_, static_cast<std::uint8_t*>(const_cast<void*>(buffer)), count, moved);
  position_ += *moved;
  return error;
}

win::DWORD SimScsiPortHandle::Seek(std::int64_t distance, win::DWORD method, std::int64_t* position) {
  if (drive_ == nullptr) return DeviceHandle::Seek(distance, method, position);
  return MovePosition(position_, distance, method, position);
}

win::DWORD SimScsiPortHandle::Control(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                                      win::DWORD outLength, win::DWORD* returned) {
  if (drive_ != nullptr) {
    bool handled = false;
    const win::DWORD error =
        port_->DriveRequest(*drive_, code, in, inLength, out, outLength, returned, handled);
    if (handled) return error;
  }
  switch (code) {
    case win::IOCTL_SCSI_PASS_THROUGH:
    case win::IOCTL_SCSI_PASS_THROUGH_DIRECT:
      return port_->PassThrough(code, in, inLength, out, outLength, returned, drive_);
    case win::IOCTL_SCSI_MINIPORT:
      if (drive_ != nullptr) return win::ERROR_INVALID_FUNCTION;
      *returned = outLength;
      return port_->Miniport(out, outLength);
    case win::IOCTL_SCSI_GET_INQUIRY_DATA:
      if (drive_ != nullptr) return win::ERROR_INVALID_FUNCTION;
      return port_->InquiryData(out, outLength, returned);
    case win::IOCTL_SCSI_GET_ADDRESS: {
      if (drive_ == nullptr || port_->FloppyController()) return win::ERROR_INVALID_FUNCTION;
      if (out == nullptr || outLength < sizeof(win::ScsiAddress)) return win::ERROR_INSUFFICIENT_BUFFER;
      const win::ScsiAddress address{sizeof(win::ScsiAddress), static_cast<std::uint8_t>(port_->Number()),
                                     drive_->Path(), drive_->Target(), drive_->Lun()};
      std::memcpy(out, &address, sizeof address);
      *returned = sizeof address;
      return win::ERROR_SUCCESS;
    }
    default:
      return win::ERROR_INVALID_FUNCTION;
  }
}

std::vector<std::shared_ptr<SimScsiPort>> SimScsiPort::ReadAll(const SimMachine& machine,
                                                               const std::shared_ptr<SimClock>& clock,
                                                               const std::vector<PciFunction>& pci) {
  std::vector<std::shared_ptr<SimScsiPort>> ports;
  for (const rb::XmlObject* section : machine.Description().GetChildren("scsi")) {
    for (const rb::XmlObject* element : section->GetChildren("port")) {
      auto port = std::make_shared<SimScsiPort>(machine, *element, clock, pci);
      for (const auto& other : ports)
        if (other->Number() == port->Number())
          machine.Reject(rb::StringPrintf("port %u is declared twice", port->Number()));
      ports.push_back(std::move(port));
    }
  }
  std::sort(ports.begin(), ports.end(),
            [](const auto& a, const auto& b) { return a->Number() < b->Number(); });
  return ports;
}

void SimScsiPort::Register(const std::vector<std::shared_ptr<SimScsiPort>>& ports,
                           const std::vector<SimOsDevice>& drives, DeviceNamespace& devices) {
  for (const auto& port : ports) {
    if (port->FloppyController()) continue;
    devices.Add(rb::StringPrintf("SCSI%u:", port->Number()),
                [port](win::DWORD, win::DWORD& error) -> std::shared_ptr<DeviceHandle> {
                  error = port->OpenError();
                  if (error != win::ERROR_SUCCESS) return nullptr;
                  return std::make_shared<SimScsiPortHandle>(port, nullptr);
                });
  }
  for (const SimOsDevice& drive : drives) {
    if (drive.kind == SimOsDevice::kTape) {
      devices.Add(drive.Name(), [port = drive.port, unit = drive.unit](win::DWORD, win::DWORD& error) {
        error = win::ERROR_SUCCESS;
        return std::make_shared<SimTapeHandle>(port, *unit);
      });
      continue;
    }
    devices.Add(drive.Name(), [port = drive.port, unit = drive.unit](win::DWORD, win::DWORD& error) {
      error = win::ERROR_SUCCESS;
      return std::make_shared<SimScsiPortHandle>(port, unit);
    });
  }
}

}  // namespace os
