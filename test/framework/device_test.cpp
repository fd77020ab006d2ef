// Devices: unique naming, the order of the device set, the catalog element and the test list.
#include "framework/device.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/componentinstance.h"
#include "component/storagetestcomponent.h"
#include "framework/searchdevice.h"
#include "framework/testdoubles.h"
#include "framework/testfactory.h"
#include "support/debug.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::HostEvents;
using rbtest::RecordingDevice;
using rbtest::ScriptedTest;

// A component of its own as the process-wide instance, with the recording callback.
class WithComponent : public ::testing::Test {
 protected:
  void SetUp() override {
    component_.SetCallback(&HostEvents::Record);
    SetComponentInstance(&component_);
    HostEvents::Clear();
  }
  void TearDown() override { SetComponentInstance(nullptr); }

  StorageTestComponent component_;
};

using DeviceNaming = WithComponent;

TEST_F(DeviceNaming, MakeUniqueTakesTheSmallestFreeNumber) {
  const struct {
    const char* given;
    bool makeUnique;
    const char* expected;
    bool keep;  // added to the set afterwards
  } steps[] = {
      {"tape5", true, "tape0", true},  // digits dropped, tape0 is free
      {"tape", true, "tape1", true},   {"tape", true, "tape2", false},
      {"tape7", false, "tape7", true},                              // taken as given
      {"cd01", true, "cd0", true},     {"12", true, "120", false},  // a name of digits only is kept whole
      {"", true, "0", false},          {"disk01", false, "disk01", true},
      {"disk", true, "disk0", true},   {"disk", true, "disk1", false},  // disk01 is another name than disk1
  };
  for (const auto& step : steps) {
    auto device = std::make_unique<RecordingDevice>(step.given, step.makeUnique);
    EXPECT_EQ(device->Name(), step.expected) << step.given;
    if (step.keep) {
      EXPECT_TRUE(component_.AddDevice(std::move(device)));
    }
  }
  // The trace names both.
  const bool debug = IsDebugEnabled();
  SetDebugEnabled(true);
  testing::internal::CaptureStderr();
  RecordingDevice renamed("cd", true);
  const std::string trace = testing::internal::GetCapturedStderr();
  SetDebugEnabled(debug);
  EXPECT_NE(trace.find("Device name changed from cd to cd1\n"), std::string::npos) << trace;
}

TEST(DeviceNamingWithoutComponent, OnlyTheDigitsGo) {
  ASSERT_EQ(ComponentInstance(), nullptr);
  EXPECT_EQ(RecordingDevice("tape5", true).Name(), "tape");
}

// Devices made while a catalog is built (the templates) keep their names.
class TemplateComponent : public StorageTestComponent {
 public:
  std::string BuildCatalog() override {
    for (const char* name : {"cdrom", "cdrom3"}) names.push_back(RecordingDevice(name, true).Name());
    return StorageTestComponent::BuildCatalog();
  }
  std::vector<std::string> names;
};

TEST(DeviceNamingInCatalog, NamesAreKeptWhileTheCatalogIsBuilt) {
  TemplateComponent component;
  component.SetCallback(&HostEvents::Record);
  component.AddDevice(std::make_unique<RecordingDevice>("cdrom"));
  SetComponentInstance(&component);
  component.ExecuteCommand("<catalog/>");
  EXPECT_EQ(component.names, (std::vector<std::string>{"cdrom", "cdrom"}));
  EXPECT_FALSE(component.Busy());
  EXPECT_EQ(RecordingDevice("cdrom", true).Name(), "cdrom0");  // numbered again afterwards
  SetComponentInstance(nullptr);
}

TEST(DeviceSet, Order) {
  const struct {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"disk9", "disk10", -1},
      {"disk01", "disk1", -1},  // equal numbers: the characters decide
      {"disk1", "disk1", 0},
      {"disk", "disk0", -1},  // a name that ends first
      {"disk2a", "disk2b", -1},
      {"Disk0", "disk0", -1},
      {"a\x80", "a1", -1},  // signed bytes
      {"c5x", "c5", 1},
      {"d4294967296", "d0", 1},  // beyond 32 bits the order stays consistent
      {"d99999999999", "d100000000000", -1},
  };
  for (const auto& c : cases) {
    const int forward = CompareDeviceNames(c.a, c.b);
    EXPECT_EQ((forward > 0) - (forward < 0), c.sign) << c.a << " " << c.b;
    const int backward = CompareDeviceNames(c.b, c.a);
    EXPECT_EQ((backward > 0) - (backward < 0), -c.sign) << c.b << " " << c.a;
  }
}

using DeviceDescribe = WithComponent;

TEST_F(DeviceDescribe, CatalogElement) {
  RecordingDevice disk("disk0");
  disk.SetCaption("Disk Zero");
  disk.SetDescription("SCSI Hard Drive");
  disk.AddProperty("Model", "Model", "XJ-100");
  disk.AddInterface(Interface("ctrl0", "Controller", "Array controller", Interface::kParent));
  disk.AddInterface(Interface("odd", "Odd", "Other relation", 7));
  disk.AddTest(std::make_unique<ScriptedTest>("verify", "passed", ""));
  XmlObject element;
  disk.Describe(element, false);
  EXPECT_EQ(element.ToString(),
            "<device name=\"disk0\" class=\"device\" caption=\"Disk Zero\" description=\"SCSI Hard Drive\" "
            "described=\"device\" diagnosable=\"0\">\n"
            "  <test name=\"verify\"/>\n"
            "  <property name=\"Model\" caption=\"Model\" value=\"XJ-100\"/>\n"
            "  <interface name=\"ctrl0\" caption=\"Controller\" description=\"Array controller\" "
            "role=\"parent\"/>\n"
            "  <interface name=\"odd\" caption=\"Odd\" description=\"Other relation\"/>\n"
            "</device>\n");
  EXPECT_EQ(disk.opens, 1);
  EXPECT_EQ(disk.closes, 1);

  // A template: not opened; its own class and a diagnosis object.
  disk.SetElementClass("ScsiDisk");
  disk.AddDiagnosis(std::make_unique<rbtest::FixedDiagnosis>(&disk, "passed"));
  disk.Describe(element, true);
  EXPECT_EQ(element.GetAttribute("class"), "ScsiDisk");
  EXPECT_EQ(element.GetAttribute("described"), "catalog");
  EXPECT_EQ(element.GetAttribute("diagnosable"), "1");
  EXPECT_EQ(disk.opens, 1);
  EXPECT_EQ(disk.closes, 1);
}

TEST_F(DeviceDescribe, AnnouncesTheDevice) {
  const struct {
    const char* caption;
    const char* description;
    const char* text;
  } cases[] = {
      {"Disk Zero", "SCSI Hard Drive", "Disk Zero - SCSI Hard Drive"},
      {"SCSI Hard Drive 0", "Hard Drive", "SCSI Hard Drive 0"},  // already in the caption
      {"", "Tape", "tape0 - Tape"},                              // the name stands in
      {"Disk Zero", "", "Disk Zero"},
  };
  for (const auto& c : cases) {
    RecordingDevice device("tape0");
    device.SetCaption(c.caption);
    device.SetDescription(c.description);
    HostEvents::Clear();
    XmlObject element;
    device.Describe(element, true);
    const std::vector<XmlObject> events = HostEvents::Taken();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].GetAttribute("caption"), "Device Discovered");
    EXPECT_EQ(events[0].GetAttribute("description"), c.text);
  }
}

TEST_F(DeviceDescribe, ClosedWhenTheDescriptionFails) {
  component_.SetCallback(nullptr);  // the announcement raises
  RecordingDevice device("disk0");
  XmlObject element;
  EXPECT_ANY_THROW(device.Describe(element, false));
  EXPECT_EQ(device.opens, 1);
  EXPECT_EQ(device.closes, 1);
}

TEST_F(DeviceDescribe, ComponentListsItsDevicesInSetOrder) {
  for (const char* name : {"disk10", "disk9", "cdrom0"})
    component_.AddDevice(std::make_unique<RecordingDevice>(name));
  XmlObject result;
  result.SetName("idResult");
  component_.AddDevicesToCatalog(result);
  std::vector<std::string> names;
  for (const XmlObject& child : result.Children()) names.push_back(child.GetAttribute("name"));
  EXPECT_EQ(names, (std::vector<std::string>{"cdrom0", "disk9", "disk10"}));
  EXPECT_EQ(HostEvents::Taken().size(), 3u);
  // A search device of a name finds what the name finds.
  SearchDevice key("disk9");
  EXPECT_EQ(component_.Devices().find(&key)->get(), component_.FindDevice("disk9"));
  EXPECT_EQ(component_.FindDevice("disk09"), nullptr);
}

TEST(DeviceTests, AddTestReplacesByNameAndSetsUp) {
  RecordingDevice device("disk0");
  device.AddTest(nullptr);
  EXPECT_TRUE(device.Tests().empty());
  auto first = std::make_unique<ScriptedTest>("verify", "passed", "");
  device.AddTest(std::move(first));
  device.AddTest(std::make_unique<ScriptedTest>("write", "passed", ""));
  const int destroyed = ScriptedTest::Destroyed();
  device.AddTest(std::make_unique<ScriptedTest>("verify", "failed", ""));
  EXPECT_EQ(ScriptedTest::Destroyed(), destroyed + 1);  // the earlier "verify"
  ASSERT_EQ(device.Tests().size(), 2u);
  EXPECT_EQ(device.Tests()[1]->Name(), "verify");
  auto& replacement = dynamic_cast<ScriptedTest&>(*device.Tests()[1]);
  EXPECT_EQ(replacement.State(), "failed");
  EXPECT_EQ(replacement.setups, 1);
  EXPECT_EQ(replacement.Owner(), &device);

  // Adding a test the device holds already sets it up again and keeps one entry.
  device.AddTest(std::unique_ptr<rb::Test>(&replacement));
  EXPECT_EQ(device.Tests().size(), 2u);
  EXPECT_EQ(replacement.setups, 2);
  EXPECT_EQ(ScriptedTest::Destroyed(), destroyed + 1);
}

// A device offers configured instances of one class under names of their own; a class without a
// configured maker is offered only under its own name.
TEST(ConfiguredTests, MadeByTheirMakerOrPlainUnderTheClassName) {
  RegisterTestMaker("ConfiguredProbe", [] {
    return std::unique_ptr<rb::Test>(new ScriptedTest("ConfiguredProbe", "passed", ""));
  });
  RegisterConfiguredTestMaker("ConfiguredProbeByCode", [](const TestConfig& config) {
    return std::unique_ptr<rb::Test>(
        new ScriptedTest(config.name, config.codes.empty() ? "failed" : "passed", config.caption));
  });
  const std::unique_ptr<rb::Test> coded =
      MakeConfiguredTest("ConfiguredProbeByCode", {"probe7", "Probe seven", {7}});
  ASSERT_NE(coded, nullptr);
  EXPECT_EQ(coded->Name(), "probe7");
  EXPECT_EQ(dynamic_cast<ScriptedTest&>(*coded).State(), "passed");

  const std::unique_ptr<rb::Test> plain = MakeConfiguredTest("ConfiguredProbe", {"ConfiguredProbe", "", {}});
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->Name(), "ConfiguredProbe");
  EXPECT_EQ(MakeConfiguredTest("ConfiguredProbe", {"renamedProbe", "", {}}), nullptr);
  EXPECT_EQ(MakeConfiguredTest("NoSuchTestClass", {"NoSuchTestClass", "", {}}), nullptr);
  EXPECT_FALSE(RegisterConfiguredTestMaker("ConfiguredProbeByCode", nullptr));
}

}  // namespace
}  // namespace rb
