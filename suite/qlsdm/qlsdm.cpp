// The fibre-channel adapter diagnostics library of the suite: libqlsdm.so / qlsdm.dll. It exports
// SDOpenDevice, SDRunDiagLoopback, SDCloseDevice and SDGetHbaInformation (src/devices/fibre/qlsdmabi.h)
// and answers them:
//   - on a simulated machine (the environment variable RAVELBANK_MACHINE names its description, read
//     afresh by every open), from the adapters the description declares (simhbas.h);
//   - on Linux, from /sys/class/fc_host (sysfshbas.h), where a loopback is not supported;
//   - on Windows, no adapter.
// An open handle keeps the port as it was read when it was opened. No exception leaves an entry point:
// a failure answers kStatusFailure.

#include <cstdint>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "devices/fibre/qlsdmabi.h"
#include "hbaport.h"
#include "platform/os.h"
#include "platform/sim/simmachine.h"
#include "simhbas.h"
#ifndef _WIN32
#include "sysfshbas.h"
#endif

namespace abi = rb::qlsdmabi;

extern "C" {
RAVELBANK_HOST_EXPORT std::uint32_t RAVELBANK_HOST_CALL SDOpenDevice(std::uint32_t adapterIndex,
                                                                     abi::SdHandle* handle);
RAVELBANK_HOST_EXPORT std::uint32_t RAVELBANK_HOST_CALL
SDRunDiagLoopback(abi::SdHandle handle, std::uint8_t option, std::uint8_t loopType, void* sendBuffer,
                  std::uint32_t sendLength, void* receiveBuffer, std::uint32_t receiveLength,
                  std::uint16_t iterations, abi::SdLoopbackResult* result);
RAVELBANK_HOST_EXPORT std::uint32_t RAVELBANK_HOST_CALL SDCloseDevice(abi::SdHandle handle);
RAVELBANK_HOST_EXPORT std::uint32_t RAVELBANK_HOST_CALL
SDGetHbaInformation(abi::SdHandle handle, abi::SdHbaInformation* information);
}

static_assert(std::is_same_v<decltype(&SDOpenDevice), abi::SDOpenDeviceFunction>);
static_assert(std::is_same_v<decltype(&SDRunDiagLoopback), abi::SDRunDiagLoopbackFunction>);
static_assert(std::is_same_v<decltype(&SDCloseDevice), abi::SDCloseDeviceFunction>);
static_assert(std::is_same_v<decltype(&SDGetHbaInformation), abi::SDGetHbaInformationFunction>);

namespace qlsdm {
namespace {

constexpr const char* kMachineVariable = "RAVELBANK_MACHINE";

std::vector<HbaPort> MachinePorts() {
  const auto machine = os::Native().GetEnvironmentVariable(kMachineVariable);
  if (machine && !machine->empty()) return SimHbaPorts(os::SimMachine::Load(*machine));
#ifdef _WIN32
  return {};
#else
  return SysfsHbaPorts("/sys");
#endif
}

// The open handles; several host threads may call at once.
class HandleTable {
 public:
  abi::SdHandle Open(HbaPort port) {
    std::lock_guard lock(lock_);
    const abi::SdHandle handle = next_++;
    open_.emplace(handle, std::move(port));
    return handle;
  }
  std::optional<HbaPort> Find(abi::SdHandle handle) {
    std::lock_guard lock(lock_);
    const auto found = open_.find(handle);
    if (found == open_.end()) return std::nullopt;
    return found->second;
  }
  bool Close(abi::SdHandle handle) {
    std::lock_guard lock(lock_);
    return open_.erase(handle) != 0;
  }

 private:
  std::mutex lock_;
  abi::SdHandle next_ = 1;
  std::map<abi::SdHandle, HbaPort> open_;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

template <class Body>
std::uint32_t Guarded(Body body) {
  try {
    return body();
  } catch (...) {
    return abi::kStatusFailure;
  }
}

}  // namespace
}  // namespace qlsdm

std::uint32_t RAVELBANK_HOST_CALL SDOpenDevice(std::uint32_t adapterIndex, abi::SdHandle* handle) {
  return qlsdm::Guarded([&]() -> std::uint32_t {
    if (handle == nullptr) return abi::kStatusInvalidParameter;
    std::vector<qlsdm::HbaPort> ports = qlsdm::MachinePorts();
    if (adapterIndex >= ports.size()) return abi::kStatusNoSuchAdapter;
    *handle = qlsdm::Handles().Open(std::move(ports[adapterIndex]));
    return abi::kStatusOk;
  });
}

std::uint32_t RAVELBANK_HOST_CALL SDRunDiagLoopback(abi::SdHandle handle, std::uint8_t, std::uint8_t loopType,
                                                    void* sendBuffer, std::uint32_t sendLength,
                                                    void* receiveBuffer, std::uint32_t receiveLength,
                                                    std::uint16_t iterations, abi::SdLoopbackResult* result) {
  return qlsdm::Guarded([&]() -> std::uint32_t {
    const std::optional<qlsdm::HbaPort> port = qlsdm::Handles().Find(handle);
    if (!port) return abi::kStatusInvalidHandle;
    return qlsdm::RunLoopback(*port, loopType, static_cast<const std::uint8_t*>(sendBuffer), sendLength,
                              static_cast<std::uint8_t*>(receiveBuffer), receiveLength, iterations, result);
  });
}

std::uint32_t RAVELBANK_HOST_CALL SDCloseDevice(abi::SdHandle handle) {
  return qlsdm::Guarded([&]() -> std::uint32_t {
    return qlsdm::Handles().Close(handle) ? abi::kStatusOk : abi::kStatusInvalidHandle;
  });
}

std::uint32_t RAVELBANK_HOST_CALL SDGetHbaInformation(abi::SdHandle handle,
                                                      abi::SdHbaInformation* information) {
  return qlsdm::Guarded([&]() -> std::uint32_t {
    if (information == nullptr) return abi::kStatusInvalidParameter;
    const std::optional<qlsdm::HbaPort> port = qlsdm::Handles().Find(handle);
    if (!port) return abi::kStatusInvalidHandle;
    *information = port->information;
    return abi::kStatusOk;
  });
}
