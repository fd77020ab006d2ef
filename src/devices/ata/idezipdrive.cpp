#include "devices/ata/idezipdrive.h"

#include "support/catalog.h"

namespace rb {

IdeZipDrive::IdeZipDrive(std::string name, bool makeUnique, std::string devicePath)
    : IdeRemovableDrive(std::move(name), makeUnique, std::move(devicePath)) {
  SetCaption("IDE Zip Drive");
  SetDescription("IDE Zip Drive");
  SetElementClass("IdeZipDrive");
}

IdeZipDrive::IdeZipDrive() = default;

void IdeZipDrive::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) {
    DescribeIdentity(element);
    ForgetExtent();
    DescribeRemovable(element, "Zip Drive");
    element.AddProperty("connector", Translate("Connector"), ConnectorText());
  }
  OfferTests(element, {"ZipAccessTest", "ZipEjectTest"});
}

}  // namespace rb
