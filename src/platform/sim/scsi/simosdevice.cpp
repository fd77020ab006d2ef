#include "platform/sim/scsi/simosdevice.h"

#include <cctype>

#include "platform/sim/scsi/simsbcdisk.h"
#include "platform/sim/scsi/simscsiport.h"
#include "support/stringutil.h"

namespace os {

namespace {

// The kind's word in hardware identifiers and friendly names.
const char* KindWord(SimOsDevice::Kind kind) {
  switch (kind) {
    case SimOsDevice::kCdRom:
      return "CdRom";
    case SimOsDevice::kTape:
      return "Sequential";
    case SimOsDevice::kFloppy:
      return "SFloppy";
    case SimOsDevice::kDisk:
      break;
  }
  return "Disk";
}

// An identification field as identifiers carry it: trailing blanks removed, and every blank or byte
// an identifier may not hold (controls, backslash, comma) written as "_".
std::string IdField(const std::string& text) {
  std::string field = rb::Trim(text);
  for (char& c : field) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte >= 0x7F || c == '\\' || c == ',') c = '_';
  }
  return field;
}

// A field padded with "_" to its INQUIRY width, as in hardware identifiers.
std::string Padded(const std::string& text, std::size_t width) {
  std::string field = IdField(text).substr(0, width);
  field.resize(width, '_');
  return field;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// What the IDE enumerator names a drive after: its ATA model, else its INQUIRY product.
std::string ModelOf(SimScsiUnit& unit) {
  return unit.Ata() != nullptr ? unit.Ata()->Model() : unit.Product();
}

}  // namespace

std::string SimOsDevice::Name() const {
  static const char* const kNames[] = {"PhysicalDrive%u", "CdRom%u", "Tape%u", "Floppy%u"};
  return rb::StringPrintf(kNames[kind], number);
}

std::string SimOsDevice::Target() const {
  static const char* const kTargets[] = {"\\Device\\Harddisk%u\\DR%u", "\\Device\\CdRom%u",
                                         "\\Device\\Tape%u", "\\Device\\Floppy%u"};
  return rb::StringPrintf(kTargets[kind], number, number);
}

std::string SimOsDevice::Enumerator() const {
  if (port->FloppyController()) return "FDC";
  if (port->Usb()) return "USBSTOR";
  return port->Ide() ? "IDE" : "SCSI";
}

std::string SimOsDevice::InstanceId() const {
  const std::string kind = Upper(KindWord(this->kind));
  if (port->FloppyController()) return rb::StringPrintf("FDC\\GENERIC_FLOPPY_DRIVE\\6&1F7D6AF6&0&%u", number);
  if (port->Ide())
    return Upper(rb::StringPrintf("IDE\\%s%s%s\\5&%X&0&%u.%u.%u", kind.c_str(),
                                  Padded(ModelOf(*unit), 40).c_str(), Padded(unit->Revision(), 8).c_str(),
                                  port->Number(), unit->Path(), unit->Target(), unit->Lun()));
  const std::string identity = "&VEN_" + IdField(unit->Vendor()) + "&PROD_" + IdField(unit->Product()) +
                               "&REV_" + IdField(unit->Revision());
  if (port->Usb())
    return Upper("USBSTOR\\" + kind + identity + "\\" + IdField(unit->Serial()) + "&" +
                 std::to_string(unit->Lun()));
  return Upper(
      "SCSI\\" + kind + identity +
      rb::StringPrintf("\\%u&0&%02X%02X%02X", port->Number(), unit->Path(), unit->Target(), unit->Lun()));
}

std::vector<std::string> SimOsDevice::HardwareIds() const {
  const std::string kind = KindWord(this->kind);
  const std::string generic = "Gen" + kind;
  if (port->FloppyController()) return {"FDC\\GENERIC_FLOPPY_DRIVE", "GenFloppyDisk"};
  if (port->Ide()) {
    const std::string model = Padded(ModelOf(*unit), 40) + Padded(unit->Revision(), 8);
    return {"IDE\\" + kind + model, "IDE\\" + model, generic};
  }
  const std::string prefix = Enumerator() + "\\" + kind + Padded(unit->Vendor(), 8);
  const std::string product = Padded(unit->Product(), 16);
  std::vector<std::string> ids = {prefix + product + Padded(unit->Revision(), 4), prefix + product, prefix};
  if (port->Usb()) ids.push_back("USBSTOR\\" + generic);
  ids.push_back(generic);
  return ids;
}

std::string SimOsDevice::FriendlyName() const {
  if (port->FloppyController()) return "Floppy disk drive";
  if (port->Ide()) return rb::Trim(ModelOf(*unit));
  const std::string model = rb::Trim(rb::Trim(unit->Vendor()) + " " + rb::Trim(unit->Product()));
  if (port->Usb()) return model + " USB Device";
  return model + " SCSI " + KindWord(kind) + " Device";
}

std::vector<SimOsDevice> ListSimOsDevices(const std::vector<std::shared_ptr<SimScsiPort>>& ports) {
  std::vector<SimOsDevice> devices;
  std::uint32_t counts[4] = {};
  for (const auto& port : ports) {
    for (const auto& unit : port->Units()) {
      SimOsDevice::Kind kind;
      switch (unit->PeripheralType()) {
        case kSimDirectAccess: {
          const auto* disk = dynamic_cast<const SimSbcDisk*>(unit.get());
          kind = disk != nullptr && disk->Floppy() ? SimOsDevice::kFloppy : SimOsDevice::kDisk;
          break;
        }
        case kSimMmc:
          kind = SimOsDevice::kCdRom;
          break;
        case kSimSequentialAccess:
          kind = SimOsDevice::kTape;
          break;
        default:
          continue;
      }
      devices.push_back({kind, counts[kind]++, port, unit.get()});
    }
  }
  return devices;
}

}  // namespace os
