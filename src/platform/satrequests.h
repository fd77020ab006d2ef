#pragma once

// The disk driver's ATA requests of Windows (SMART_RCV_DRIVE_DATA, SMART_SEND_DRIVE_COMMAND, the IDE
// pass-through and the SCSI miniport's SMART log write) carried out with the SCSI command that passes
// an ATA command through a SCSI-to-ATA translation layer: ATA PASS-THROUGH(16), opcode 85h. Each ATA
// command gets the protocol it needs (PIO data-in for IDENTIFY and the SMART reads, PIO data-out for
// the log write, non-data for the rest); non-data commands ask for the registers back (CK_COND), which
// the layer returns in the ATA status return descriptor of descriptor-format sense (or in the
// information fields of fixed-format sense).

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/winstorage.h"

namespace os {

// One SCSI command as a backend carries it: the transport's Windows error (ERROR_SUCCESS when the
// command reached the device), with its status byte and up to `senseLength` bytes of sense.
using SatTransport = std::function<win::DWORD(const std::uint8_t* cdb, std::size_t cdbLength, bool dataIn,
                                              std::uint8_t* data, std::uint32_t length, std::uint8_t* status,
                                              std::uint8_t* sense, std::size_t senseLength)>;

// ATA PASS-THROUGH(16) of one command given by its registers; `registers` come back as the drive left
// them when the layer reports them. ERROR_SUCCESS; ERROR_IO_DEVICE when the drive aborts the command;
// ERROR_INVALID_FUNCTION when the device takes no ATA pass-through; or the transport's error.
win::DWORD SatCommand(const SatTransport& send, win::IdeRegs& registers, std::uint8_t* data,
                      std::uint32_t length, bool dataOut);

// One of the requests above by its control code; `handled` is false for any other code.
win::DWORD SatRequest(const SatTransport& send, win::DWORD code, const void* in, win::DWORD inLength,
                      void* out, win::DWORD outLength, win::DWORD* returned, bool& handled);

}  // namespace os
