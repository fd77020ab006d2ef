#include "devices/scsi/scsicontroller.h"

#include "devices/scsi/csmisasinterface.h"
#include "devices/scsi/scsidriver.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/stringutil.h"

namespace rb {

ScsiController::ScsiController(std::string name, bool makeUnique)
    : ScsiDevice(std::move(name), makeUnique, nullptr, 0, 0, 0) {
  SetCaption("SCSI Controller");
  SetDescription("SCSI Controller");
  SetElementClass("ScsiController");
}

ScsiController::ScsiController() = default;

void ScsiController::Stream(ptstream& stream, bool writing, std::int32_t version) {
  ScsiDevice::Stream(stream, writing, version);
  stream.Transfer(csmi_);
  stream.Transfer(protocolMask_);
  stream.Transfer(bus_);
  stream.Transfer(device_);
  stream.Transfer(function_);
}

void ScsiController::Assign(const Persistent& other) {
  ScsiDevice::Assign(other);
  const auto* controller = dynamic_cast<const ScsiController*>(&other);
  if (controller == nullptr) return;
  csmi_ = controller->csmi_;
  protocolMask_ = controller->protocolMask_;
  havePhys_ = controller->havePhys_;
  phys_ = controller->phys_;
  bus_ = controller->bus_;
  device_ = controller->device_;
  function_ = controller->function_;
}

void ScsiController::AttachDriver(std::unique_ptr<ScsiDriver> driver) {
  OwnDriver(std::move(driver));
  csmi_ = CsmiSasInterface::SpeaksCsmi(*Driver());
  if (!csmi_) return;
  // The protocols of the attached phys: bits 0-1 SSP, bits 2-3 STP (SATA).
  havePhys_ = CsmiSasInterface::GetPhyInfo(*Driver(), &phys_, sizeof phys_);
  if (!havePhys_) return;
  for (std::size_t i = 0; i < win::kCsmiMaxPhys && i < phys_.bNumberOfPhys; ++i) {
    const std::uint8_t protocol = phys_.Phy[i].Attached.bTargetPortProtocol;
    if (protocol & win::CSMI_SAS_PROTOCOL_SSP) protocolMask_ |= 0x3;
    if (protocol & (win::CSMI_SAS_PROTOCOL_STP | win::CSMI_SAS_PROTOCOL_SATA)) protocolMask_ |= 0xC;
  }
}

void ScsiController::SetPciLocation(std::int32_t bus, std::int32_t device, std::int32_t function) {
  bus_ = bus;
  device_ = device;
  function_ = function;
}

void ScsiController::SetPciDescription(const std::string& description) {
  if (!description.empty()) SetCaption(description);
}

void ScsiController::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (catalogRequest) return;
  if (HasPciLocation()) {
    // The bus and device attributes let discovery drop a controller that another family lists too.
    element.SetAttribute("bus", std::to_string(bus_));
    element.SetAttribute("device", std::to_string(device_));
    element.AddProperty("pciLocation", Translate("PCI Location"),
                        StringPrintf("%d:%d.%d", bus_, device_, function_));
  }
  if (Driver() != nullptr) Driver()->Describe(element);
  element.AddProperty("csmi", Translate("CSMI"), Translate(csmi_ ? "Supported" : "Not Supported"));
}

}  // namespace rb
