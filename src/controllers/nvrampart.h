#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rb {

class CissDevice;

// One NVRAM part: located by its one-byte code on the controller's board (codes 128 to 135 are the
// controller's own parts, reached over I2C; codes below 128 are enclosure parts, on the storage-box
// board set only), read into its buffer and programmed with a kept image and a read-back check.
// Failures raise OruError.
class NvramPart {
 public:
  static constexpr int kFirstControllerCode = 128;
  static constexpr int kLastControllerCode = 135;

  NvramPart(CissDevice& controller, std::uint8_t code, std::uint32_t enclosure = 0);

  std::uint8_t Code() const { return code_; }
  std::uint8_t Address() const { return address_; }
  std::uint32_t Size() const { return size_; }
  bool InEnclosure() const { return code_ < kFirstControllerCode; }
  const std::vector<std::uint8_t>& Buffer() const { return buffer_; }

  // Where the part is and how much of it is read; raises when the board has no such part.
  void SetNVRAMlocation();
  // Reads the part into `buffer` (zeroed first), which must hold the whole part, and into Buffer().
  void ReadNVRAM(std::uint8_t* buffer, std::uint32_t length);
  // Reads the part into Buffer().
  const std::vector<std::uint8_t>& Read();
  // Programs the part with `image` (its size): reads the part first and keeps that image in a new file
  // "<stem>_<n>.txt" beside the component, writes, reads back and requires what was written and a
  // good checksum. Answers the kept file's path.
  std::string Program(const std::vector<std::uint8_t>& image, const std::string& stem = "nvrambackup");
  // Program's first half: keeps the part's image and writes `image`, leaving the read-back check to the
  // caller. Answers the kept file's path.
  std::string Write(const std::vector<std::uint8_t>& image, const std::string& stem = "nvrambackup");

  // The checksum rule of a part's bytes: all zeros fail ("NVRAM has all zeros"), then the upper half
  // must sum to 0 ("Invalid checksum"); raises on failure.
  static void VerifyChecksum(const std::vector<std::uint8_t>& bytes);

 private:
  void Transfer(std::uint8_t* buffer, std::uint32_t length, bool write);

  CissDevice& controller_;
  std::uint8_t code_;
  std::uint32_t enclosure_;
  std::uint8_t address_ = 0;
  std::uint32_t size_ = 0;
  bool located_ = false;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace rb
