#include "platform/sim/scsi/simscsiport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"

namespace {

std::string Machine(const rbtest::ScratchDir& dir, const std::string& scsi) {
  return dir.Write("machine.xml", "<machine><scsi>" + scsi + "</scsi></machine>");
}

TEST(SimScsiPort, MalformedDeclarationsAreRejected) {
  rbtest::ScratchDir dir;
  const std::pair<const char*, const char*> cases[] = {
      {R"(<port number="0"><disk/></port>)", "<disk> attribute 'blocks' is missing"},
      {R"(<port number="0"><disk blocks="0"/></port>)", "<disk> has no blocks"},
      {R"(<port number="0"><disk blocks="9"/><tape/></port>)", "port 0 declares two units at 0:0:0"},
      {R"(<port number="0"><disk blocks="9"><fault kind="odd"/></disk></port>)", "<fault> kind 'odd'"},
      {R"(<port number="0"><disk blocks="9"><fault sense="16" asc="0" ascq="0"/></disk></port>)",
       "<fault> attribute 'sense' is above 15"},
      {R"(<port number="0"><disk blocks="9"><block lba="9" text="x"/></disk></port>)",
       "<block> attribute 'lba' is above 8"},
      {R"(<port number="0"><disk blocks="9" versionDescriptors="0060 zz"/></port>)",
       "version descriptor 'zz' is not hexadecimal"},
      {R"(<port/>)", "<port> attribute 'number' is missing"},
      {R"(<port number="0" csmi="1"><phy id="0" sasAddress="1" target="0"/><raidSet level="4" capacityMB="1"
          members="0"/></port>)", "<raidSet> has no known level ('4')"},
      {R"(<port number="0" csmi="1"><raidSet level="1" capacityMB="1" members="0"/></port>)",
       "<raidSet> member '0' is no <phy> of the port"},
      {R"(<port number="0" csmi="1"><phy id="0" sasAddress="1" target="0"/><raidSet level="1" capacityMB="1"
          members="0 0"/></port>)", "<raidSet> member '0' is in a RAID set already"},
      {R"(<port number="0" csmi="1"><raidSet level="1" capacityMB="1" members=""/></port>)",
       "<raidSet> has no members"},
      {R"(<port number="0" csmi="1"><raidSet level="1" members="0"/></port>)",
       "<raidSet> attribute 'capacityMB' is missing"},
  };
  for (const auto& [scsi, problem] : cases) {
    try {
      os::SimPlatform platform(Machine(dir, scsi));
      ADD_FAILURE() << scsi << " was accepted";
    } catch (const os::MachineError& error) {
      EXPECT_NE(std::string(error.what()).find(problem), std::string::npos) << error.what();
    }
  }
}

class SimScsiPortRequests : public testing::Test {
 protected:
  win::DWORD Send(win::DWORD code, void* request, win::DWORD length) {
    const win::HANDLE port = platform_.CreateFile("\\\\.\\SCSI1:", win::GENERIC_READ | win::GENERIC_WRITE, 0,
                                                  win::OPEN_EXISTING, 0);
    EXPECT_NE(port, win::INVALID_HANDLE_VALUE);
    win::DWORD returned = 0;
    const bool ok = platform_.DeviceIoControl(port, code, request, length, request, length, &returned);
    const win::DWORD error = ok ? win::ERROR_SUCCESS : platform_.GetLastError();
    platform_.CloseHandle(port);
    return error;
  }
  win::ScsiPassThroughDirectWithSense Inquiry() {
    win::ScsiPassThroughDirectWithSense request{};
    request.header.Length = sizeof request.header;
    request.header.CdbLength = 6;
    request.header.SenseInfoLength = sizeof request.sense;
    request.header.SenseInfoOffset = offsetof(win::ScsiPassThroughDirectWithSense, sense);
    request.header.DataIn = win::SCSI_IOCTL_DATA_IN;
    request.header.DataTransferLength = sizeof data_;
    request.header.DataBuffer = data_;
    const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 96, 0};
    std::memcpy(request.header.Cdb, cdb, sizeof cdb);
    return request;
  }

  rbtest::ScratchDir dir_;
  os::SimPlatform platform_{Machine(dir_, R"(<port number="1"><disk blocks="8"/></port>
                                              <port number="2" csmi="1"/>)")};
  std::uint8_t data_[512] = {};
};

TEST_F(SimScsiPortRequests, RequestsWhoseFieldsDoNotFitAreRefused) {
  auto request = Inquiry();
  EXPECT_EQ(Send(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, sizeof request), win::ERROR_SUCCESS);
  EXPECT_EQ(request.header.DataTransferLength, 96u);
  EXPECT_EQ(request.header.SenseInfoLength, 0);

  struct Case {
    const char* what;
    void (*spoil)(win::ScsiPassThroughDirectWithSense&);
  };
  const Case cases[] = {
      {"sense beyond the request", [](auto& r) { r.header.SenseInfoOffset = 90; }},
      {"no CDB", [](auto& r) { r.header.CdbLength = 0; }},
      {"CDB too long", [](auto& r) { r.header.CdbLength = 17; }},
      {"wrong header length", [](auto& r) { r.header.Length = 44; }},
      {"data without a buffer", [](auto& r) { r.header.DataBuffer = nullptr; }},
  };
  for (const Case& c : cases) {
    auto spoiled = Inquiry();
    c.spoil(spoiled);
    EXPECT_EQ(Send(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &spoiled, sizeof spoiled),
              win::ERROR_INVALID_PARAMETER)
        << c.what;
  }
  EXPECT_EQ(Send(win::IOCTL_SCSI_PASS_THROUGH_DIRECT, &request, 40), win::ERROR_INVALID_PARAMETER);
  std::uint8_t csmi[64] = {};
  EXPECT_EQ(Send(win::IOCTL_SCSI_MINIPORT, csmi, sizeof csmi), win::ERROR_NOT_SUPPORTED);
  EXPECT_EQ(Send(win::IOCTL_STORAGE_EJECT_MEDIA, csmi, sizeof csmi), win::ERROR_INVALID_FUNCTION);
}

TEST_F(SimScsiPortRequests, CsmiAdapterChecksSignatureAndCode) {
  const win::HANDLE port =
      platform_.CreateFile("\\\\.\\SCSI2:", win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING, 0);
  ASSERT_NE(port, win::INVALID_HANDLE_VALUE);
  const auto send = [&](win::DWORD code, const char* signature) {
    win::CsmiSasDriverInfoBuffer buffer{};
    buffer.IoctlHeader.HeaderLength = sizeof buffer.IoctlHeader;
    std::memcpy(buffer.IoctlHeader.Signature, signature, std::strlen(signature));
    buffer.IoctlHeader.ControlCode = code;
    buffer.IoctlHeader.ReturnCode = 99;
    buffer.IoctlHeader.Length = sizeof buffer - sizeof buffer.IoctlHeader;
    EXPECT_TRUE(platform_.DeviceIoControl(port, win::IOCTL_SCSI_MINIPORT, &buffer, sizeof buffer, &buffer,
                                          sizeof buffer, nullptr));
    return buffer.IoctlHeader.ReturnCode;
  };
  EXPECT_EQ(send(1, "CSMIALL"), win::CSMI_SAS_STATUS_SUCCESS);
  EXPECT_EQ(send(1, "CSMISAS"), win::CSMI_SAS_STATUS_INVALID_PARAMETER);
  EXPECT_EQ(send(3, "CSMIALL"), win::CSMI_SAS_STATUS_SUCCESS);  // controller status
  EXPECT_EQ(send(12, "CSMISAS"), win::CSMI_SAS_STATUS_BAD_CNTL_CODE);
  EXPECT_EQ(send(20, "CSMISAS"), win::CSMI_SAS_STATUS_INVALID_PARAMETER);  // too short for the phys
  platform_.CloseHandle(port);
}

}  // namespace
