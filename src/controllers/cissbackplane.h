#pragma once

// The SES enclosure side of a CISS controller, shown as a device: made by the controller's discovery
// for the processor LUN of a storage-box board (its enclosure processor). Its catalog entry reads the
// enclosures through its own SESDiagApi: the processor's diagnostic inquiry and firmware revisions,
// the expanders, and a block per temperature sensor, fan and power supply with their status texts. A
// block whose reads fail is replaced by its warning and the entry goes on.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controllers/sesdiagapi.h"
#include "devices/scsi/scsidevice.h"

namespace rb {

class CissDevice;
class Device;

// The controller a test on `device` acts through: the device itself when it is a CISS controller, the
// controller that reaches the enclosures when it is their backplane entry; null otherwise.
CissDevice* EnclosureController(Device* device);

class CissBackPlane : public ScsiDevice {
 public:
  static constexpr const char* kStreamableName = "CissBackPlane";

  CissBackPlane(std::string name, CissDevice& controller, std::uint8_t bus, std::uint8_t target);
  // The state a reader starts from.
  CissBackPlane();

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CissBackPlane>(); }

  CissDevice* Controller() const { return controller_; }
  // The enclosure access, its enclosures found on first use.
  SESDiagApi& Ses();

  void DescribeProperties(XmlObject& element, bool catalogRequest) override;

 private:
  void AddDiagInquiry(XmlObject& element, std::size_t enclosure);
  void AddExpanders(XmlObject& element, std::size_t enclosure);
  // A block per element of `type` ("name1", "name2", ...) with its status text and what `fill` adds;
  // false when the elements cannot be read.
  bool AddElementBlocks(XmlObject& element, std::size_t enclosure, std::uint8_t type, const char* name,
                        const char* caption,
                        const std::function<void(XmlObject&, const SesElementRecord&)>& fill);
  bool AddTemperatures(XmlObject& element, std::size_t enclosure);
  bool AddFans(XmlObject& element, std::size_t enclosure);
  bool AddPowerSupplies(XmlObject& element, std::size_t enclosure);

  CissDevice* controller_ = nullptr;
  std::unique_ptr<SESDiagApi> ses_;
  bool searched_ = false;
};

}  // namespace rb
