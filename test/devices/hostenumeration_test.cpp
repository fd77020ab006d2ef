// The host enumeration's sources, each through a backend that answers as a given machine would: the
// registry's device map, the DOS device list, the device installer's properties and sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "component/storagetestcomponent.h"
#include "devices/enumeration/classdriverlist.h"
#include "devices/enumeration/discoverycontext.h"
#include "devices/enumeration/portaddresscache.h"
#include "devices/enumeration/setupapi.h"
#include "devices/scsitestbench.h"
#include "platform/forwardingplatform.h"
#include "platform/recordingplatform.h"
#include "support/oruerror.h"

namespace {

using rbtest::RaisedBy;

// An empty simulated machine whose enumeration sources the test sets.
class EnumerationMachine : public rbtest::RecordingPlatform {
 public:
  explicit EnumerationMachine(os::Platform& target) : RecordingPlatform(target) {}

  // Registry keys by path, each with REG_DWORD or REG_SZ values.
  std::map<std::string, std::map<std::string, std::pair<win::DWORD, std::vector<std::uint8_t>>>> keys;
  std::string dosList;
  std::vector<win::DWORD> dosSizesAsked;
  os::SetupResult setupResult = os::SetupResult::kOk;

  win::DWORD RegOpenKey(win::HKEY, const std::string& subKey, win::DWORD, win::HKEY* key) override {
    auto found = keys.find(subKey);
    if (found == keys.end()) return win::ERROR_FILE_NOT_FOUND;
    *key = reinterpret_cast<win::HKEY>(&*found);
    return win::ERROR_SUCCESS;
  }
  win::DWORD RegCloseKey(win::HKEY) override { return win::ERROR_SUCCESS; }
  win::DWORD RegQueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                           win::DWORD* size) override {
    auto& values = reinterpret_cast<decltype(keys)::value_type*>(key)->second;
    auto found = values.find(name);
    if (found == values.end()) return win::ERROR_FILE_NOT_FOUND;
    *type = found->second.first;
    const auto& bytes = found->second.second;
    if (*size < bytes.size()) {
      *size = static_cast<win::DWORD>(bytes.size());
      return win::ERROR_MORE_DATA;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    *size = static_cast<win::DWORD>(bytes.size());
    return win::ERROR_SUCCESS;
  }
  win::DWORD QueryDosDevice(const std::string&, char* buffer, win::DWORD size) override {
    dosSizesAsked.push_back(size);
    if (dosList.size() + 1 > size) {
      SetLastError(win::ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(buffer, dosList.data(), dosList.size());
    buffer[dosList.size()] = '\0';
    return static_cast<win::DWORD>(dosList.size() + 1);
  }
  os::SetupResult SetupEnumerate(const win::Guid&, const win::Guid&, std::vector<os::SetupDevice>* devices) override {
    devices->clear();
    if (setupResult != os::SetupResult::kOk) SetLastError(win::ERROR_ACCESS_DENIED);
    return setupResult;
  }

  void AddPort(unsigned number, std::optional<std::uint32_t> ioAddress, std::string driver) {
    auto& values = keys["HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port " + std::to_string(number)];
    if (ioAddress) {
      std::vector<std::uint8_t> bytes(4);
      std::memcpy(bytes.data(), &*ioAddress, 4);
      values["IOAddress"] = {win::REG_DWORD, bytes};
    }
    std::vector<std::uint8_t> text(driver.begin(), driver.end());
    text.push_back(0);
    values["Driver"] = {win::REG_SZ, text};
  }

  bool Traced(const std::string& text) const {
    const auto output = Output();
    return std::find(output.begin(), output.end(), text) != output.end();
  }
};

class HostEnumeration : public ::testing::Test {
 protected:
  rbtest::SimulatedMachine sim_{""};
  EnumerationMachine* machine_ = nullptr;
  std::unique_ptr<rbtest::InstalledPlatform> installed_;

  void SetUp() override {
    auto machine = std::make_unique<EnumerationMachine>(sim_.Sim());
    machine_ = machine.get();
    installed_ = std::make_unique<rbtest::InstalledPlatform>(std::move(machine));
  }
};

TEST_F(HostEnumeration, TheDeviceMapWalkStopsAtTheFirstMissingPort) {
  machine_->AddPort(0, 0xE000, "lsi_sas");
  machine_->AddPort(1, std::nullopt, "usb-storage");
  machine_->AddPort(3, 0xD000, "lsi_sas");
  const rb::PortAddressCache cache = rb::PortAddressCache::Read();
  ASSERT_EQ(cache.Ports().size(), 2u);
  EXPECT_TRUE(cache.Ports()[0].hasIoAddress);
  EXPECT_EQ(cache.Ports()[0].ioAddress, 0xE000u);
  EXPECT_FALSE(cache.Ports()[1].hasIoAddress);
  EXPECT_FALSE(cache.IsUsbPort(0));
  EXPECT_TRUE(cache.IsUsbPort(1));
  EXPECT_EQ(cache.Find(3), nullptr);
}

TEST_F(HostEnumeration, TheDosDeviceListGrowsItsBufferUpToOneMebibyte) {
  // Three steps of 8 KiB hold a list of 20,000 characters.
  machine_->dosList = std::string(19990, 'x') + '\0' + "Tape0";
  EXPECT_TRUE(rb::ClassDriverList::Read().Entries().empty());  // Tape0 does not open on this machine
  EXPECT_EQ(machine_->dosSizesAsked, (std::vector<win::DWORD>{8192, 16384, 24576}));
  EXPECT_TRUE(machine_->Traced("InitClassDriverList trying to get handle to (\\\\.\\Tape0)\n"));
  EXPECT_TRUE(machine_->Traced("Got INVALID HANDLE VALUE!!!\n"));

  machine_->dosList.assign(1100000, 'x');
  const rb::OruError error = RaisedBy([] { rb::ClassDriverList::Read(); });
  EXPECT_EQ(error.Message(), "System Resource Failure");
  EXPECT_EQ(machine_->dosSizesAsked.back(), 128u * 8192u);
}

TEST(ClassDriverNames, SplitAtEachNul) {
  const char list[] = "PhysicalDrive0\0CdRom0\0\0";
  EXPECT_EQ(rb::ClassDriverList::SplitNames(list, sizeof list - 1),
            (std::vector<std::string>{"PhysicalDrive0", "CdRom0"}));
}

TEST_F(HostEnumeration, OnlyTextPropertiesAreRead) {
  os::SetupDevice device;
  device.AddText(win::SPDRP_FRIENDLYNAME, "SEAGATE ST600MM0006 SCSI Disk Device");
  device.properties.push_back({win::SPDRP_DEVICEDESC, win::REG_EXPAND_SZ, {'D', 'i', 's', 'k', 0}});
  device.properties.push_back({win::SPDRP_HARDWAREID, win::REG_MULTI_SZ, {'S', 0, 0}});
  device.properties.push_back({win::SPDRP_MFG, win::REG_BINARY, {1, 2, 3}});
  EXPECT_EQ(rb::SetupAPI::PropertyText(device, win::SPDRP_FRIENDLYNAME), "SEAGATE ST600MM0006 SCSI Disk Device");
  EXPECT_TRUE(machine_->Traced("RequiredSize is 37\n"));
  EXPECT_TRUE(machine_->Traced("PropertyRegDataType is REG_SZ\n"));
  EXPECT_EQ(rb::SetupAPI::PropertyText(device, win::SPDRP_DEVICEDESC), "Disk");
  EXPECT_TRUE(machine_->Traced("PropertyRegDataType is REG_EXPAND_SZ\n"));
  EXPECT_EQ(rb::SetupAPI::PropertyText(device, win::SPDRP_HARDWAREID), "");
  EXPECT_TRUE(machine_->Traced("PropertyRegDataType is something else(7)\n"));
  EXPECT_EQ(rb::SetupAPI::PropertyText(device, win::SPDRP_MFG), "");
  EXPECT_TRUE(machine_->Traced("PropertyRegDataType is something else(3)\n"));
  EXPECT_EQ(rb::SetupAPI::PropertyText(device, win::SPDRP_SERVICE), "");
}

TEST_F(HostEnumeration, ASetThatCannotBeMadeEndsItsClassOnly) {
  rb::StorageTestComponent component;
  rb::XmlObject idResult;
  rb::XmlObject summary;
  rb::DiscoveryContext context(component, idResult, summary);
  rb::SetupAPI setup(context);
  machine_->setupResult = os::SetupResult::kSetupClassFailed;
  EXPECT_EQ(setup.Enumerate(win::GUID_DEVCLASS_CDROM, win::GUID_DEVINTERFACE_CDROM), -1);
  EXPECT_TRUE(machine_->Traced("GetClassDeviceSet1 failed with error: 5\n"));
  machine_->setupResult = os::SetupResult::kInterfaceClassFailed;
  EXPECT_EQ(setup.Enumerate(win::GUID_DEVCLASS_CDROM, win::GUID_DEVINTERFACE_CDROM), -1);
  EXPECT_TRUE(machine_->Traced("GetClassDeviceSet2 failed with error: 5\n"));
  // The pass traces its class and goes on.
  setup.IdentifyOpticalDrives();
  EXPECT_TRUE(machine_->Traced("\n       Identifying Optical Drives\n"));
  EXPECT_TRUE(machine_->Traced("\nFinished Identifying Optical Drives\n"));
}

}  // namespace
