#include "devices/scsi/scsidisk.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "framework/interface.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

ScsiDisk::ScsiDisk(std::string name, bool makeUnique, ScsiDriver* driver, std::uint8_t path,
                   std::uint8_t target, std::uint8_t lun)
    : ScsiBlockDevice(std::move(name), makeUnique, driver, path, target, lun) {
  SetCaption("SCSI Hard Drive");
  SetDescription("SCSI Hard Drive");
}

ScsiDisk::ScsiDisk() = default;

void ScsiDisk::Stream(ptstream& stream, bool writing, std::int32_t version) {
  ScsiBlockDevice::Stream(stream, writing, version);
  stream.Transfer(csmi_);
  stream.Transfer(sata_);
  stream.Transfer(controllerSlot_);
  stream.Transfer(enclosureSlot_);
  stream.Transfer(extendedSelfTestMinutes_);
}

void ScsiDisk::Assign(const Persistent& other) {
  ScsiBlockDevice::Assign(other);
  const auto* disk = dynamic_cast<const ScsiDisk*>(&other);
  if (disk == nullptr) return;
  csmi_ = disk->csmi_;
  sata_ = disk->sata_;
  controllerSlot_ = disk->controllerSlot_;
  enclosureSlot_ = disk->enclosureSlot_;
  extendedSelfTestMinutes_ = disk->extendedSelfTestMinutes_;
}

void ScsiDisk::SetSlots(std::int32_t controllerSlot, std::int32_t enclosureSlot) {
  controllerSlot_ = controllerSlot;
  enclosureSlot_ = enclosureSlot;
}

bool ScsiDisk::IsSas() {
  if (sas_ < 0) sas_ = IsSASDrive() ? 1 : 0;
  return sas_ == 1;
}

std::string ScsiDisk::GetCaptionName() {
  DebugPrint("ScsiDisk::GetCaptionName()\n");
  const std::string model = ModelText();
  std::string caption = "SCSI Hard Drive";
  // Disks behind an IDE RAID driver answer as SCSI disks whatever they are.
  const bool ideRaid =
      model.find("IDERAID") != std::string::npos || model.find("MegaIDE") != std::string::npos;
  if (!ideRaid) {
    if (sata_)
      caption = "SATA Hard Disk";
    else if (IsSas())
      caption = "SAS Hard Drive";
  }
  caption = Translate(caption);
  if (controllerSlot_ >= 0)
    caption += ", " + Translate("Controller Slot") + StringPrintf(" %u", controllerSlot_);
  if (enclosureSlot_ >= 0) caption += ", " + Translate("Slot") + StringPrintf(" %u", enclosureSlot_);
  return caption;
}

std::string ScsiDisk::KindName() {
  if (sata_) return "sataDisk";
  return IsSas() ? "sasDisk" : "scsiDisk";
}

std::string ScsiDisk::CableDescription() {
  if (Inquiry() != kScsiGood) return Translate("Not available");
  // INQUIRY byte 7: WBUS16 (bit 5) is a 16-bit data path, which carries 16 IDs on a wide cable.
  const bool wide = (Record().inquiry[7] & 0x20) != 0;
  const std::string width = wide ? Translate("16 bit wide data path on a cable with 16 SCSI IDs supported")
                                 : Translate("8 bit wide data path on a cable with 8 SCSI IDs supported");
  // Standard data does not say which connector of the cable the drive is on.
  return width + ", " + Translate("connector is unknown");
}

std::string ScsiDisk::RotationRateText() {
  // The block device characteristics page: bytes 4-5 are the medium rotation rate, 1 for solid state.
  std::uint8_t page[64] = {};
  try {
    if (InquiryVpd(0xB1, page, sizeof page) != kScsiGood || page[1] != 0xB1)
      return Translate("Not available");
  } catch (const OruError&) {
    return Translate("Not available");
  }
  const unsigned rate = static_cast<unsigned>(page[4] << 8 | page[5]);
  if (rate == 1) return Translate("Solid State");
  if (rate < 0x0401 || rate == 0xFFFF) return Translate("Not available");
  return StringPrintf("%u %s", rate, Translate("RPM").c_str());
}

std::string ScsiDisk::TemperatureText() {
  // The temperature log page: parameter 0000h, its value in byte 5 of the parameter (FFh: none).
  std::uint8_t page[64] = {};
  try {
    LogSense(0x4D, 0, page, sizeof page);
  } catch (const OruError&) {
    return Translate("Not available");
  }
  if ((page[0] & 0x3F) != 0x0D) return Translate("Not available");
  const std::size_t length = std::min<std::size_t>(page[2] << 8 | page[3], sizeof page - 4);
  for (std::size_t at = 4; at + 6 <= length + 4; at += 4u + page[at + 3]) {
    if (page[at] == 0 && page[at + 1] == 0 && page[at + 3] >= 2 && page[at + 5] != 0xFF)
      return StringPrintf("%u %s", page[at + 5], Translate("Degrees Celsius").c_str());
  }
  return Translate("Not available");
}

std::uint32_t ScsiDisk::SelfTestSecondsOrZero() {
  try {
    return ExtendedSelfTestSeconds();
  } catch (const OruError&) {
    return 0;
  }
}

std::string ScsiDisk::ExtendedSelfTestText() {
  try {
    extendedSelfTestMinutes_ = GetExtendedOfflineSelfTestTime();
  } catch (const OruError&) {
    extendedSelfTestMinutes_ = 0;
  }
  if (extendedSelfTestMinutes_ == 0) return Translate("Not Supported");
  return Translate("expected test time in minutes:") + StringPrintf(" %u", extendedSelfTestMinutes_);
}

void ScsiDisk::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    const std::string caption = GetCaptionName();
    SetCaption(caption);
    SetDescription(sata_ ? "SATA Hard Disk" : IsSas() ? "SAS Hard Drive" : "SCSI Hard Drive");
    element.SetAttribute("description", Description());
    element.SetAttribute("caption", caption);
    SetElementClass(KindName());
    element.SetAttribute("class", ElementClass());
    element.AddProperty("Storage", Translate("Storage"), Translate("Hard Drive(s)"));
    DescribeScsiProperties(element, catalogRequest);
    DescribeCapacity(element, catalogRequest);
    if (ParentAdapter() != nullptr)
      element.AddProperty("ScsiController", Translate("Controller"), ParentAdapter()->DisplayName());
    element.AddProperty("rotationRate", Translate("Rotation Rate"), RotationRateText());
    const std::string serial = SerialNumberText();
    element.AddProperty("SerialNumber", Translate("Serial Number"),
                        serial.empty() ? Translate("Not available") : serial);
    element.AddProperty("temperature", Translate("Temperature"), TemperatureText());
    // Only a parallel SCSI drive has a cable: it reports a synchronous or wide bus, or its clocking.
    const auto& inquiry = Record().inquiry;
    const bool parallel = Record().inquiryValid && ((inquiry[7] & 0x30) != 0 || (inquiry[56] & 0x0E) != 0);
    if (!sata_ && !IsSas() && parallel)
      element.AddProperty("cableConfiguration", Translate("Cable Configuration"), CableDescription());
    element.AddProperty("EOSTinfo", Translate("Extended Offline SelfTest"), ExtendedSelfTestText());
  }
  std::vector<std::string_view> tests = {"ScsiHddLedBlinkTest", "SeqReadTest",      "RandReadTest",
                                         "BflyReadTest",        "GrownDefectsTest", "ScsiDfltSelfTest",
                                         "SmartErrorTest",      "SOSTTest",         "EOSTTest",
                                         "SeqRwrcTest",         "RandRwrcTest",     "ScsiFormatTest"};
  if (const std::string_view speedTest = SpeedTestName(); !speedTest.empty()) tests.push_back(speedTest);
  // A drive without a self-test time of at least a minute has no self-test to offer.
  if (!catalogRequest && SelfTestSecondsOrZero() < 60)
    std::erase_if(tests, [](std::string_view test) { return test == "SOSTTest" || test == "EOSTTest"; });
  OfferTests(element, tests);
}

}  // namespace rb
