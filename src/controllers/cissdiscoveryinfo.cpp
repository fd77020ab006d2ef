#include "controllers/cissdiscoveryinfo.h"

#include <algorithm>
#include <array>
#include <optional>

#include "controllers/arraylayouts.h"
#include "controllers/catalogblocks.h"
#include "controllers/cissdevice.h"
#include "controllers/nvramlayout.h"
#include "controllers/nvrampart.h"
#include "controllers/qxnvramparser.h"
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

// The controller's NVRAM parts in the order the entry shows them, with the warning a part that cannot be
// read records (none for the parts whose absence says nothing about the board's health).
struct NvramBlock {
  std::uint8_t code;
  const char* name;
  const char* caption;
  const char* warning;
  const char* warningKey;
};
constexpr std::uint8_t kLocalNvramCode = 128;
constexpr std::uint8_t kBootstrapNvramCode = 130;
constexpr NvramBlock kNvramBlocks[] = {
    {kLocalNvramCode, "localNvram", "Local NVRAM information",
     "Error encountered during loacal nvram retrieval", "errCissDiscoveryLocalNvram"},
    {129, "mfgNvram", "MFG NVRAM information", nullptr, nullptr},
    {kBootstrapNvramCode, "bootstrapNvram", "Bootstrap NVRAM information",
     "Error reading bootstrap NVRAM CRC", "errCissDiscoveryBootstrapNvram"},
    {131, "cacheNvram", "Cache NVRAM information", "Error encountered during cache nvram retrieval",
     "errCissDiscoveryCacheNvram"},
    {132, "spdInfo", "SPD information", "Error encountered during SPD info retrieval",
     "errCissDiscoverySPDInfo"},
    {133, "battery1Nvram", "Battery(1) NVRAM information", nullptr, nullptr},
    {134, "battery2Nvram", "Battery(2) NVRAM information", nullptr, nullptr},
    {135, "battery3Nvram", "Battery(3) NVRAM information", nullptr, nullptr},
};

// The identity fields of one part, each left out when the part does not hold it whole.
void AddNvramFields(XmlObject& block, const std::vector<std::uint8_t>& records) {
  namespace nv = nvramlayout;
  const QXNvramParser parser(records);
  const auto text = [&parser](std::uint8_t tag, char delimiter) -> std::optional<std::string> {
    char field[256] = {};
    const std::size_t length =
        parser.Find(nv::kText, tag, delimiter, reinterpret_cast<std::uint8_t*>(field), sizeof field);
    if (length == 0) return std::nullopt;
    const char* begin = field;
    return std::string(begin, std::find(begin, begin + std::min(length, sizeof field), '\0'));
  };
  if (const auto name = text(nv::kProductNameTag, 0))
    block.AddProperty("productName", Translate("NVRAM Array Controller Product Name"), *name);
  std::uint8_t bytes[nv::kBoardSignatureLength] = {};
  if (parser.Find(nv::kBinary, nv::kAutoRevTag, 0, bytes, sizeof bytes) >= nv::kAutoRevLength)
    block.AddProperty("autoRev", Translate("NVRAM Array Controller AutoRev Version"),
                      StringPrintf("0x%02x%02x%02x", bytes[0], bytes[1], bytes[2]));
  if (const auto assembly = text(nv::kAssemblyTag, nv::kAssemblyDelimiter);
      assembly && assembly->size() >= nv::kAssemblyLength)
    block.AddProperty(
        "assemblyNumber", Translate("NVRAM Array Controller Assembly Number"),
        StringPrintf("%c%c%c%c", (*assembly)[0], (*assembly)[1], (*assembly)[2], (*assembly)[3]));
  if (const auto serial = text(nv::kSerialNumberTag, 0))
    block.AddProperty("serialNumber", Translate("NVRAM Array Controller Serial Number"), *serial);
  if (parser.Find(nv::kBinary, nv::kBoardSignatureTag, 0, bytes, sizeof bytes) >= nv::kBoardSignatureLength)
    block.AddProperty(
        "boardSignature", Translate("NVRAM Array Controller Board Signature"),
        StringPrintf("%02x%02x%02x%02x%02x%02x", bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5]));
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
  DescribeNvram(element);
}

void CissDiscoveryInfo::DescribeNvram(XmlObject& element) {
  for (const NvramBlock& entry : kNvramBlocks) {
    NvramPart part(controller_, entry.code);
    try {
      part.SetNVRAMlocation();
    } catch (const OruError& error) {
      // This board family keeps no such part: nothing to show and nothing wrong.
      DebugPrint("%s: NVRAM part %u: %s\n", controller_.Name().c_str(), entry.code, error.Message().c_str());
      continue;
    }
    std::vector<std::uint8_t> bytes;
    try {
      bytes = part.Read();
    } catch (const OruError& error) {
      DebugPrint("%s: NVRAM part %u: %s %s\n", controller_.Name().c_str(), entry.code,
                 error.Message().c_str(), error.Detail().c_str());
      if (entry.warning != nullptr) AddBlockWarning(element, entry.warning, entry.warningKey);
      continue;
    }
    XmlObject block = PropertyGroup(entry.name, entry.caption);
    // The local part's records follow its header.
    const std::size_t first =
        std::min(entry.code == kLocalNvramCode ? nvramlayout::kLocalRecordsOffset : 0, bytes.size());
    AddNvramFields(
        block, std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(first), bytes.end()));
    element.AddChild(std::move(block));
    if (entry.code == kBootstrapNvramCode) {
      try {
        NvramPart::VerifyChecksum(bytes);
      } catch (const OruError& error) {
        DebugPrint("%s: bootstrap NVRAM: %s %s\n", controller_.Name().c_str(), error.Message().c_str(),
                   error.Detail().c_str());
        AddBlockWarning(element, entry.warning, entry.warningKey);
      }
    }
  }
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
