#include "controllers/cissdiscoveryinfo.h"

#include <array>

#include "controllers/arraylayouts.h"
#include "controllers/cissdevice.h"
#include "controllers/replytext.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {

namespace layout = arraylayout;

namespace {

void Add(XmlObject& element, const char* name, const char* caption, const std::string& value) {
  element.AddProperty(name, Translate(caption), value);
}

std::string Hex(std::uint8_t value) {
  return StringPrintf("%02X", value);
}

std::string WorldWideName(const std::vector<std::uint8_t>& reply, std::size_t offset) {
  const std::uint8_t* b = reply.data() + offset;
  return StringPrintf("%02X%02X%02X%02X%02X%02X%02X%02X", b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
}

}  // namespace

std::vector<std::uint8_t> CissDiscoveryInfo::Read(const char* what,
                                                  const std::function<std::vector<std::uint8_t>()>& read) {
  try {
    return read();
  } catch (const OruError& error) {
    DebugPrint("%s: %s: %s %s\n", controller_.Name().c_str(), what, error.Message().c_str(),
               error.Detail().c_str());
    return {};
  }
}

void CissDiscoveryInfo::Describe(XmlObject& element) {
  CissDevice& c = controller_;
  const auto rom = Read("diagnostics ROM version", [&c] {
    const std::array<std::uint8_t, 2> version = c.DiagnosticRomVersion();
    return std::vector<std::uint8_t>(version.begin(), version.end());
  });
  if (!rom.empty())
    Add(element, "DiagROM_Version", "Diagnostics ROM Version", StringPrintf("0x%02x%02x", rom[1], rom[0]));
  const auto cpld = Read("CPLD version", [&c] { return c.CpldVersion(); });
  if (!cpld.empty())
    Add(element, "CPLD_Version", "CPLD Version Number",
        StringPrintf("0x%02x%02x%02x", cpld[0], cpld[1], cpld[2]));

  namespace ar = layout::asicrevisions;
  const auto asic = Read("ASIC revisions", [&c] { return c.AsicRevisions(); });
  if (!asic.empty()) {
    Add(element, "ControllerAsicRevision", "Controller ASIC revision", Hex(asic[ar::kControllerAsic]));
    Add(element, "SasChip1Revision", "SAS chip(1) revision", Hex(asic[ar::kSasChip1]));
    Add(element, "SasChip2Revision", "SAS chip(2) revision", Hex(asic[ar::kSasChip2]));
    Add(element, "PmcMuxCode", "PMC MUX Manufacturing Code", Hex(asic[ar::kPmcMuxCode]));
    Add(element, "PmcMuxRevision", "PMC MUX Revision", Hex(asic[ar::kPmcMuxRevision]));
    Add(element, "ExpanderAsicRevision", "Controller expander ASIC revision", Hex(asic[ar::kExpanderAsic]));
  }
  namespace wn = layout::worldwidenames;
  const auto names = Read("world wide names", [&c] { return c.WorldWideNames(); });
  if (!names.empty()) {
    Add(element, "WorldWideName", "World Wide Name", WorldWideName(names, wn::kController));
    Add(element, "ExpanderWorldWideName", "Expander World Wide Name", WorldWideName(names, wn::kExpander));
  }
  namespace sb = layout::storageboxversion;
  const auto box = Read("storage-box version", [&c] { return c.StorageBoxVersion(); });
  if (!asic.empty())
    Add(element, "PcaSerialNumber", "PCA Serial Number", ReplyText(asic, ar::kPcaSerial, ar::kPcaSerialSize));
  if (!box.empty()) {
    Add(element, "ChassisSerialNumber", "Chassis serial number",
        ReplyText(box, sb::kChassisSerial, sb::kChassisSerialSize));
    Add(element, "StorageBoxCount", "Storage Box Count", StringPrintf("%u", box[sb::kBoxCount]));
  }
  if (!asic.empty()) {
    const std::uint8_t flags = asic[ar::kRecoveryRomFlags];
    Add(element, "RecoveryRomInactiveRev", "Recovery ROM inactive image rev",
        ReplyText(asic, ar::kRecoveryRomInactiveRev, ar::kRecoveryRomRevSize));
    std::string status = Translate((flags & ar::kImageB) != 0 ? "Image B" : "Image A");
    if ((flags & ar::kImageGood) != 0) status += ", " + Translate("Good");
    Add(element, "RecoveryRomActiveImage", "Recovery ROM active image flags status", status);
    Add(element, "ScsiBackplaneType", "SCSI Backplane Type", Hex(asic[ar::kBackplaneType]));
    Add(element, "ScsiBackplaneFirmware", "SCSI Backplane Firmware",
        ReplyText(asic, ar::kBackplaneFirmware, ar::kBackplaneFirmwareSize));
    Add(element, "bootStrapNvramRev", "Bootstrap NVRAM revision number", Hex(asic[ar::kBootstrapNvramRev]));
  }
  const auto pic = Read("PIC and battery information", [&c] { return c.PicBatteryInformation(); });
  if (!pic.empty()) DescribePic(element, pic);
}

void CissDiscoveryInfo::DescribePic(XmlObject& element, const std::vector<std::uint8_t>& pic) {
  namespace pb = layout::picbattery;
  // The block's heading: the figures after it are the PIC's.
  Add(element, "PicInformation", "PIC information", "");
  Add(element, "PicRevision", "PIC Revision", Hex(pic[pb::kPicRevision]));
  Add(element, "PicBatteryStatus", "PIC Battery Status", Hex(pic[pb::kBatteryStatus]));
  Add(element, "PicExtendedBatteryStatus", "PIC Extended Battery Status",
      Hex(pic[pb::kExtendedBatteryStatus]));
  Add(element, "PicBatteryVoltage", "PIC Battery Voltage",
      StringPrintf("%u mV", layout::Get16(pic.data(), pb::kBatteryVoltage)));
  Add(element, "PicBatteryCapacity", "PIC Battery Capacity", StringPrintf("%d%%", pic[pb::kBatteryCapacity]));
  Add(element, "PicBatteryChargeTimeout", "PIC Battery Charge Timeout",
      StringPrintf("%u %s", layout::Get16(pic.data(), pb::kChargeTimeout), Translate("minutes").c_str()));
}

}  // namespace rb
