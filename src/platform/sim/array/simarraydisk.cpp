#include "platform/sim/array/simarraydisk.h"

#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace {

std::uint8_t KindOf(const SimMachine& machine, const rb::XmlObject& element) {
  const std::string kind = element.GetAttribute("kind", "scsi");
  if (rb::EqualsNoCase(kind, "scsi")) return 0;
  if (rb::EqualsNoCase(kind, "sata")) return 1;
  if (rb::EqualsNoCase(kind, "sas")) return 2;
  machine.Reject("<drive> kind '" + kind + "' is none of scsi, sas, sata");
}

// The drive as a disk unit at path = bus, so that its own INQUIRY and faults see its address.
rb::XmlObject AsDisk(const SimMachine& machine, const rb::XmlObject& element) {
  rb::XmlObject disk = element;
  disk.SetAttribute("path", std::to_string(machine.Number(element, "bus", 7)));
  disk.SetAttribute("target", std::to_string(machine.Number(element, "target", 31)));
  if (disk.FindAttribute("vendor") == nullptr && KindOf(machine, element) == 1)
    disk.SetAttribute("vendor", "ATA");
  return disk;
}

}  // namespace

SimArrayDisk::SimArrayDisk(const SimMachine& machine, const rb::XmlObject& element,
                           const std::shared_ptr<SimClock>& clock)
    : bus_(static_cast<std::uint8_t>(machine.Number(element, "bus", 7))),
      target_(static_cast<std::uint8_t>(machine.Number(element, "target", 31))),
      kind_(KindOf(machine, element)),
      linkRate_(element.FindAttribute("linkRate")
                    ? static_cast<std::uint8_t>(machine.Number(element, "linkRate", 255))
                    : (kind_ == 0 ? 0 : 9)),
      rates_(element.FindAttribute("rates")
                 ? static_cast<std::uint16_t>(machine.Number(element, "rates", 0xFFFF))
                 : (kind_ == 0 ? 0x8008 : 0)),
      failed_(element.GetAttribute("failed", "0") == "1"),
      failsAtReset_(element.GetAttribute("failsAtReset", "0") == "1"),
      history_(machine, element),
      unit_(std::make_unique<SimSbcDisk>(machine, AsDisk(machine, element), clock)) {}

void SimArrayDisk::Replace() {
  failed_ = false;
  rebuiltTo_ = 0;
  // A new drive holds none of the old one's data.
  const std::uint8_t format[6] = {0x04};
  SimScsiCommand command;
  command.cdb = format;
  command.cdbLength = sizeof format;
  unit_->Execute(command);
}

void SimArrayDisk::Fail() {
  failed_ = true;
  failsAtReset_ = false;
  rebuiltTo_.reset();
}

void SimArrayDisk::SetRebuiltTo(std::uint64_t lba) {
  if (lba >= unit_->Blocks())
    rebuiltTo_.reset();
  else
    rebuiltTo_ = lba;
}

bool SimArrayDisk::Read(std::uint64_t lba, std::uint32_t count, std::uint8_t* out) {
  return Transfer(false, lba, count, out);
}

bool SimArrayDisk::Write(std::uint64_t lba, std::uint32_t count, const std::uint8_t* in) {
  // The unit only reads a data-out buffer.
  return Transfer(true, lba, count, const_cast<std::uint8_t*>(in));
}

bool SimArrayDisk::Transfer(bool write, std::uint64_t lba, std::uint32_t count, std::uint8_t* data) {
  if (failed_) return false;
  std::uint8_t cdb[16] = {static_cast<std::uint8_t>(write ? 0x8A : 0x88)};
  for (int i = 0; i < 8; ++i) cdb[2 + i] = static_cast<std::uint8_t>(lba >> (8 * (7 - i)));
  for (int i = 0; i < 4; ++i) cdb[10 + i] = static_cast<std::uint8_t>(count >> (8 * (3 - i)));
  SimScsiCommand command;
  command.cdb = cdb;
  command.cdbLength = sizeof cdb;
  command.dataIn = !write;
  command.data = data;
  command.dataLength = static_cast<std::size_t>(count) * unit_->BlockSize();
  return unit_->Execute(command) == win::ERROR_SUCCESS && command.status == 0;
}

}  // namespace os
