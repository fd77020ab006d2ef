#pragma once

// An open \\.\TapeN of the simulated machine, as the system's tape class driver presents a tape drive:
// the drive path's requests (its SCSI address, pass-through to the drive, eject and readiness), and the
// tape functions, ReadFile and WriteFile carried out with the drive's own SSC commands. Each read or
// write moves one variable-length block; the drive's sense becomes the tape error (tapesense.h).

#include <memory>

#include "platform/devicehandle.h"
#include "platform/sim/scsi/simscsiport.h"
#include "platform/tapehandle.h"

namespace os {

class SimTapeHandle : public DeviceHandle, public TapeHandle {
 public:
  SimTapeHandle(std::shared_ptr<SimScsiPort> port, SimScsiUnit& unit);

  win::DWORD Control(win::DWORD code, const void* in, win::DWORD inLength, void* out, win::DWORD outLength,
                     win::DWORD* returned) override;
  win::DWORD Read(void* buffer, win::DWORD count, win::DWORD* moved) override;
  win::DWORD Write(const void* buffer, win::DWORD count, win::DWORD* moved) override;

  // TEST UNIT READY, then REQUEST SENSE for a pending cleaning request.
  win::DWORD TapeStatus() override;
  win::DWORD TapeParameters(win::DWORD operation, win::DWORD* size, void* information) override;
  // TAPE_REWIND (REWIND), TAPE_SPACE_RELATIVE_BLOCKS, TAPE_SPACE_FILEMARKS and TAPE_SPACE_END_OF_DATA
  // (SPACE); other methods are not supported.
  win::DWORD TapePosition(win::DWORD method, win::DWORD partition, std::uint64_t offset,
                          bool immediate) override;
  // WRITE FILEMARKS, with the setmark bit for TAPE_SETMARKS.
  win::DWORD Tapemark(win::DWORD type, win::DWORD count, bool immediate) override;

 private:
  // One command: the transport's error, else the tape error of its outcome; `transferred` (when not
  // null) receives the count of bytes moved in, `sense` (when not null) the sense data.
  win::DWORD Command(const std::uint8_t* cdb, std::size_t cdbLength, bool dataIn, std::uint8_t* data,
                     std::size_t length, std::size_t* transferred = nullptr,
                     std::vector<std::uint8_t>* sense = nullptr);

  std::shared_ptr<SimScsiPort> port_;
  SimScsiUnit& unit_;
  SimScsiPortHandle drive_;
};

}  // namespace os
