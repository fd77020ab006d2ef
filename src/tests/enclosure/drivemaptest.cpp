#include "tests/enclosure/drivemaptest.h"

#include <set>
#include <vector>

#include "controllers/seslayouts.h"
#include "support/stringutil.h"
#include "tests/enclosure/sesaccess.h"

namespace rb {

namespace ses = seslayout;

DriveMapTest::DriveMapTest() : EnclosureTest("SASDriveMapTest", "SAS drive map test", "SAS drive map test") {}

bool DriveMapTest::Execute(const XmlObject&) {
  const std::unique_ptr<SESDiagApi> api = OpenEnclosures(Controller());
  for (std::size_t index = 0; index < api->EnclosureCount(); ++index) {
    std::vector<SesElementRecord> bays;
    if (!api->ReadElements(index, ses::kTypeArrayDeviceSlot, bays)) return Fail(kNotSupported, "Bay elements");
    std::set<std::size_t> occupied;
    for (std::size_t bay = 0; bay < bays.size(); ++bay) {
      const std::uint8_t status = bays[bay][0] & ses::kStatusMask;
      if (status != ses::kStatusNotInstalled && status != ses::kStatusUnsupported) occupied.insert(bay);
    }
    std::set<std::size_t> attached;
    const int expanders = api->QueryByte(index, ses::kTypeSasExpander);
    for (int expander = 0; expander < expanders; ++expander) {
      std::vector<std::uint8_t> buffer(ses::expander::kSize, 0);
      if (!api->ReadEnclosureBuffer(index, static_cast<std::uint16_t>(ses::kBufferExpander + expander), buffer))
        return Fail(kNotSupported, StringPrintf("Expander %d", expander));
      const std::size_t phys = std::min<std::size_t>(buffer[ses::expander::kPhyCount], ses::expander::kMaxPhys);
      for (std::size_t phy = 0; phy < phys; ++phy)
        if (buffer[ses::expander::kPhyMap + phy] != ses::kPhyUnattached) attached.insert(buffer[ses::expander::kPhyMap + phy]);
    }
    std::string map;
    for (std::size_t bay = 0; bay < bays.size(); ++bay) map += occupied.count(bay) != 0 ? '1' : '0';
    Output() << StringPrintf("Enclosure %d drive map: %s\n", static_cast<int>(index), map.c_str());
    if (occupied != attached) {
      std::string linked;
      for (std::size_t bay = 0; bay < bays.size(); ++bay) linked += attached.count(bay) != 0 ? '1' : '0';
      return Fail("Data Mismatch", StringPrintf("Enclosure %d: bays with drives %s, bays on expander phys %s",
                                                static_cast<int>(index), map.c_str(), linked.c_str()));
    }
  }
  return true;
}

}  // namespace rb
