#pragma once

// The battery gauges of a simulated array controller, parts on its I2C bus read with BMIC 42h
// sub-function D4h, from the port's optional <signals> child:
//   <signals><gauge address="0xC1" status="0x00" loadCurrent="0x30"/> ...</signals>
// Each gauge answers its status and load-current bytes (src/controllers/arraylayouts.h, namespace
// signals), zeros elsewhere. What the controller tells of itself through vendor replies is <vendorInfo>
// (simcontrollerinfo.h).

#include <cstdint>
#include <utility>
#include <vector>

namespace rb {
class XmlObject;
}

namespace os {

class SimMachine;

class SimControllerSignals {
 public:
  // Reads a <signals> element.
  void Read(const SimMachine& machine, const rb::XmlObject& element);
  // The battery gauge at an I2C address; null when there is none.
  std::vector<std::uint8_t>* Gauge(std::uint8_t address);

 private:
  std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> gauges_;
};

}  // namespace os
