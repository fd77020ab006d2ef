#include "controllers/arrayportdriver.h"

#include "controllers/miniportrequest.h"
#include "framework/ptstream.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

ArrayPortDriver::ArrayPortDriver(std::uint16_t port) : port_(port), path_(PortPath(port)) {}

ArrayPortDriver::ArrayPortDriver(const ArrayPortDriver& other)
    : Persistent(other), port_(other.port_), path_(other.path_) {}

ArrayPortDriver& ArrayPortDriver::operator=(const ArrayPortDriver& other) {
  if (this != &other) {
    Close();
    port_ = other.port_;
    path_ = other.path_;
  }
  return *this;
}

ArrayPortDriver::~ArrayPortDriver() {
  Close();
}

std::string ArrayPortDriver::PortPath(std::uint16_t port) {
  return StringPrintf("\\\\.\\SCSI%u:", static_cast<unsigned>(port));
}

void ArrayPortDriver::Stream(ptstream& stream, bool, std::int32_t) {
  stream.TransferBytes(&port_, sizeof port_);
  stream.Transfer(path_);
}

void ArrayPortDriver::Assign(const Persistent& other) {
  const auto* source = dynamic_cast<const ArrayPortDriver*>(&other);
  if (source == nullptr || source->StreamableName() != StreamableName()) return;
  *this = *source;
}

void ArrayPortDriver::Close() {
  if (!IsOpen()) return;
  os::Current().CloseHandle(handle_);
  handle_ = win::INVALID_HANDLE_VALUE;
}

bool ArrayPortDriver::Send(arraylayout::DriverKind kind, win::DWORD controlCode, void* buffer,
                           win::DWORD total) {
  if (!IsOpen()) {
    handle_ = os::Current().CreateFile(path_, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING,
                                       win::FILE_ATTRIBUTE_NORMAL);
    if (!IsOpen()) throw OruError("Driver reported problem", path_ + " : " + Translate("Cannot open driver"));
  }
  return SendMiniportRequest(handle_, kind, controlCode, buffer, total);
}

}  // namespace rb
