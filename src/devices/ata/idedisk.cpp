#include "devices/ata/idedisk.h"

#include "devices/ata/atacontroller.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/stringutil.h"

namespace rb {

IdeDisk::IdeDisk(std::string name, bool makeUnique, std::string devicePath)
    : IdeBlockDevice(std::move(name), makeUnique, std::move(devicePath)) {
  SetCaption("IDE Hard Disk");
  SetDescription("IDE Hard Disk");
  SetElementClass("ideDisk");
}

IdeDisk::IdeDisk() = default;

void IdeDisk::Stream(ptstream& stream, bool writing, std::int32_t version) {
  IdeBlockDevice::Stream(stream, writing, version);
  stream.Transfer(ideRaid_);
}

void IdeDisk::Assign(const Persistent& other) {
  IdeBlockDevice::Assign(other);
  if (const auto* disk = dynamic_cast<const IdeDisk*>(&other)) ideRaid_ = disk->ideRaid_;
}

void IdeDisk::DescribeDisk(XmlObject& element) {
  element.SetAttribute("description", Description());
  element.AddProperty("Storage", Translate("Storage"), Translate("Hard Drive(s)"));
  DescribeIdentity(element);
  element.AddProperty("capacity", Translate("Capacity"), CapacityText());
  element.AddProperty("devicePath", Translate("Device Path"), DevicePath());
  if (Controller() != nullptr)
    element.AddProperty("controller", Translate("Controller"), Controller()->DisplayName());
}

void IdeDisk::OfferDiskTests(XmlObject& element, bool catalogRequest, std::vector<std::string_view> tests) {
  if (!catalogRequest && Identified() && !Identify().SmartSupported())
    std::erase_if(tests, [](std::string_view test) {
      return test == "IdeSmartErrTest" || test == "SelfTest" || test == "ShortSelfTest";
    });
  OfferTests(element, tests);
}

void IdeDisk::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    if (ideRaid_)
      element.AddProperty("ideRaid", Translate("IDE RAID"), Translate("Logical drive of the controller"));
    DescribeDisk(element);
    element.AddProperty("connector", Translate("Connector"), ConnectorText());
  }
  OfferDiskTests(element, catalogRequest,
                 {"SeqReadTest", "RandReadTest", "BflyReadTest", "SeqRwrcTest", "RandRwrcTest", "DMA_Test",
                  "IdeFormatTest", "IdeHddLedBlinkTest", "IdeSmartErrTest", "PerformanceTest", "SelfTest",
                  "ShortSelfTest", "UDMATest", "DPSTest", "CheckDPSLogTest"});
}

}  // namespace rb
