// qlsdm: the fibre-channel ports read from a made-up sysfs tree, and the built library, loaded as the
// component loads it, answering the loopback for the adapters of a simulated machine.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <numeric>
#include <string>

#include "devices/fibre/qlsdmlibrary.h"
#include "hbaport.h"
#include "platform/scratchdir.h"
#include "support/stringutil.h"
#include "sysfshbas.h"
#include "sysid/machinefixture.h"

namespace {

namespace abi = rb::qlsdmabi;

// What the library reports about an adapter, on one line.
std::string Report(const abi::SdHbaInformation& info) {
  return rb::StringPrintf(
      "board %08x at %02x:%02x.%x, port %016llx node %016llx, status %u, %u Gbit, serial %s, driver %s "
      "\"%s\" "
      "%u.%u.%u.%u, firmware %s",
      info.boardId, info.pciBus, info.pciDevice, info.pciFunction,
      static_cast<unsigned long long>(info.portName), static_cast<unsigned long long>(info.nodeName),
      info.status, info.speedGbit, info.serialNumber, info.driverName, info.driverDescription,
      info.driverVersion[0], info.driverVersion[1], info.driverVersion[2], info.driverVersion[3],
      info.firmwareVersion);
}

class SysfsHbas : public testing::Test {
 protected:
  // A fibre-channel host under a PCI function, with its fc_host and scsi_host attributes.
  void Host(const std::string& host, const std::string& function, const std::string& vendor,
            const std::string& device,
            std::initializer_list<std::pair<const char*, const char*>> fcAttributes,
            std::initializer_list<std::pair<const char*, const char*>> scsiAttributes) {
    const std::string functionDir = "devices/pci0000:00/0000:00:03.0/" + function + "/";
    std::filesystem::create_directories(dir_.File(functionDir + host));
    dir_.Write(functionDir + "vendor", vendor + "\n");
    dir_.Write(functionDir + "device", device + "\n");
    for (const char* kind : {"fc_host", "scsi_host"}) {
      const std::string directory = std::string("class/") + kind + "/" + host + "/";
      std::filesystem::create_directories(dir_.File(directory));
      for (const auto& [name, value] : kind == std::string("fc_host") ? fcAttributes : scsiAttributes)
        dir_.Write(directory + name, std::string(value) + "\n");
    }
    std::filesystem::create_directory_symlink(dir_.File(functionDir + host),
                                              dir_.File("class/fc_host/" + host + "/device"));
  }
  rbtest::ScratchDir dir_;
};

TEST_F(SysfsHbas, ReadsEachHostInHostNumberOrderUnderEitherAttributeNaming) {
  Host("host10", "0000:0e:00.1", "0x10df", "0xf180",
       {{"port_name", "0x10000000c9a1b2c4"},
        {"node_name", "0x20000000c9a1b2c4"},
        {"port_state", "Linkdown"},
        {"speed", "unknown"}},
       {{"proc_name", "fcdrv"},
        {"serialnum", "FC9876"},
        {"fwrev", "2.02A1 (Z3F2.02A1)"},
        {"fcdrv_drvr_version", "fcdrv 12.8.340.8"},
        {"modeldesc", "8Gb PCIe Fibre Channel Adapter"}});
  Host("host2", "0000:05:00.0", "0x1077", "0x2532",
       {{"port_name", "0x21000024ff3a4b5c"},
        {"port_state", "Online"},
        {"speed", "8 Gbit"},
        {"symbolic_name", "FC HBA FW:v8.07.00 DVR:v10.02"}},
       {{"proc_name", "otherfc"},
        {"serial_num", "RFC1234"},
        {"fw_version", "8.07.00 (d0d5)"},
        {"driver_version", "10.02.08.200-k"}});
  dir_.Write("class/fc_host/hostx", "");  // not a host

  const std::vector<qlsdm::HbaPort> ports = qlsdm::SysfsHbaPorts(dir_.Path());
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(
      Report(ports[0].information),
      "board 10772532 at 05:00.0, port 21000024ff3a4b5c node 0000000000000000, status 1, 8 Gbit, "
      "serial RFC1234, driver otherfc \"FC HBA FW:v8.07.00 DVR:v10.02\" 10.2.8.200, firmware 8.07.00 (d0d5)");
  // No model description: the symbolic name.
  EXPECT_EQ(Report(ports[1].information),
            "board 10dff180 at 0e:00.1, port 10000000c9a1b2c4 node 20000000c9a1b2c4, status 3, 0 Gbit, "
            "serial FC9876, driver fcdrv \"8Gb PCIe Fibre Channel Adapter\" 12.8.340.8, firmware 2.02A1 "
            "(Z3F2.02A1)");

  // The kernel has no loopback request: the call is not supported, whatever the port's state.
  std::uint8_t send[256] = {}, receive[256] = {};
  abi::SdLoopbackResult result{};
  EXPECT_EQ(qlsdm::RunLoopback(ports[0], abi::kLoopInternal10Bit, send, 256, receive, 256, 10, &result),
            abi::kStatusNotSupported);
  EXPECT_TRUE(qlsdm::SysfsHbaPorts(dir_.File("absent")).empty());
}

// The simulated machine's adapters: one of each behaviour.
constexpr const char* kMachine = R"(<machine>
  <pci>
    <function bus="14" device="0" function="0" vendorID="0x10DF" deviceID="0xF180"/>
    <function bus="14" device="0" function="1" vendorID="0x10DF" deviceID="0xF180"/>
    <function bus="15" device="0" function="0" vendorID="0x1077" deviceID="0x2532"/>
    <function bus="16" device="0" function="0" vendorID="0x1077" deviceID="0x2532"/>
    <function bus="17" device="0" function="0" vendorID="0x1077" deviceID="0x2532"/>
  </pci>
  <fibreChannel>
    <adapter pciBus="14" portName="0x10000000C9A1B2C3" nodeName="0x20000000C9A1B2C3" speed="8"
             serial="FC0001" driver="rbfc" driverDescription="RB FC Driver" driverVersion="12.8.340.8"
             firmware="2.02A1"/>
    <adapter pciBus="14" pciFunction="1" loop="failing"/>
    <adapter pciBus="15" state="offline"/>
    <adapter pciBus="16" refuses="0xB2 b1"/>
    <adapter pciBus="17" diagnostics="0"/>
  </fibreChannel>
</machine>)";

class QlsdmOnSimMachine : public rbtest::MachineFixture {
 protected:
  void SetUp() override {
    MachineFixture::SetUp();
    UseMachine(kMachine);
    std::iota(std::begin(send_), std::end(send_), 0);
  }
  // Opens the adapter, runs one loopback of ten iterations and closes it; answers the call's status.
  std::uint32_t Loopback(const rb::QlsdmLibrary& library, std::uint32_t index, std::uint8_t loopType) {
    abi::SdHandle handle = 0;
    EXPECT_EQ(library.Open(index, &handle), abi::kStatusOk);
    std::memset(receive_, 0, sizeof receive_);
    result_ = {};
    const std::uint32_t status =
        library.RunLoopback(handle, 0, loopType, send_, 256, receive_, 256, 10, &result_);
    EXPECT_EQ(library.Close(handle), abi::kStatusOk);
    return status;
  }
  std::uint8_t send_[256];
  std::uint8_t receive_[256];
  abi::SdLoopbackResult result_{};
};

TEST_F(QlsdmOnSimMachine, AnswersEachDeclaredLoopWithItsVerdict) {
  const rb::QlsdmLibrary library;
  ASSERT_TRUE(library.Loaded());
  ASSERT_TRUE(library.HasHbaInformation());

  EXPECT_EQ(Loopback(library, 0, abi::kLoopExternal), abi::kStatusOk);
  EXPECT_EQ(result_.verdict, abi::kVerdictPassed);
  EXPECT_EQ(result_.iterationsCompleted, 10u);
  EXPECT_EQ(std::memcmp(receive_, send_, 256), 0);

  EXPECT_EQ(Loopback(library, 1, abi::kLoopInternal10Bit), abi::kStatusOk);
  EXPECT_EQ(result_.verdict, abi::kVerdictDataMismatch);
  EXPECT_EQ(result_.iterationsCompleted, 1u);
  EXPECT_EQ(result_.mismatchedBytes, 4u);
  EXPECT_EQ(result_.firstMismatch, 0u);
  EXPECT_EQ(receive_[64], send_[64] ^ 0x10);

  EXPECT_EQ(Loopback(library, 2, abi::kLoopInternal1Bit), abi::kStatusOk);
  EXPECT_EQ(result_.verdict, abi::kVerdictLoopDown);

  EXPECT_EQ(Loopback(library, 3, abi::kLoopInternal10Bit), abi::kStatusOk);
  EXPECT_EQ(result_.verdict, abi::kVerdictPassed);
  for (std::uint8_t refused : {abi::kLoopExternal, abi::kLoopInternal1Bit, std::uint8_t{0x42}}) {
    EXPECT_EQ(Loopback(library, 3, refused), abi::kStatusOk);
    EXPECT_EQ(result_.verdict, abi::kVerdictInvalidParameter) << int{refused};
  }

  EXPECT_EQ(Loopback(library, 4, abi::kLoopInternal10Bit), abi::kStatusNotSupported);
}

TEST_F(QlsdmOnSimMachine, ReportsTheAdapterAndRefusesWhatItCannotDo) {
  const rb::QlsdmLibrary library;
  abi::SdHandle handle = 0;
  EXPECT_EQ(library.Open(5, &handle), abi::kStatusNoSuchAdapter);
  ASSERT_EQ(library.Open(0, &handle), abi::kStatusOk);

  abi::SdHbaInformation info{};
  ASSERT_EQ(library.GetHbaInformation(handle, &info), abi::kStatusOk);
  EXPECT_EQ(Report(info),
            "board 10dff180 at 0e:00.0, port 10000000c9a1b2c3 node 20000000c9a1b2c3, status 1, 8 Gbit, "
            "serial FC0001, driver rbfc \"RB FC Driver\" 12.8.340.8, firmware 2.02A1");

  // Short or missing buffers are refused before anything is sent.
  abi::SdLoopbackResult result{};
  EXPECT_EQ(library.RunLoopback(handle, 0, abi::kLoopExternal, send_, 256, receive_, 255, 10, &result),
            abi::kStatusInvalidParameter);
  EXPECT_EQ(library.RunLoopback(handle, 0, abi::kLoopExternal, send_, 256, receive_, 256, 10, nullptr),
            abi::kStatusInvalidParameter);
  EXPECT_EQ(library.Close(handle), abi::kStatusOk);
  EXPECT_EQ(library.Close(handle), abi::kStatusInvalidHandle);
  EXPECT_EQ(library.RunLoopback(handle, 0, abi::kLoopExternal, send_, 256, receive_, 256, 10, &result),
            abi::kStatusInvalidHandle);

  // A description the library cannot read is a failure of the call, not of the process.
  UseMachine("<machine><fibreChannel><adapter pciBus='99'/></fibreChannel></machine>");
  EXPECT_EQ(library.Open(0, &handle), abi::kStatusFailure);
}

}  // namespace
