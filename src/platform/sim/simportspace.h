#pragma once

// The simulated machine's I/O ports, declared in the description:
//
//   <ports driver="1">
//     <port address="0x80" value="0x12"/>
//   </ports>
//
// Each <port> declares one byte-wide port and the value it reads as until something is written to it;
// a written value is read back. A port not declared reads as FFh, like a port nothing answers on the
// bus. The port-I/O driver (\\.\qxdvmkd) is installed unless driver="0"; a machine without a <ports>
// element has neither ports nor driver. Every access is logged so tests can tell what was touched.

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "platform/sim/simmachine.h"

namespace os {

class SimPortSpace {
 public:
  struct Access {
    std::uint32_t port;
    std::uint8_t value;  // the byte read or written
    bool write;

    bool operator==(const Access&) const = default;
  };

  // Reads the <ports> element; raises MachineError when an address, value or the driver flag is
  // unusable or an address is declared twice.
  explicit SimPortSpace(const SimMachine& machine);
  SimPortSpace(const SimPortSpace&) = delete;
  SimPortSpace& operator=(const SimPortSpace&) = delete;

  bool DriverInstalled() const { return driver_; }
  std::uint8_t Read(std::uint32_t port);
  void Write(std::uint32_t port, std::uint8_t value);
  // Every access so far, in order.
  std::vector<Access> Accesses() const;

 private:
  bool driver_ = false;
  mutable std::mutex mutex_;
  std::map<std::uint32_t, std::uint8_t> values_;
  std::vector<Access> accesses_;
};

}  // namespace os
