#pragma once

#include <cstdint>
#include <string>

#include "devices/ata/ataidentify.h"
#include "platform/winstorage.h"

namespace rb {

// The ATA commands the component sends to a drive by its operating-system path, through the disk
// driver's SMART requests, the IDE pass-through and the SCSI miniport's SMART requests. Every request
// opens the path itself; a request that cannot open it or whose control request fails answers failure
// (false, -1 or the system error code) and leaves the last error set.
namespace ata {

// IDENTIFY DEVICE (ECh) or IDENTIFY PACKET DEVICE (A1h) through SMART_RCV_DRIVE_DATA; the 512 bytes on
// success.
bool IdentifyBySmart(const std::string& path, std::uint8_t command, std::uint8_t* data);
// The same through IOCTL_IDE_PASS_THROUGH, with device register A0h for an even drive number and B0h
// for an odd one.
bool IdentifyByPassThrough(const std::string& path, std::uint8_t command, std::int32_t driveNumber,
                           std::uint8_t* data);
// The whole identify sequence: the SMART request with ECh, then A1h; when both fail the IDE
// pass-through with A1h, then ECh. Each attempt is traced under `label` ("CDROM3", "WMIdev"). An
// answer of nothing but zeros is no identify data.
bool ReadIdentify(const std::string& path, const std::string& label, std::int32_t driveNumber,
                  AtaIdentify* out);

// SMART RETURN STATUS: 1 when the drive says a threshold is exceeded (LBA mid/high F4h/2Ch), 0 when
// it answers otherwise, -1 when the request fails.
int SmartReturnStatus(const std::string& path);
// SMART READ DATA: the 512 bytes, kept only when they sum to 0 modulo 256; otherwise the buffer is
// cleared and the answer is false.
bool SmartReadData(const std::string& path, std::uint8_t* data);
// A SMART command with a sub-code in LBA low (EXECUTE OFFLINE IMMEDIATE D4h with a self-test code):
// 0 on success, else the system error code.
win::DWORD SmartCommand(const std::string& path, std::uint8_t feature, std::uint8_t subCode);
// SMART WRITE LOG of one sector at a log address, through the SCSI miniport's SMART request.
bool SmartWriteLog(const std::string& path, std::uint8_t logAddress, const std::uint8_t* sector);

// Removable-media requests: eject, load, reset, whether a medium is ready, whether it can be written.
bool EjectMedia(const std::string& path);
bool LoadMedia(const std::string& path);
bool ResetDevice(const std::string& path);
bool CheckVerify(const std::string& path);
bool IsWritable(const std::string& path);
// The drive's geometry (IOCTL_DISK_GET_DRIVE_GEOMETRY): of the medium in it for a removable drive.
bool DriveGeometry(const std::string& path, win::DiskGeometry* geometry);

}  // namespace ata

}  // namespace rb
