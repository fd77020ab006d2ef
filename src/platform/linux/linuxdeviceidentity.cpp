#include "platform/linux/linuxdeviceidentity.h"

#include <algorithm>
#include <cctype>

#include "support/stringutil.h"

namespace os {

namespace {

// Blanks as "_", padded with "_" to `width` (not cut) when it is given; instance ids are upper case.
std::string IdText(const std::string& text, std::size_t width = 0, bool upper = false) {
  std::string id = rb::Trim(text);
  for (char& c : id)
    c = c == ' ' ? '_' : upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
  if (id.size() < width) id.append(width - id.size(), '_');
  return id;
}

// The type word of ids: "Disk", "CdRom", "Sequential", "SFloppy" (a USB floppy drive), "Other".
std::string TypeWord(const LinuxStorageUnit& unit) {
  if (unit.usbFloppy) return "SFloppy";
  switch (unit.kind) {
    case LinuxStorageUnit::kDisk:
      return "Disk";
    case LinuxStorageUnit::kCdrom:
      return "CdRom";
    case LinuxStorageUnit::kTape:
      return "Sequential";
    default:
      return "Other";
  }
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string EnumeratorOf(const LinuxStorageUnit& unit) {
  switch (unit.attachment) {
    case LinuxAttachment::kUsb:
      return "USBSTOR";
    case LinuxAttachment::kIde:
      return "IDE";
    default:
      return "SCSI";
  }
}

// The ATA layer reports every disk's vendor as "ATA": the product is the drive's model, which names an
// IDE device.
std::string InstanceIdOf(const LinuxStorageUnit& unit) {
  const std::string type = Upper(TypeWord(unit));
  if (unit.attachment == LinuxAttachment::kIde)
    return rb::StringPrintf("IDE\\%s%s%s\\5&%u&0&%u.%u.%u", type.c_str(),
                            IdText(unit.product, 40, true).c_str(), IdText(unit.revision, 8, true).c_str(),
                            unit.port, unit.path, unit.target, unit.lun);
  const std::string device = EnumeratorOf(unit) + "\\" + type + "&VEN_" + IdText(unit.vendor, 0, true) +
                             "&PROD_" + IdText(unit.product, 0, true) + "&REV_" +
                             IdText(unit.revision, 0, true) + "\\";
  if (unit.attachment == LinuxAttachment::kUsb && !unit.serial.empty())
    return device + IdText(unit.serial, 0, true) + "&" + std::to_string(unit.lun);
  return device + rb::StringPrintf("%u&0&%02X%02X%02X", unit.port, unit.path, unit.target, unit.lun);
}

std::vector<std::string> HardwareIdsOf(const LinuxStorageUnit& unit) {
  const std::string type = TypeWord(unit);
  if (unit.attachment == LinuxAttachment::kIde) {
    const std::string model = IdText(unit.product, 40);
    const std::string revision = IdText(unit.revision, 8);
    return {"IDE\\" + type + model + revision, "IDE\\" + model + revision, "IDE\\" + type + model,
            model + revision, "Gen" + type};
  }
  const std::string bus = EnumeratorOf(unit) + "\\";
  const std::string vendor = IdText(unit.vendor, 8).substr(0, 8);
  const std::string product = IdText(unit.product, 16).substr(0, 16);
  const std::string revision = IdText(unit.revision, 4).substr(0, 4);
  return {bus + type + vendor + product + revision,
          bus + type + vendor + product,
          bus + type + vendor,
          bus + vendor + product + revision.substr(0, 1),
          vendor + product + revision.substr(0, 1),
          bus + "Gen" + type,
          "Gen" + type};
}

std::string FriendlyNameOf(const LinuxStorageUnit& unit) {
  if (unit.attachment == LinuxAttachment::kIde) return rb::Trim(unit.product);
  std::string name = rb::Trim(unit.vendor);
  const std::string product = rb::Trim(unit.product);
  if (!product.empty()) name += (name.empty() ? "" : " ") + product;
  if (unit.attachment == LinuxAttachment::kUsb) return name + " USB Device";
  switch (unit.kind) {
    case LinuxStorageUnit::kCdrom:
      return name + " SCSI CdRom Device";
    case LinuxStorageUnit::kTape:
      return name + " SCSI Sequential Device";
    default:
      return name + " SCSI Disk Device";
  }
}

std::string DescriptionOf(const LinuxStorageUnit& unit) {
  if (unit.usbFloppy) return "Floppy disk drive";
  switch (unit.kind) {
    case LinuxStorageUnit::kCdrom:
      return "CD-ROM Drive";
    case LinuxStorageUnit::kTape:
      return "Tape drive";
    default:
      return "Disk drive";
  }
}

std::string ManufacturerOf(const LinuxStorageUnit& unit) {
  if (unit.usbFloppy) return "(Standard floppy disk drives)";
  switch (unit.kind) {
    case LinuxStorageUnit::kCdrom:
      return "(Standard CD-ROM drives)";
    case LinuxStorageUnit::kTape:
      return "(Standard tape drives)";
    default:
      return "(Standard disk drives)";
  }
}

std::string LocationOf(const LinuxStorageUnit& unit) {
  return rb::StringPrintf("Bus Number %u, Target Id %u, LUN %u", unit.path, unit.target, unit.lun);
}

}  // namespace os
