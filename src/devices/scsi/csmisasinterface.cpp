#include "devices/scsi/csmisasinterface.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "devices/scsi/scsidriver.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "sysid/pciinventory.h"

namespace rb {

namespace {

// The slot of a PCI function in the machine's PCI summary; 0xFFFF when it is not there.
std::uint16_t SlotOfPciFunction(unsigned bus, unsigned device, unsigned function) {
  const XmlObject summary = FetchPciSummary();
  for (const XmlObject& entry : summary.Children()) {
    if (ToInt(entry.GetAttribute("bus")) == static_cast<int>(bus) &&
        ToInt(entry.GetAttribute("device")) == static_cast<int>(device) &&
        ToInt(entry.GetAttribute("function")) == static_cast<int>(function) &&
        entry.FindAttribute("slotNumber") != nullptr)
      return static_cast<std::uint16_t>(ToInt(entry.GetAttribute("slotNumber")));
  }
  return 0xFFFF;
}

void FixSlotNumber(std::uint8_t* body) {
  win::CsmiSasCntlrConfig config;
  std::memcpy(&config, body, sizeof config);
  if (config.usSlotNumber < 0xFFFF) return;
  const win::CsmiSasPciBusAddress& pci = config.BusAddress.PciAddress;
  config.usSlotNumber = SlotOfPciFunction(pci.bBusNumber, pci.bDeviceNumber, pci.bFunctionNumber);
  std::memcpy(body, &config, sizeof config);
}

}  // namespace

bool CsmiSasInterface::Request(ScsiDriver& driver, win::DWORD code, std::uint32_t size, std::uint32_t answer,
                               void* out, std::uint32_t length, void (*fixup)(std::uint8_t* body)) {
  std::vector<std::uint8_t> buffer(size, 0);
  constexpr std::size_t kBody = sizeof(win::SrbIoControl);
  // Get RAID configuration names the RAID set in the caller's first word.
  if (code == win::CC_CSMI_SAS_GET_RAID_CONFIG && out != nullptr && length >= 4)
    std::memcpy(buffer.data() + kBody, out, 4);
  if (!driver.CsmiIoctl(code, buffer.data(), size)) return false;
  if (fixup != nullptr) fixup(buffer.data() + kBody);
  if (out != nullptr)
    std::memcpy(out, buffer.data() + kBody, std::min({length, answer, std::uint32_t(size - kBody)}));
  return true;
}

bool CsmiSasInterface::SpeaksCsmi(ScsiDriver& driver) {
  win::CsmiSasDriverInfo info;
  try {
    return GetDriverInfo(driver, &info, sizeof info);
  } catch (const OruError&) {
    return false;
  }
}

bool CsmiSasInterface::GetDriverInfo(ScsiDriver& driver, void* out, std::uint32_t length) {
  return Request(driver, win::CC_CSMI_SAS_GET_DRIVER_INFO, sizeof(win::CsmiSasDriverInfoBuffer),
                 sizeof(win::CsmiSasDriverInfo), out, length);
}

bool CsmiSasInterface::GetControllerConfig(ScsiDriver& driver, void* out, std::uint32_t length) {
  return Request(driver, win::CC_CSMI_SAS_GET_CNTLR_CONFIG, sizeof(win::CsmiSasCntlrConfigBuffer),
                 sizeof(win::CsmiSasCntlrConfig), out, length, &FixSlotNumber);
}

bool CsmiSasInterface::GetRaidInfo(ScsiDriver& driver, void* out, std::uint32_t length) {
  return Request(driver, win::CC_CSMI_SAS_GET_RAID_INFO, sizeof(win::CsmiSasRaidInfoBuffer),
                 sizeof(win::CsmiSasRaidInfo), out, length);
}

bool CsmiSasInterface::GetRaidConfig(ScsiDriver& driver, void* inOut, std::uint32_t length) {
  constexpr std::uint32_t kFixed = sizeof(win::CsmiSasRaidConfig);
  const std::uint32_t size = sizeof(win::CsmiSasRaidConfigBuffer) + (length > kFixed ? length - kFixed : 0);
  return Request(driver, win::CC_CSMI_SAS_GET_RAID_CONFIG, size, length, inOut, length);
}

bool CsmiSasInterface::GetPhyInfo(ScsiDriver& driver, void* out, std::uint32_t length) {
  return Request(driver, win::CC_CSMI_SAS_GET_PHY_INFO, sizeof(win::CsmiSasPhyInfoBuffer),
                 sizeof(win::CsmiSasPhyInfo), out, length);
}

}  // namespace rb
