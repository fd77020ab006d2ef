#pragma once

// The processor of a simulated backplane on an array controller's bus: <backplane bus= target= vendor=
// product= revision= [chassisSerial="..."] [chassisSerialFixed="1"]> (simarraycontroller.h). Besides
// INQUIRY it answers RECEIVE DIAGNOSTIC RESULTS (08h) and SEND DIAGNOSTIC (0Ah) of its buffer 93h,
// 32 bytes holding the chassis serial number from byte 2; chassisSerialFixed="1" makes it accept
// sends without keeping them (a part that does not take the new number). It also answers receives of
// the alarm page (buffer 82h) with alarms="0x.." in its flags byte. Other buffers are refused.

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
  void ReceiveAlarmPage(SimScsiCommand& command) const;

  std::vector<std::uint8_t> chassisSerial_;
  bool fixed_;
  std::uint8_t alarms_;
};

}  // namespace os
