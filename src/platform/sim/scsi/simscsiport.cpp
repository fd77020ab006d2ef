#include "platform/sim/scsi/simscsiport.h"

#include <string>

#include "platform/passthroughrequest.h"
#include "platform/sim/scsi/simmmcdrive.h"
#include "platform/sim/scsi/simsbcdisk.h"
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
  if (rb::EqualsNoCase(kind, "tape"))
    return std::make_unique<SimScsiUnit>(machine, element, kSimSequentialAccess, clock);
  if (rb::EqualsNoCase(kind, "enclosure"))
    return std::make_unique<SimScsiUnit>(machine, element, kSimEnclosure, clock);
  if (rb::EqualsNoCase(kind, "processor"))
    return std::make_unique<SimScsiUnit>(machine, element, kSimProcessor, clock);
  return nullptr;
}

}  // namespace

SimScsiPort::SimScsiPort(const SimMachine& machine, const rb::XmlObject& element,
                         const std::shared_ptr<SimClock>& clock)
    : number_(static_cast<std::uint32_t>(machine.Number(element, "number", 255))) {
  if (element.FindAttribute("openError") != nullptr)
    openError_ = static_cast<win::DWORD>(machine.Number(element, "openError", 0xFFFFFFFF));
  for (const rb::XmlObject& child : element.Children()) {
    auto unit = MakeUnit(machine, child, clock);
    if (unit == nullptr) continue;
    if (FindUnit(unit->Path(), unit->Target(), unit->Lun()) != nullptr)
      machine.Reject(rb::StringPrintf("port %u declares two units at %u:%u:%u", number_, unit->Path(),
                                      unit->Target(), unit->Lun()));
    units_.push_back(std::move(unit));
  }
  if (element.GetAttribute("csmi") == "1") csmi_.emplace(machine, element);
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

win::DWORD SimScsiPort::Miniport(void* buffer, win::DWORD length) {
  if (!csmi_) return win::ERROR_NOT_SUPPORTED;
  std::lock_guard lock(mutex_);
  return csmi_->Request(buffer, length, [this](std::uint8_t target, SimScsiCommand& command) {
    SimScsiUnit* unit = FindUnit(0, target, 0);
    return unit != nullptr && unit->Execute(command) == win::ERROR_SUCCESS;
  });
}

win::DWORD SimScsiPortHandle::Control(win::DWORD code, const void* in, win::DWORD inLength, void* out,
                                      win::DWORD outLength, win::DWORD* returned) {
  switch (code) {
    case win::IOCTL_SCSI_PASS_THROUGH:
    case win::IOCTL_SCSI_PASS_THROUGH_DIRECT:
      return port_->PassThrough(code, in, inLength, out, outLength, returned, drive_);
    case win::IOCTL_SCSI_MINIPORT:
      if (drive_ != nullptr) return win::ERROR_INVALID_FUNCTION;
      *returned = outLength;
      return port_->Miniport(out, outLength);
    case win::IOCTL_STORAGE_EJECT_MEDIA:
      if (auto* drive = dynamic_cast<SimMmcDrive*>(drive_)) {
        drive->Eject();
        return win::ERROR_SUCCESS;
      }
      return win::ERROR_INVALID_FUNCTION;
    default:
      return win::ERROR_INVALID_FUNCTION;
  }
}

void SimScsiPort::Register(const SimMachine& machine, const std::shared_ptr<SimClock>& clock,
                           DeviceNamespace& devices) {
  std::uint32_t cdrom = 0;
  for (const rb::XmlObject& section : machine.Description().Children()) {
    if (!rb::EqualsNoCase(section.Name(), "scsi")) continue;
    for (const rb::XmlObject& element : section.Children()) {
      if (!rb::EqualsNoCase(element.Name(), "port")) continue;
      auto port = std::make_shared<SimScsiPort>(machine, element, clock);
      devices.Add(rb::StringPrintf("SCSI%u:", port->Number()),
                  [port](win::DWORD, win::DWORD& error) -> std::shared_ptr<DeviceHandle> {
                    error = port->OpenError();
                    if (error != win::ERROR_SUCCESS) return nullptr;
                    return std::make_shared<SimScsiPortHandle>(port, nullptr);
                  });
      for (const auto& unit : port->Units()) {
        if (unit->PeripheralType() != kSimMmc) continue;
        SimScsiUnit* drive = unit.get();
        devices.Add(rb::StringPrintf("CDROM%u", cdrom++),
                    [port, drive](win::DWORD, win::DWORD& error) -> std::shared_ptr<DeviceHandle> {
                      error = win::ERROR_SUCCESS;
                      return std::make_shared<SimScsiPortHandle>(port, drive);
                    });
      }
    }
  }
}

}  // namespace os
