#include "devices/ata/idecdrom.h"

#include "support/catalog.h"

namespace rb {

IdeCdrom::IdeCdrom(std::string name, bool makeUnique, std::string devicePath)
    : IdeRemovableDrive(std::move(name), makeUnique, std::move(devicePath)) {
  SetCaption("Optical Drive");
  SetDescription("Optical Drive");
  SetElementClass("cdrom");
}

IdeCdrom::IdeCdrom() = default;

void IdeCdrom::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    DescribeIdentity(element);
    ForgetExtent();
    DescribeRemovable(element, "Optical Drive");
    element.AddProperty("connector", Translate("Connector"), ConnectorText());
  }
  OfferTests(element, {"CDRemoveVerificationTest", "CdIntTest", "CdLedTest", "CdNoMediaTest", "CdWRCTest",
                       "CdromAccessTest", "CdromTURTest", "TrayTest"});
}

}  // namespace rb
