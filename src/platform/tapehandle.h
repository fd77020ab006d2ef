#pragma once

// The tape functions of an open tape device of a backend that keeps its own devices (linux, sim): the
// object behind a \\.\TapeN handle answers them beside its control codes, reads and writes.

#include <cstdint>

#include "platform/handletable.h"
#include "platform/winapi.h"

namespace os {

class TapeHandle {
 public:
  virtual ~TapeHandle() = default;
  // Each answers ERROR_SUCCESS or the tape error, as the Windows function of the same name.
  virtual win::DWORD TapeStatus() = 0;
  virtual win::DWORD TapeParameters(win::DWORD operation, win::DWORD* size, void* information) = 0;
  virtual win::DWORD TapePosition(win::DWORD method, win::DWORD partition, std::uint64_t offset,
                                  bool immediate) = 0;
  virtual win::DWORD Tapemark(win::DWORD type, win::DWORD count, bool immediate) = 0;
};

// Runs `call` on the tape a handle of `handles` names. A handle that is no tape's answers
// ERROR_INVALID_FUNCTION, as Windows answers the tape functions on a disk or a file.
template <class Call>
win::DWORD OnTape(const HandleTable& handles, win::HANDLE handle, Call call) {
  const auto tape = handles.FindAs<TapeHandle>(handle);
  if (tape == nullptr)
    return handles.Find(handle) != nullptr ? win::ERROR_INVALID_FUNCTION : win::ERROR_INVALID_HANDLE;
  return call(*tape);
}

}  // namespace os
