#pragma once

// The transport of a CISS array controller: each command list becomes one CISS miniport request (a
// 152-byte request followed by the data) on the controller's port. A completed command never raises
// here: its command status is the caller's to judge.

#include <memory>
#include <string>

#include "controllers/arrayportdriver.h"
#include "controllers/controllerportdiscovery.h"

namespace rb {

struct CissCommandList;

class CissDriver : public ArrayPortDriver {
 public:
  static constexpr const char* kStreamableName = "CissDriver";
  using ArrayPortDriver::ArrayPortDriver;

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CissDriver>(); }

  // The ports of CISS controllers, claimed for this process (see DiscoverControllerPorts).
  static ControllerPortTable DiscoverPorts();
  // See ReadControllerPciLocation.
  void PciLocation(std::int32_t& bus, std::int32_t& device, std::int32_t& function) const;

  // Sends the command of `list`: its scatter-gather entry 0 names the data buffer, its error record
  // link the record that receives status, sense and residual count. Transport failures raise "Driver
  // reported problem".
  void Send(CissCommandList& list);
};

}  // namespace rb
