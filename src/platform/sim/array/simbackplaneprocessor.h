#pragma once

// The processor of a simulated backplane on an array controller's bus: <backplane bus= target= vendor=
// product= revision= [chassisSerial="..."] [chassisSerialFixed="1"]> (simarraycontroller.h). Besides
// INQUIRY it answers RECEIVE DIAGNOSTIC RESULTS (08h) and SEND DIAGNOSTIC (0Ah) of its buffer 93h,
// 32 bytes holding the chassis serial number from byte 2; chassisSerialFixed="1" makes it accept
// sends without keeping them (a part that does not take the new number). Other buffers are refused.

#include <vector>

#include "platform/sim/scsi/simscsiunit.h"

namespace os {

class SimBackplaneProcessor : public SimScsiUnit {
 public:
  SimBackplaneProcessor(const SimMachine& machine, const rb::XmlObject& element,
                        std::shared_ptr<SimClock> clock);

  const std::vector<std::uint8_t>& ChassisSerialBuffer() const { return chassisSerial_; }

 protected:
  void Dispatch(SimScsiCommand& command) override;

 private:
  std::vector<std::uint8_t> chassisSerial_;
  bool fixed_;
};

}  // namespace os
