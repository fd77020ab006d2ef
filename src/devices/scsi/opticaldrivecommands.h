#pragma once

// MMC commands to an optical drive opened by its drive path (\\.\CDROM0, or a drive letter's path):
// each opens the path, sends one buffered pass-through request (IOCTL_SCSI_PASS_THROUGH, the data
// inside the request) and closes it. Each answers true when the request returned with status GOOD,
// copies data in on success, and raises "Driver Open Failed in <name>" when the path cannot be opened.
// A caller's length beyond the request's data area fails without sending anything.

#include <cstdint>
#include <string>

namespace rb {

// The data area of the request these commands send.
inline constexpr std::uint32_t kOpticalDataBytes = 33028;

bool MODESense(const std::string& path, std::uint8_t pageControl, std::uint8_t pageCode,
               bool disableBlockDescriptors, void* buffer, std::uint16_t length);
bool MODESelect(const std::string& path, const void* parameters, std::uint16_t length);
// READ CAPACITY into 80 bytes.
bool READCapacity(const std::string& path, void* buffer80);
// READ DISC INFORMATION (36 bytes).
bool GetMediaBGFormat(const std::string& path, void* buffer, std::uint16_t length);
bool GetConfiguration(const std::string& path, void* buffer, std::uint16_t length);
// READ TRACK INFORMATION of the invisible track: the next writable address.
bool GetTracksNextWritableAddress(const std::string& path, std::uint32_t& nextWritableAddress);
bool WriteOpticalDriveBlocks(const std::string& path, std::uint32_t lba, std::uint16_t blocks,
                             const void* data, std::uint32_t length);
bool SynchronizeCache(const std::string& path, std::uint16_t blocks);
bool ReadOpticalDriveBlocks(const std::string& path, std::uint32_t lba, std::uint16_t blocks, void* data,
                            std::uint32_t length);
bool IdeCdromTestUnitReady(const std::string& path);
// READ TOC/PMA/ATIP of `format` into 256 bytes.
bool ReadToc(const std::string& path, std::uint8_t format, void* buffer256);
bool PlayAudio(const std::string& path, std::uint32_t lba, std::uint16_t length);
bool StopPlay(const std::string& path);
bool PauseResume(const std::string& path, bool resume);

}  // namespace rb
