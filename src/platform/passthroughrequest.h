#pragma once

// A SCSI pass-through request as a backend's device receives it (IOCTL_SCSI_PASS_THROUGH_DIRECT with
// the data at the caller's address, or IOCTL_SCSI_PASS_THROUGH with the data inside the request), read
// into one neutral form and answered back into the caller's request. Every offset and length the
// caller gives is checked against the buffers before anything is read or written.

#include <cstdint>

#include "platform/winapi.h"

namespace os {

struct PassThroughRequest {
  std::uint8_t path = 0;
  std::uint8_t target = 0;
  std::uint8_t lun = 0;
  std::uint8_t cdb[16] = {};
  std::uint8_t cdbLength = 0;
  std::uint8_t dataIn = win::SCSI_IOCTL_DATA_OUT;  // DataIn as the caller set it
  std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
  std::uint32_t timeoutSeconds = 0;
  // Room for sense data in the request (SenseInfoLength).
  std::uint8_t senseLength = 0;

  // Reads the request of `code` (the two pass-through codes) from `in` into `out`, where the answer
  // goes. ERROR_INVALID_PARAMETER for a request whose lengths or offsets do not fit its buffers.
  win::DWORD Parse(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength);
  // Writes the outcome into the request: the status, at most SenseInfoLength sense bytes (setting
  // SenseInfoLength to the count written) and the data length moved. `returned` receives the count
  // of answer bytes.
  void Complete(std::uint8_t status, const std::uint8_t* sense, std::uint32_t senseLength,
                std::uint32_t transferred, win::DWORD* returned);

 private:
  std::uint8_t* answer_ = nullptr;
  win::DWORD answerLength_ = 0;
  std::uint32_t senseOffset_ = 0;
};

}  // namespace os
