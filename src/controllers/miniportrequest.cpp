#include "controllers/miniportrequest.h"

#include <cstring>

#include "platform/os.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

void RaiseDriverProblem(const std::string& text, const std::string& value) {
  std::string detail = Translate(text);
  if (!value.empty()) detail += " : " + value;
  throw OruError("Driver reported problem", detail);
}

bool SendMiniportRequest(win::HANDLE handle, arraylayout::DriverKind kind, win::DWORD controlCode,
                         void* buffer, win::DWORD total) {
  namespace layout = arraylayout;
  if (buffer == nullptr || total < layout::kHeaderSize) RaiseDriverProblem("Invalid CSMI parameter");
  win::SrbIoControl header{};
  header.HeaderLength = layout::kHeaderSize;
  const layout::KindSignature signature = layout::SignatureOf(kind);
  std::memcpy(header.Signature, signature.signature.data(),
              std::min(signature.signature.size(), sizeof header.Signature));
  header.Timeout = signature.timeout;
  header.ControlCode = controlCode;
  header.Length = total - layout::kHeaderSize;
  std::memcpy(buffer, &header, sizeof header);

  os::Platform& platform = os::Current();
  win::DWORD returned = 0;
  if (!platform.DeviceIoControl(handle, win::IOCTL_SCSI_MINIPORT, buffer, total, buffer, total, &returned)) {
    const win::DWORD error = platform.GetLastError();
    DebugPrint("GetLastError()=%d\n", static_cast<int>(error));
    RaiseDriverProblem("DeviceIoControl error code", StringPrintf("%u", error));
  }
  std::memcpy(&header, buffer, sizeof header);
  switch (header.ReturnCode) {
    case layout::kReturnSuccess:
      return true;
    case layout::kReturnFailed:
      RaiseDriverProblem("CSMI operation failed");
    case layout::kReturnBadControlCode:
      RaiseDriverProblem("Bad CSMI control code", StringPrintf("%u", controlCode));
    case layout::kReturnInvalidParameter:
      RaiseDriverProblem("Invalid CSMI parameter");
    default:
      return false;
  }
}

}  // namespace rb
