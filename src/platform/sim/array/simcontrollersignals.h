#pragma once

// The signals a simulated array controller reports to the enclosure tests, from the port's optional
// <signals> child (all attributes optional):
//   picLine="high|low|n"        the PIC interrupt line (high, the good state, by default; a number is
//                               an undefined condition)             eccCount="n"   ECC events (0)
//   linkWidth="n"               PCI Express lanes (8)
//   phyMap="16 hex digits"      controller phys' speed codes        expanderPhyMap="16 hex digits"
//   wwn="16 hex digits"         the controller's world wide name
//   expanderWwns="W1 W2"        the two expanders' world wide names
//   psoc="S F L1 L2"            SEP, fan, LED(1) and LED(2) PSoC versions, "major.minor" each
//   <gauge address="0xC1" status="0x00" loadCurrent="0x30"/>   a battery gauge at an I2C address
// They answer in the vendor replies D6h, DAh, DCh and DFh (src/controllers/arraylayouts.h, namespace
// signals) and as I2C parts.

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/sim/scsi/simscsicommand.h"

namespace rb {
class XmlObject;
}

namespace os {

class SimMachine;

class SimControllerSignals {
 public:
  SimControllerSignals();
  // Reads a <signals> element.
  void Read(const SimMachine& machine, const rb::XmlObject& element);
  // Answers the vendor sub-function when it carries signals; false when it does not.
  bool Reply(std::uint8_t subFunction, SimScsiCommand& command) const;
  // Writes this controller's fields into a reply of `subFunction` built elsewhere.
  void Overlay(std::uint8_t subFunction, std::vector<std::uint8_t>& reply) const;
  // The battery gauge at an I2C address; null when there is none.
  std::vector<std::uint8_t>* Gauge(std::uint8_t address);

 private:
  std::uint8_t picLine_;
  std::uint32_t eccCount_ = 0;
  std::uint8_t linkWidth_ = 8;
  std::vector<std::uint8_t> phyMap_;
  std::vector<std::uint8_t> expanderPhyMap_;
  std::vector<std::uint8_t> wwns_;   // controller, expander 1, expander 2
  std::vector<std::uint8_t> psoc_;   // major, minor per PSoC
  std::vector<std::pair<std::uint8_t, std::vector<std::uint8_t>>> gauges_;
};

}  // namespace os
