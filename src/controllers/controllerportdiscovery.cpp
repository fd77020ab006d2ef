#include "controllers/controllerportdiscovery.h"

#include <array>
#include <mutex>
#include <set>

#include "controllers/arraylayouts.h"
#include "controllers/arrayportdriver.h"
#include "controllers/miniportrequest.h"
#include "platform/openhandle.h"
#include "platform/os.h"
#include "support/oruerror.h"

namespace rb {

namespace {

namespace layout = arraylayout;

std::mutex claimsLock;
std::set<std::uint16_t>& Claims() {
  static std::set<std::uint16_t> claims;
  return claims;
}

void Claim(std::uint16_t port) {
  const std::lock_guard guard(claimsLock);
  Claims().insert(port);
}

// A port opened for the queries (read and write, not shared), closed at the end of the scope.
class QueriedPort : public os::OpenHandle {
 public:
  explicit QueriedPort(std::uint16_t port)
      : OpenHandle(os::Current().CreateFile(ArrayPortDriver::PortPath(port),
                                            win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING,
                                            0)) {}
};

// One controller query of `kSize` bytes, header included.
template <std::size_t kSize>
struct ControllerQuery {
  std::array<std::uint8_t, kSize> bytes{};
  bool Send(const QueriedPort& port, layout::DriverKind kind, win::DWORD code) {
    return SendMiniportRequest(port.Get(), kind, code, bytes.data(), static_cast<win::DWORD>(bytes.size()));
  }
  const std::uint8_t* Body() const { return bytes.data() + layout::kHeaderSize; }
};

using ConfigurationQuery = ControllerQuery<layout::kConfigSize>;

}  // namespace

bool IsControllerPortClaimed(std::uint16_t port) {
  const std::lock_guard guard(claimsLock);
  return Claims().count(port) != 0;
}

void ForgetClaimedControllerPorts() {
  const std::lock_guard guard(claimsLock);
  Claims().clear();
}

ControllerPortTable DiscoverControllerPorts(layout::DriverKind queryKind, std::uint8_t wantedClass) {
  ControllerPortTable found;
  found.fill(kEmptyPortEntry);
  std::size_t count = 0;
  for (std::uint16_t port = 0; port < ArrayPortDriver::kPortCount; ++port) {
    if (IsControllerPortClaimed(port)) continue;
    const QueriedPort handle(port);
    if (!handle.Valid()) continue;
    ConfigurationQuery configuration;
    bool configured = false;
    try {
      configured = configuration.Send(handle, queryKind, layout::kQueryConfig);
    } catch (const OruError&) {
      continue;  // the port does not answer this kind's queries
    }
    const bool wanted = configured && configuration.Body()[layout::config::kClass] == wantedClass;
    ControllerQuery<layout::kStatusSize> status;
    bool statusRead = false;
    try {
      statusRead = status.Send(handle, queryKind, layout::kQueryStatus);
    } catch (const OruError&) {
    }
    // A controller of the kind wanted that cannot report its status is a failure worth ending the
    // discovery for; an adapter of another kind (a host adapter whose driver shares the queries but
    // not the status request) is none of this discovery's business.
    if (!statusRead && wanted) RaiseDriverProblem("Unable to retrieve controller status");
    if (!statusRead) continue;
    // Read only to confirm that the driver answers.
    ControllerQuery<layout::kDriverInfoSize> information;
    try {
      information.Send(handle, queryKind, layout::kQueryDriverInfo);
    } catch (const OruError&) {
    }
    if (wanted) {
      found[count++] = port;
      Claim(port);
    }
  }
  return found;
}

void ReadControllerPciLocation(std::uint16_t port, layout::DriverKind queryKind, std::int32_t& bus,
                               std::int32_t& device, std::int32_t& function) {
  const QueriedPort handle(port);
  if (!handle.Valid()) return;
  ConfigurationQuery configuration;
  try {
    if (!configuration.Send(handle, queryKind, layout::kQueryConfig)) return;
  } catch (const OruError&) {
    return;
  }
  const std::uint8_t* body = configuration.Body();
  if (body[layout::config::kBusType] != layout::kBusTypePci) return;
  bus = body[layout::config::kPciBus];
  device = body[layout::config::kPciDevice];
  function = body[layout::config::kPciFunction];
}

}  // namespace rb
