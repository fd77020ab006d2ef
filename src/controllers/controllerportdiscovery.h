#pragma once

// Finding the SCSI ports of array controllers: each port that is not claimed yet is asked for its
// controller configuration with the controller queries of one driver kind, and a port whose
// controller class is the one wanted is returned and claimed. The claims are shared by every kind of
// controller, so that a port one discovery took is never offered to another (a CISS port is never
// taken for a BMIC one, nor the reverse).

#include <array>
#include <cstdint>

#include "controllers/arraylayouts.h"

namespace rb {

// Port numbers in the order found; the rest of the table is kEmptyPortEntry.
inline constexpr std::uint16_t kEmptyPortEntry = 0xFFFF;
using ControllerPortTable = std::array<std::uint16_t, 64>;

// Ports 0 to 63 that answer the configuration query of `queryKind` with `wantedClass`. A port whose
// configuration query raises is passed over; one of the wanted class that then fails the status query
// raises "Driver reported problem" ("Unable to retrieve controller status"), one of another class is
// passed over.
ControllerPortTable DiscoverControllerPorts(arraylayout::DriverKind queryKind, std::uint8_t wantedClass);

// The PCI bus, device and function of the controller behind a port, when its configuration says the
// bus is PCI; the outputs stay as they were otherwise.
void ReadControllerPciLocation(std::uint16_t port, arraylayout::DriverKind queryKind, std::int32_t& bus,
                               std::int32_t& device, std::int32_t& function);

bool IsControllerPortClaimed(std::uint16_t port);
// A new discovery run finds every controller again: it starts without claims.
void ForgetClaimedControllerPorts();

}  // namespace rb
