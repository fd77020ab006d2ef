#include "devices/scsi/scsisense.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "devices/scsi/ascascqtable.h"

namespace {

TEST(AscAscqTable, HoldsTheAssignmentListInItsOrderThenTheEndRow) {
  std::ifstream file(RAVELBANK_SOURCE_DIR "/data/asc-ascq.tsv");
  ASSERT_TRUE(file) << "data/asc-ascq.tsv";
  std::string line;
  std::getline(file, line);
  std::size_t row = 0;
  while (std::getline(file, line)) {
    ASSERT_LT(row, rb::kAscAscqAssignments);
    const rb::AscAscqEntry& entry = rb::kAscAscqTable[row++];
    char expected[512];
    std::snprintf(expected, sizeof expected, "%02X\t%02X\t%d\t%s", entry.asc, entry.ascq, entry.anyAscq,
                  entry.text);
    EXPECT_EQ(line, expected) << "row " << row;
  }
  EXPECT_EQ(row, 439u);
  EXPECT_EQ(rb::kAscAscqAssignments, 439u);
  ASSERT_EQ(rb::kAscAscqTableSize, 440u);
  EXPECT_STREQ(rb::kAscAscqTable[439].text, "UNKNOWN SENSE CODE");
}

TEST(AscAscqTable, LooksUpFirstMatchWildcardsAndTheEndRow) {
  EXPECT_EQ(rb::AscAscqText(0x03, 0x00), "PERIPHERAL DEVICE WRITE FAULT");
  EXPECT_EQ(rb::AscAscqText(0x73, 0x06), "RMA/PMA IS FULL");
  EXPECT_EQ(rb::AscAscqText(0x11, 0x00), "UNRECOVERED READ ERROR");
  // The specific 40h/00h row comes before the 40h wildcard.
  EXPECT_EQ(rb::AscAscqText(0x40, 0x00), "RAM FAILURE (SHOULD USE 40 NN)");
  EXPECT_EQ(rb::AscAscqText(0x40, 0x9A), "DIAGNOSTIC FAILURE ON COMPONENT 9Ah");
  EXPECT_EQ(rb::AscAscqText(0x4D, 0x07), "TAGGED OVERLAPPED COMMANDS (QUEUE TAG = 07h)");
  EXPECT_EQ(rb::AscAscqText(0x70, 0xFF), "DECOMPRESSION EXCEPTION SHORT ALGORITHM ID OF FFh");
  EXPECT_EQ(rb::AscAscqText(0x11, 0xEE), "UNKNOWN SENSE CODE");
  EXPECT_EQ(rb::AscAscqText(0x00, 0x00), "UNKNOWN SENSE CODE");
  EXPECT_EQ(rb::AscAscqText(0xFF, 0xFF), "UNKNOWN SENSE CODE");
}

// Fixed-format sense data with the fields the decoding reads.
std::string Sense(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq, bool sksv = false,
                  std::uint16_t specific = 0) {
  std::uint8_t sense[rb::kSenseShownBytes] = {0x70};
  sense[2] = key;
  sense[7] = 10;
  sense[12] = asc;
  sense[13] = ascq;
  sense[15] = sksv ? 0x80 : 0;
  sense[16] = static_cast<std::uint8_t>(specific >> 8);
  sense[17] = static_cast<std::uint8_t>(specific);
  return rb::SenseText(sense, sizeof sense);
}

TEST(SenseText, NamesKeyFieldAndCode) {
  struct Case {
    std::string text;
    const char* expected;
  };
  const Case cases[] = {
      {Sense(3, 0x11, 0x00, true, 5), "Medium Error: Retry Count = 5: UNRECOVERED READ ERROR\n"},
      {Sense(3, 0x11, 0x00), "Medium Error: UNRECOVERED READ ERROR\n"},
      {Sense(2, 0x04, 0x04, true, 0x8000),
       "Not Ready: Progress = 32768: LOGICAL UNIT NOT READY, FORMAT IN PROGRESS\n"},
      {Sense(5, 0x24, 0x00, true, 2), "Illegal Request: Field Offset = 2: INVALID FIELD IN CDB\n"},
      {Sense(5, 0x20, 0x00), "Illegal Request: Field Offset Unknown: INVALID COMMAND OPERATION CODE\n"},
      {Sense(6, 0x29, 0x00, true, 9), "Unit Attention: POWER ON, RESET, OR BUS DEVICE RESET OCCURRED\n"},
      {Sense(4, 0x40, 0x81), "Hardware Error: DIAGNOSTIC FAILURE ON COMPONENT 81h\n"},
      {Sense(9, 0x00, 0x00), "Unknown Sense Key : 09h: UNKNOWN SENSE CODE\n"},
      {Sense(0xF, 0x00, 0x00), "Unknown Sense Key : 0fh: UNKNOWN SENSE CODE\n"},
      {Sense(0x13, 0x11, 0x00), "Medium Error: UNRECOVERED READ ERROR\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, c.expected);
}

TEST(ScsiStatusText, CheckConditionCarriesSenseThenCdbAndSenseLines) {
  std::uint8_t sense[rb::kSenseAreaSize] = {0x70, 0, 0x03, 0,    0,    0, 0,    10,   0,
                                            0,    0, 0,    0x11, 0x00, 0, 0x80, 0x00, 0x05};
  sense[20] = 0xAB;  // beyond the 18 bytes shown
  const std::uint8_t cdb[10] = {0x28, 0, 0, 0, 0x10, 0, 0, 0, 1, 0};
  EXPECT_EQ(rb::ScsiStatusText(rb::kScsiCheckCondition, cdb, sizeof cdb, sense, sizeof sense),
            "Check Condition: Medium Error: Retry Count = 5: UNRECOVERED READ ERROR\n"
            "  SCSI CDB = [ 28 00 00 00 10 00 00 00 01 00 ]\n"
            "  Sense Data = [ 70 00 03 00 00 00 00 0a 00 00 00 00 11 00 00 80 00 05 ]\n");
}

TEST(ScsiStatusText, NamesEveryStatus) {
  const std::uint8_t cdb[6] = {};
  const std::uint8_t sense[rb::kSenseAreaSize] = {};
  const std::pair<std::uint8_t, const char*> cases[] = {
      {0x00, "Success"},
      {0x04, "Condition Met"},
      {0x08, "Device Busy"},
      {0x10, "Intermediate"},
      {0x14, "Intermediate - Condition Met"},
      {0x18, "Reservation Conflict"},
      {0x28, "Task Set Full"},
      {0x30, "ACA Active"},
      {0x22, "Unknown SCSI Status : 22h"},
  };
  for (const auto& [status, name] : cases) {
    const std::string text = rb::ScsiStatusText(status, cdb, sizeof cdb, sense, sizeof sense);
    EXPECT_EQ(text, std::string(name) + "  SCSI CDB = [ 00 00 00 00 00 00 ]\n" +
                        "  Sense Data = [ 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ]\n");
  }
}

}  // namespace
