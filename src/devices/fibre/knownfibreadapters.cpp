#include "devices/fibre/knownfibreadapters.h"

namespace rb {

const std::array<KnownFibreAdapter, 40>& KnownFibreAdapters() {
  static constexpr std::array<KnownFibreAdapter, 40> kAdapters = {{
      {0x10DF, "Emulex", 0xF180, "LPSe12002 EmulexSecure Fibre Channel Adapter"},
      {0x10DF, "Emulex", 0xF100, "LPe12000 Series 8Gb Fibre Channel Adapter"},
      {0x10DF, "Emulex", 0xE200, "LPe15000/LPe16000 Series 8Gb/16Gb Fibre Channel Adapter"},
      {0x10DF, "Emulex", 0xE300, "LPe31000/LPe32000 Series 16Gb/32Gb Fibre Channel Adapter"},
      {0x10DF, "Emulex", 0xF400, "LPe35000/LPe36000 Series 32Gb/64Gb Fibre Channel Adapter"},
      {0x10DF, "Emulex", 0xF500, "LPe37000/LPe38000 Series 32Gb/64Gb Fibre Channel Adapter"},
      {0x10DF, "Emulex", 0xE100, "Proteus-X: LightPulse IOV Fibre Channel Host Adapter"},
      {0x10DF, "Emulex", 0xE131, "LightPulse 8Gb/s PCIe Shared I/O Fibre Channel Adapter"},
      {0x10DF, "Emulex", 0xFE00, "Zephyr-X LightPulse Fibre Channel Host Adapter"},
      {0x10DF, "Emulex", 0xFC20, "Zephyr-X LightPulse Fibre Channel Host Adapter"},
      {0x10DF, "Emulex", 0xFD00, "Helios-X LightPulse Fibre Channel Host Adapter"},
      {0x10DF, "Emulex", 0xFC10, "Helios-X LightPulse Fibre Channel Host Adapter"},
      {0x10DF, "Emulex", 0xFC40, "Saturn-X: LightPulse Fibre Channel Host Adapter"},
      {0x10DF, "Emulex", 0xFA00, "Thor-X LightPulse Fibre Channel Host Adapter"},
      {0x10DF, "Emulex", 0xFC00, "Thor-X LightPulse Fibre Channel Host Adapter"},
      {0x10DF, "Emulex", 0xF980, "LP9802 Fibre Channel Host Adapter"},
      {0x10DF, "Emulex", 0xF900, "LP9000 Fibre Channel Host Adapter"},
      {0x10DF, "Emulex", 0xF800, "LP8000 Fibre Channel Host Adapter"},
      {0x1077, "QLogic", 0x2100, "QLA2100 64-bit Fibre Channel Adapter"},
      {0x1077, "QLogic", 0x2200, "QLA2200 64-bit Fibre Channel Adapter"},
      {0x1077, "QLogic", 0x2300, "QLA2300 64-bit Fibre Channel Adapter"},
      {0x1077, "QLogic", 0x2312, "ISP2312-based 2Gb Fibre Channel to PCI-X HBA"},
      {0x1077, "QLogic", 0x2322, "ISP2322-based 2Gb Fibre Channel to PCI-X HBA"},
      {0x1077, "QLogic", 0x2422, "ISP2422-based 4Gb Fibre Channel to PCI-X HBA"},
      {0x1077, "QLogic", 0x2432, "ISP2432-based 4Gb Fibre Channel to PCI Express HBA"},
      {0x1077, "QLogic", 0x5432, "SP232-based 4Gb Fibre Channel to PCI Express HBA"},
      {0x1077, "QLogic", 0x2532, "ISP2532-based 8Gb Fibre Channel to PCI Express HBA"},
      {0x1077, "QLogic", 0x2031, "ISP8324-based 16Gb Fibre Channel to PCI Express Adapter"},
      {0x1077, "QLogic", 0x2261, "ISP2722-based 16/32Gb Fibre Channel to PCIe Adapter"},
      {0x1077, "QLogic", 0x2071, "ISP2714-based 16/32Gb Fibre Channel to PCIe Adapter"},
      {0x1077, "QLogic", 0x2281, "ISP2812-based 64/32G Fibre Channel to PCIe Controller"},
      {0x1077, "QLogic", 0x2081, "ISP2814-based 64/32G Fibre Channel to PCIe Controller"},
      {0x117C, "ATTO", 0x0064, "Celerity FC 16Gb/s Gen 5 Fibre Channel HBA"},
      {0x117C, "ATTO", 0x0094, "Celerity FC 16/32Gb/s Gen 6 Fibre Channel HBA"},
      {0x117C, "ATTO", 0x00BB, "Celerity FC 32/64Gb/s Gen 7 Fibre Channel HBA"},
      {0x1657, "QLogic", 0x0013, "425/825/42B/82B 4Gbps/8Gbps PCIe dual port FC HBA"},
      {0x1657, "QLogic", 0x0017, "415/815/41B/81B 4Gbps/8Gbps PCIe single port FC HBA"},
      {0x1657, "QLogic", 0x0023, "1867/1869 16Gbps FC HBA"},
      {0x1054, "Hitachi", 0x3020, "FIVE-EX based Fibre Channel to PCIe HBA"},
      {0x1054, "Hitachi", 0x3070, "Hitachi FIVE-FX Fibre Channel to PCIe HBA"},
  }};
  return kAdapters;
}

}  // namespace rb
