#include "devices/ata/satadisk.h"

#include "support/stringutil.h"

namespace rb {

SataDisk::SataDisk(std::int32_t sataNumber, std::string devicePath)
    : IdeDisk(StringPrintf("/dev/sda%d", sataNumber), false, std::move(devicePath)) {
  SetCaption("SATA Hard Disk");
  SetDescription("SATA Hard Disk");
  SetElementClass("sataDisk");
}

SataDisk::SataDisk() = default;

void SataDisk::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (!catalogRequest) DescribeDisk(element);
  OfferDiskTests(element, catalogRequest,
                 {"SeqReadTest", "RandReadTest", "BflyReadTest", "SeqRwrcTest", "RandRwrcTest", "DMA_Test",
                  "IdeFormatTest", "IdeSmartErrTest", "SelfTest", "ShortSelfTest", "UDMATest", "DPSTest",
                  "CheckDPSLogTest"});
}

}  // namespace rb
