#include "controllers/nvrampart.h"

#include <algorithm>

#include "controllers/arrayboards.h"
#include "controllers/cissdevice.h"
#include "controllers/nvramfile.h"
#include "controllers/nvramlayout.h"
#include "controllers/sesdiagapi.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

namespace {

struct Location {
  std::uint8_t storageBox;
  std::uint8_t reducedMemory;
  std::uint32_t size;
};

// By code, from 128: the address on each board family and the part's size.
constexpr Location kControllerParts[] = {
    {0xA0, 0xA1, 1024}, {0xA1, 0xAD, 256}, {0xA8, 0xA8, 256}, {0xA9, 0xA9, 256},
    {0xAB, 0xAB, 256},  {0xC1, 0xC1, 256}, {0xC3, 0xC3, 256}, {0xC5, 0xC5, 256},
};
constexpr int kFirstBatteryCode = 133;
// The battery parts hold their data in the first half of the EEPROM.
constexpr std::uint32_t kBatteryReadSize = 128;
constexpr std::uint32_t kEnclosurePartSize = 256;

}  // namespace

NvramPart::NvramPart(CissDevice& controller, std::uint8_t code, std::uint32_t enclosure)
    : controller_(controller), code_(code), enclosure_(enclosure) {}

void NvramPart::SetNVRAMlocation() {
  DebugPrint("NvramPart::SetNVRAMlocation \n");
  const std::uint32_t board = controller_.BoardId();
  const bool storageBox = arrayboards::IsStorageBoxBoard(board);
  const bool reducedMemory = arrayboards::IsReducedMemoryBoard(board);
  const auto fail = [&] {
    throw OruError(Translate("Unable to locate NVRAM part"),
                   StringPrintf("%s: part %u, board %08X", controller_.Name().c_str(), code_,
                                static_cast<unsigned>(board)));
  };
  if (InEnclosure()) {
    if (!storageBox) fail();
    address_ = code_;
    size_ = kEnclosurePartSize;
  } else {
    if (code_ > kLastControllerCode || (!storageBox && !reducedMemory)) fail();
    const Location& where = kControllerParts[code_ - kFirstControllerCode];
    address_ = storageBox ? where.storageBox : where.reducedMemory;
    size_ = code_ >= kFirstBatteryCode ? kBatteryReadSize : where.size;
  }
  located_ = true;
}

void NvramPart::Transfer(std::uint8_t* buffer, std::uint32_t length, bool write) {
  if (InEnclosure()) {
    // The enclosure keeps its parts as buffers named by the part code.
    DebugPrint("NvramPart::ReadNvramFromEnclosuer \n");
    SESDiagApi enclosures(controller_);
    if (enclosures.FindEnclosures() <= static_cast<int>(enclosure_))
      throw OruError(
          Translate("Backplane or Controller not supported"),
          StringPrintf("%s: enclosure %u", controller_.Name().c_str(), static_cast<unsigned>(enclosure_)));
    std::vector<std::uint8_t> bytes(buffer, buffer + length);
    const bool done = write ? enclosures.WriteEnclosureBuffer(enclosure_, code_, bytes)
                            : enclosures.ReadEnclosureBuffer(enclosure_, code_, bytes);
    if (!done)
      throw OruError(Translate(write ? "Writing was unsuccessful" : "Unable to read NVRAM part"),
                     StringPrintf("%s: enclosure %u part %u", controller_.Name().c_str(),
                                  static_cast<unsigned>(enclosure_), code_));
    if (!write) {
      std::copy(bytes.begin(), bytes.end(), buffer);
      DebugPrint("Printing backplane NVRAM buffer\n");
    }
    return;
  }
  DebugPrint("Address reading is %02x, size is %d\n", address_, static_cast<int>(length));
  controller_.ReadWriteI2CDevice(address_, buffer, length, write);
}

void NvramPart::ReadNVRAM(std::uint8_t* buffer, std::uint32_t length) {
  DebugPrint("NvramPart::ReadNVRAM() \n");
  if (!located_) SetNVRAMlocation();
  std::fill_n(buffer, length, std::uint8_t{0});
  if (length < size_)
    throw OruError(Translate("NVRAM buffer is smaller than the part"),
                   StringPrintf("%u bytes for a part of %u", static_cast<unsigned>(length),
                                static_cast<unsigned>(size_)));
  Transfer(buffer, size_, false);
  buffer_.assign(buffer, buffer + size_);
}

const std::vector<std::uint8_t>& NvramPart::Read() {
  if (!located_) SetNVRAMlocation();
  std::vector<std::uint8_t> bytes(size_);
  ReadNVRAM(bytes.data(), size_);
  return buffer_;
}

void NvramPart::VerifyChecksum(const std::vector<std::uint8_t>& bytes) {
  if (!bytes.empty() && std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; }))
    throw OruError(Translate("NVRAM has all zeros"), "");
  const std::uint8_t sum = nvramlayout::UpperHalfSum(bytes.data(), bytes.size());
  if (sum != 0)
    throw OruError(Translate("Invalid checksum"),
                   StringPrintf("Actual checksum %02X, it should be 0x00", sum));
}

std::string NvramPart::Program(const std::vector<std::uint8_t>& image, const std::string& stem) {
  const std::string kept = Write(image, stem);
  if (Read() != image)
    throw OruError(Translate("Writing was unsuccessful"),
                   StringPrintf("part %u, its image kept in %s", code_, kept.c_str()));
  VerifyChecksum(buffer_);
  return kept;
}

std::string NvramPart::Write(const std::vector<std::uint8_t>& image, const std::string& stem) {
  if (!located_) SetNVRAMlocation();
  if (image.size() != size_)
    throw OruError(Translate("Software error"),
                   StringPrintf("an image of %u bytes for a part of %u", static_cast<unsigned>(image.size()),
                                static_cast<unsigned>(size_)));
  // What the part held goes to a file of its own first, so that a bad write can be undone.
  const std::vector<std::uint8_t> before = Read();
  const std::string kept = KeepNvramImage(StringPrintf("%s_%u", stem.c_str(), code_), before);
  if (kept.empty())
    throw OruError(Translate("Could not keep the part's image"), StringPrintf("%s_%u", stem.c_str(), code_));
  std::vector<std::uint8_t> out = image;
  Transfer(out.data(), size_, true);
  return kept;
}

}  // namespace rb
