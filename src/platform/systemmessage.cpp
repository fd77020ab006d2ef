#include <string>

#include "platform/os.h"

namespace os {

// The Windows texts of the error codes the linux and sim backends produce, so that a failure reads
// the same on every backend.
std::string Platform::FormatMessage(win::DWORD error) {
  switch (error) {
    case win::ERROR_SUCCESS:
      return "The operation completed successfully.";
    case win::ERROR_INVALID_FUNCTION:
      return "Incorrect function.";
    case win::ERROR_FILE_NOT_FOUND:
      return "The system cannot find the file specified.";
    case win::ERROR_PATH_NOT_FOUND:
      return "The system cannot find the path specified.";
    case win::ERROR_ACCESS_DENIED:
      return "Access is denied.";
    case win::ERROR_INVALID_HANDLE:
      return "The handle is invalid.";
    case win::ERROR_NOT_ENOUGH_MEMORY:
      return "Not enough memory resources are available to process this command.";
    case win::ERROR_NOT_READY:
      return "The device is not ready.";
    case win::ERROR_GEN_FAILURE:
      return "A device attached to the system is not functioning.";
    case win::ERROR_SHARING_VIOLATION:
      return "The process cannot access the file because it is being used by another process.";
    case win::ERROR_NOT_SUPPORTED:
      return "The request is not supported.";
    case win::ERROR_INVALID_PARAMETER:
      return "The parameter is incorrect.";
    case win::ERROR_SEM_TIMEOUT:
      return "The semaphore timeout period has expired.";
    case win::ERROR_INSUFFICIENT_BUFFER:
      return "The data area passed to a system call is too small.";
    case win::ERROR_BUSY:
      return "The requested resource is in use.";
    case win::ERROR_IO_DEVICE:
      return "The request could not be performed because of an I/O device error.";
    case win::ERROR_DEVICE_NOT_CONNECTED:
      return "The device is not connected.";
    default:
      return "Error " + std::to_string(error) + ".";
  }
}

}  // namespace os
