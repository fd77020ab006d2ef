#include "platform/sim/array/simcontrollersignals.h"

#include "controllers/arraylayouts.h"
#include "platform/sim/simmachine.h"
#include "support/xmlobject.h"

namespace os {

namespace sig = rb::arraylayout::signals;

void SimControllerSignals::Read(const SimMachine& machine, const rb::XmlObject& element) {
  for (const rb::XmlObject* gauge : element.GetChildren("gauge")) {
    std::vector<std::uint8_t> part(sig::kGaugeSize, 0);
    part[sig::kGaugeStatus] = static_cast<std::uint8_t>(machine.Number(*gauge, "status", 255));
    part[sig::kGaugeLoadCurrent] = static_cast<std::uint8_t>(machine.Number(*gauge, "loadCurrent", 255));
    gauges_.emplace_back(static_cast<std::uint8_t>(machine.Number(*gauge, "address", 255)), std::move(part));
  }
}

std::vector<std::uint8_t>* SimControllerSignals::Gauge(std::uint8_t address) {
  for (auto& [at, part] : gauges_)
    if (at == address) return &part;
  return nullptr;
}

}  // namespace os
