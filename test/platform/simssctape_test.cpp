// The simulated tape drive through its \\.\TapeN: the medium keeps what is written, blocks and
// filemarks, and gives it back from the start after a rewind; the drive's states (no medium, write
// protection, not ready yet, a cleaning request, a full medium, a refused command) reach the caller as
// the Windows tape errors.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "platform/wintape.h"

namespace {

class SimTape {
 public:
  explicit SimTape(const std::string& tapeAttributes, const std::string& children = "")
      : platform_(dir_.Write("machine.xml", "<machine><scsi><port number=\"0\"><tape target=\"3\" " + tapeAttributes +
                                                ">" + children + "</tape></port></scsi></machine>")) {
    tape_ = platform_.CreateFile("\\\\.\\Tape0", win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0);
    EXPECT_NE(tape_, win::INVALID_HANDLE_VALUE);
  }
  ~SimTape() { platform_.CloseHandle(tape_); }

  os::SimPlatform& Platform() { return platform_; }
  win::HANDLE Handle() const { return tape_; }
  win::DWORD Write(const std::string& block) {
    win::DWORD written = 0;
    if (!platform_.WriteFile(tape_, block.data(), static_cast<win::DWORD>(block.size()), &written))
      return platform_.GetLastError();
    return written == block.size() ? win::ERROR_SUCCESS : win::ERROR_GEN_FAILURE;
  }
  // The block read into a buffer of `room` bytes, or the error.
  std::string Read(win::DWORD room, win::DWORD* error) {
    std::string block(room, '\0');
    win::DWORD read = 0;
    *error = platform_.ReadFile(tape_, block.data(), room, &read) ? win::ERROR_SUCCESS : platform_.GetLastError();
    block.resize(read);
    return block;
  }
  win::DWORD Status() { return platform_.GetTapeStatus(tape_); }

 private:
  rbtest::ScratchDir dir_;
  os::SimPlatform platform_;
  win::HANDLE tape_ = win::INVALID_HANDLE_VALUE;
};

TEST(SimSscTape, TheMediumKeepsBlocksAndFilemarksInOrder) {
  SimTape tape("medium=\"1\"");
  ASSERT_EQ(tape.Status(), win::ERROR_SUCCESS);
  ASSERT_EQ(tape.Write("first block"), win::ERROR_SUCCESS);
  ASSERT_EQ(tape.Write("second"), win::ERROR_SUCCESS);
  ASSERT_EQ(tape.Platform().WriteTapemark(tape.Handle(), win::TAPE_FILEMARKS, 1, false), win::ERROR_SUCCESS);
  ASSERT_EQ(tape.Write("after the mark"), win::ERROR_SUCCESS);
  ASSERT_EQ(tape.Platform().SetTapePosition(tape.Handle(), win::TAPE_REWIND, 0, 0, 0, true), win::ERROR_SUCCESS);

  win::DWORD error = 0;
  EXPECT_EQ(tape.Read(100, &error), "first block") << "a larger buffer takes the whole, shorter block";
  EXPECT_EQ(error, win::ERROR_SUCCESS);
  EXPECT_EQ(tape.Read(3, &error), "sec");
  EXPECT_EQ(error, win::ERROR_MORE_DATA) << "a longer block does not fit";
  tape.Read(100, &error);
  EXPECT_EQ(error, win::ERROR_FILEMARK_DETECTED);
  EXPECT_EQ(tape.Read(100, &error), "after the mark");
  tape.Read(100, &error);
  EXPECT_EQ(error, win::ERROR_NO_DATA_DETECTED);

  // Writing after a rewind ends the recorded data there; spacing over a filemark finds the next file.
  tape.Platform().SetTapePosition(tape.Handle(), win::TAPE_REWIND, 0, 0, 0, false);
  ASSERT_EQ(tape.Write("new"), win::ERROR_SUCCESS);
  tape.Platform().WriteTapemark(tape.Handle(), win::TAPE_FILEMARKS, 1, false);
  ASSERT_EQ(tape.Write("file two"), win::ERROR_SUCCESS);
  tape.Platform().SetTapePosition(tape.Handle(), win::TAPE_REWIND, 0, 0, 0, false);
  ASSERT_EQ(tape.Platform().SetTapePosition(tape.Handle(), win::TAPE_SPACE_FILEMARKS, 0, 1, 0, false),
            win::ERROR_SUCCESS);
  EXPECT_EQ(tape.Read(100, &error), "file two");
  tape.Read(100, &error);
  EXPECT_EQ(error, win::ERROR_NO_DATA_DETECTED) << "nothing of the first recording is left";
}

TEST(SimSscTape, TheDrivesStatesAreTapeErrors) {
  struct Case {
    const char* attributes;
    win::DWORD status;
    win::DWORD write;
  };
  for (const Case c : {
           Case{"", win::ERROR_NO_MEDIA_IN_DRIVE, win::ERROR_NO_MEDIA_IN_DRIVE},
           Case{"medium=\"1\" writeProtect=\"1\"", win::ERROR_SUCCESS, win::ERROR_WRITE_PROTECT},
           Case{"medium=\"1\" cleaning=\"1\"", win::ERROR_DEVICE_REQUIRES_CLEANING, win::ERROR_SUCCESS},
           Case{"medium=\"1\" becomesReadyAfter=\"5\"", win::ERROR_NOT_READY, win::ERROR_NOT_READY},
       }) {
    SimTape tape(c.attributes);
    EXPECT_EQ(tape.Status(), c.status) << c.attributes;
    EXPECT_EQ(tape.Platform().GetLastError(), c.status) << c.attributes;
    EXPECT_EQ(tape.Write("block"), c.write) << c.attributes;
  }

  // Ready after two readiness checks: the third one finds it ready.
  SimTape waking("medium=\"1\" becomesReadyAfter=\"2\"");
  EXPECT_EQ(waking.Status(), win::ERROR_NOT_READY);
  EXPECT_EQ(waking.Status(), win::ERROR_NOT_READY);
  EXPECT_EQ(waking.Status(), win::ERROR_SUCCESS);

  // A medium of two blocks: the third write meets its end.
  SimTape small("medium=\"1\" capacityBlocks=\"2\"");
  EXPECT_EQ(small.Write("1"), win::ERROR_SUCCESS);
  EXPECT_EQ(small.Write("2"), win::ERROR_SUCCESS);
  EXPECT_EQ(small.Write("3"), win::ERROR_END_OF_MEDIA);
}

TEST(SimSscTape, DriveInformationAndEject) {
  SimTape tape("medium=\"1\" compression=\"1\"");
  win::TapeGetDriveParameters drive{};
  win::DWORD size = sizeof drive;
  ASSERT_EQ(tape.Platform().GetTapeParameters(tape.Handle(), win::GET_TAPE_DRIVE_INFORMATION, &size, &drive),
            win::ERROR_SUCCESS);
  EXPECT_EQ(drive.MaximumBlockSize, 0x40000u);
  EXPECT_EQ(drive.MinimumBlockSize, 1u);
  EXPECT_EQ(drive.Compression, 1);
  EXPECT_TRUE(win::HasTapeFeature(drive, win::TAPE_DRIVE_SET_COMPRESSION));
  win::DWORD small = 4;
  EXPECT_EQ(tape.Platform().GetTapeParameters(tape.Handle(), win::GET_TAPE_DRIVE_INFORMATION, &small, &drive),
            win::ERROR_MORE_DATA);
  EXPECT_EQ(small, sizeof drive);

  // The eject request unloads the cartridge: the drive is empty afterwards.
  win::DWORD returned = 0;
  ASSERT_TRUE(tape.Platform().DeviceIoControl(tape.Handle(), win::IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0,
                                              &returned));
  EXPECT_EQ(tape.Status(), win::ERROR_NO_MEDIA_IN_DRIVE);
  win::ScsiAddress address{};
  ASSERT_TRUE(tape.Platform().DeviceIoControl(tape.Handle(), win::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                                              sizeof address, &returned));
  EXPECT_EQ(address.TargetId, 3);

  // A drive that refuses READ BLOCK LIMITS: the request is not supported.
  SimTape refusing("medium=\"1\"", R"(<fault opcode="0x05" sense="5" asc="0x20" ascq="0"/>)");
  EXPECT_EQ(refusing.Platform().GetTapeParameters(refusing.Handle(), win::GET_TAPE_DRIVE_INFORMATION, &size, &drive),
            win::ERROR_NOT_SUPPORTED);
}

}  // namespace
