// Identify data as drives answer it: strings from their fixed word ranges with byte pairs swapped,
// unprintable bytes replaced, and the capacity and DMA words of the published layout.

#include "devices/ata/ataidentify.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class IdentifyBuilder {
 public:
  // Writes a string into words as a drive does: the first character in each word's high byte.
  IdentifyBuilder& Text(std::size_t firstWord, std::size_t words, const std::string& text) {
    std::string padded = text;
    padded.resize(words * 2, ' ');
    for (std::size_t i = 0; i < words; ++i) {
      bytes_[2 * (firstWord + i)] = static_cast<std::uint8_t>(padded[2 * i + 1]);
      bytes_[2 * (firstWord + i) + 1] = static_cast<std::uint8_t>(padded[2 * i]);
    }
    return *this;
  }
  IdentifyBuilder& Word(std::size_t index, std::uint16_t value) {
    bytes_[2 * index] = static_cast<std::uint8_t>(value);
    bytes_[2 * index + 1] = static_cast<std::uint8_t>(value >> 8);
    return *this;
  }
  rb::AtaIdentify Build() const { return rb::AtaIdentify(bytes_); }

 private:
  std::uint8_t bytes_[rb::AtaIdentify::kBytes] = {};
};

TEST(AtaIdentify, StringsComeFromTheirWordRangesSwappedAndCleaned) {
  const rb::AtaIdentify identify = IdentifyBuilder()
                                       .Text(10, 10, "     WD-WCC4N1234567")
                                       .Text(23, 4, "82.00A82")
                                       .Text(27, 20, "WDC WD10EZEX-08WN4A0")
                                       // Word 47 directly after the model: never part of it.
                                       .Word(47, 0x8010)
                                       .Build();
  EXPECT_TRUE(identify.Present());
  EXPECT_EQ(identify.Model(), "WDC WD10EZEX-08WN4A0");
  EXPECT_EQ(identify.Firmware(), "82.00A82");
  EXPECT_EQ(identify.Serial(), "WD-WCC4N1234567");

  // Control bytes and bytes above 7Eh never reach a document or a file name.
  IdentifyBuilder dirty;
  dirty.Text(27, 20, std::string("BAD\x01MODEL\x7F") + "\xC3\xA9" + "/X");
  EXPECT_EQ(dirty.Build().Model(), "BAD_MODEL___/X");
  EXPECT_FALSE(rb::AtaIdentify().Present());
  EXPECT_EQ(rb::AtaIdentify().Model(), "");
}

TEST(AtaIdentify, CapacityAndFeatureWords) {
  struct Case {
    const char* what;
    IdentifyBuilder builder;
    std::uint64_t sectors;
    std::uint32_t sectorBytes;
    int multiword;
    int ultra;
    bool smart;
  };
  const Case cases[] = {
      {"28-bit addresses only",
       IdentifyBuilder().Word(60, 0x5000).Word(61, 0x0138).Word(63, 0x0007).Word(82, 1), 0x01385000, 512, 2,
       -1, true},
      {"48-bit addresses, UDMA 6 valid by word 53",
       IdentifyBuilder()
           .Word(60, 0xFFFF)
           .Word(61, 0x0FFF)
           .Word(83, 0x4400)
           .Word(100, 0x6DB0)
           .Word(101, 0x7470)
           .Word(53, 0x0006)
           .Word(88, 0x407F)
           .Word(63, 0x0407),
       0x74706DB0, 512, 2, 6, false},
      {"UDMA word without its validity bit", IdentifyBuilder().Word(88, 0x003F).Word(60, 8), 8, 512, -1, -1,
       false},
      {"4 KiB logical sectors", IdentifyBuilder().Word(60, 100).Word(106, 0x5000).Word(117, 0x0800), 100,
       4096, -1, -1, false},
  };
  for (const Case& c : cases) {
    const rb::AtaIdentify identify = c.builder.Build();
    EXPECT_EQ(identify.Sectors(), c.sectors) << c.what;
    EXPECT_EQ(identify.SectorBytes(), c.sectorBytes) << c.what;
    EXPECT_EQ(identify.HighestMultiwordDma(), c.multiword) << c.what;
    EXPECT_EQ(identify.HighestUltraDma(), c.ultra) << c.what;
    EXPECT_EQ(identify.SmartSupported(), c.smart) << c.what;
  }
}

TEST(AtaIdentify, PacketDevicesTellTheirKind) {
  const rb::AtaIdentify cdrom = IdentifyBuilder().Word(0, 0x85C0).Build();
  EXPECT_TRUE(cdrom.IsPacketDevice());
  EXPECT_EQ(cdrom.PacketDeviceType(), 5);
  EXPECT_TRUE(cdrom.RemovableMedia());
  const rb::AtaIdentify zip = IdentifyBuilder().Word(0, 0x8080).Build();
  EXPECT_EQ(zip.PacketDeviceType(), 0);
  const rb::AtaIdentify disk = IdentifyBuilder().Word(0, 0x0040).Build();
  EXPECT_FALSE(disk.IsPacketDevice());
  EXPECT_EQ(disk.PacketDeviceType(), -1);
}

}  // namespace
