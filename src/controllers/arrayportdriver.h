#pragma once

// What the CISS and BMIC drivers share: one operating-system SCSI port of an array controller
// ("\\.\SCSIn:"), opened on the first request and kept open until the driver is destroyed. A copy
// (or a driver read back from the persistent file) names the same port and opens its own handle.

#include <cstdint>
#include <string>

#include "controllers/arraylayouts.h"
#include "framework/persistent.h"
#include "platform/winapi.h"

namespace rb {

class ArrayPortDriver : public Persistent {
 public:
  // The highest port number a controller can have, plus one.
  static constexpr std::uint16_t kPortCount = 64;

  explicit ArrayPortDriver(std::uint16_t port = 0);
  ArrayPortDriver(const ArrayPortDriver& other);
  ArrayPortDriver& operator=(const ArrayPortDriver& other);
  ~ArrayPortDriver() override;

  std::uint16_t PortNumber() const { return port_; }
  const std::string& Path() const { return path_; }
  bool IsOpen() const { return handle_ != win::INVALID_HANDLE_VALUE; }

  // The port number as a 16-bit value, then the path.
  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Takes port and path of another driver of the same class; the handle stays this driver's.
  void Assign(const Persistent& other) override;

  // "\\.\SCSI<port>:".
  static std::string PortPath(std::uint16_t port);

 protected:
  // Sends one miniport request on the port, opening it first when it is not open; a port that cannot
  // be opened raises "Driver reported problem" and is tried again by the next request.
  bool Send(arraylayout::DriverKind kind, win::DWORD controlCode, void* buffer, win::DWORD total);

 private:
  void Close();

  std::uint16_t port_;
  std::string path_;
  win::HANDLE handle_ = win::INVALID_HANDLE_VALUE;
};

}  // namespace rb
