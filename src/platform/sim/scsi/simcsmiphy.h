#pragma once

// One phy of a simulated CSMI adapter, from <phy id= sasAddress= protocol="ssp"|"sata" target=/>: the
// SAS address of the device attached to it and the port's unit that answers for that device.

#include <array>
#include <cstdint>

namespace os {

struct SimCsmiPhy {
  std::uint8_t id = 0;
  std::array<std::uint8_t, 8> sasAddress{};
  bool sata = false;
  std::uint8_t target = 0;
};

}  // namespace os
