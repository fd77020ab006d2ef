#include "platform/wmirepository.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

os::WmiRow Row(std::vector<std::pair<std::string, std::string>> properties) {
  return os::WmiRow{std::move(properties)};
}

// A SCSI disk and a USB optical drive, their plug-and-play entities and the SCSI controller of both.
class WmiRepositoryQueries : public testing::Test {
 protected:
  void SetUp() override {
    const std::vector<std::string> drive = {"CIM_DiskDrive", "CIM_MediaAccessDevice", "CIM_LogicalDevice"};
    repository_.Add("Win32_DiskDrive",
                    Row({{"DeviceID", "\\\\.\\PHYSICALDRIVE0"},
                         {"PNPDeviceID", "SCSI\\DISK&VEN_ACME&PROD_X1\\5&0&000100"},
                         {"SCSIPort", "2"},
                         {"SCSITargetId", "1"},
                         {"Model", "ACME X1"}}),
                    drive);
    repository_.Add("Win32_DiskDrive",
                    Row({{"DeviceID", "\\\\.\\PHYSICALDRIVE1"}, {"SCSIPort", "12"}, {"SCSITargetId", "1"}}),
                    drive);
    repository_.Add("Win32_CDROMDrive", Row({{"DeviceID", "USBSTOR\\CDROM&VEN_ACME\\77&0"}, {"Drive", "D:"}}),
                    {"CIM_CDROMDrive", "CIM_MediaAccessDevice"});
    repository_.Add("Win32_PnPEntity", Row({{"DeviceID", "SCSI\\DISK&VEN_ACME&PROD_X1\\5&0&000100"}}));
    repository_.Add("Win32_PnPEntity", Row({{"DeviceID", "USBSTOR\\CDROM&VEN_ACME\\77&0"}}));
    repository_.Add("Win32_ScsiController", Row({{"DeviceID", "PCI\\VEN_1000&DEV_0097\\4&1"}}),
                    {"CIM_SCSIController", "CIM_Controller"});
    repository_.Associate("Win32_DiskDrive", "\\\\.\\PHYSICALDRIVE0", "Win32_PnPEntity",
                          "SCSI\\DISK&VEN_ACME&PROD_X1\\5&0&000100");
    for (const char* entity : {"SCSI\\DISK&VEN_ACME&PROD_X1\\5&0&000100", "USBSTOR\\CDROM&VEN_ACME\\77&0"})
      repository_.Associate("Win32_PnPEntity", entity, "Win32_ScsiController", "PCI\\VEN_1000&DEV_0097\\4&1");
  }

  // The DeviceIDs a query answers, or "rejected".
  std::vector<std::string> DeviceIds(const std::string& query) {
    std::vector<os::WmiRow> rows = {Row({{"DeviceID", "stale"}})};
    if (!repository_.Query(query, &rows)) return {"rejected"};
    std::vector<std::string> ids;
    for (const os::WmiRow& row : rows) ids.push_back(row.Get("DeviceID", "(none)"));
    return ids;
  }

  os::WmiRepository repository_;
};

TEST_F(WmiRepositoryQueries, SelectMatchesClassesAndConditions) {
  const std::string disk0 = "\\\\.\\PHYSICALDRIVE0";
  const std::string disk1 = "\\\\.\\PHYSICALDRIVE1";
  const std::string cdrom = "USBSTOR\\CDROM&VEN_ACME\\77&0";
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"select * from Win32_DiskDrive", {disk0, disk1}},
      {"SeLeCt  *  FrOm  win32_diskdrive", {disk0, disk1}},
      // A superclass finds the instances of every subclass.
      {"SELECT * FROM CIM_MediaAccessDevice WHERE DeviceID LIKE \"USBSTOR%\"", {cdrom}},
      {"SELECT * FROM CIM_MediaAccessDevice", {disk0, disk1, cdrom}},
      {"select * from Win32_PnPEntity where deviceId like \"%cdrom%\"", {cdrom}},
      {"select * from Win32_PnPEntity where deviceId like \"USBSTOR\\CDROM&VEN_ACM_\\77&_\"", {cdrom}},
      {"select * from Win32_PnPEntity where deviceId like \"%CDROM\"", {}},
      // Numbers compare as numbers, never as a prefix of the text; every condition must hold.
      {"SELECT * FROM Win32_DiskDrive WHERE SCSIPort=2 AND SCSITargetId=1", {disk0}},
      {"SELECT * FROM Win32_DiskDrive WHERE SCSIPort=1", {}},
      {"SELECT * FROM Win32_DiskDrive WHERE SCSIPort=12 AND SCSITargetId=0", {}},
      {"SELECT * FROM Win32_DiskDrive WHERE Model=\"acme x1\"", {disk0}},
      // A condition on a property the instance lacks is false.
      {"SELECT * FROM Win32_DiskDrive WHERE Model LIKE \"%\"", {disk0}},
      // Backslashes written as they are or doubled as WMI's syntax has them.
      {"SELECT * FROM Win32_DiskDrive WHERE DeviceID=\"\\\\.\\PHYSICALDRIVE1\"", {disk1}},
      {"SELECT * FROM Win32_DiskDrive WHERE DeviceID='\\\\\\\\.\\\\PHYSICALDRIVE1'", {disk1}},
      {"select * from Win32_TapeDrive", {}},
      {"SELECT Model FROM Win32_DiskDrive", {"rejected"}},
      {"SELECT * Win32_DiskDrive", {"rejected"}},
      {"SELECT * FROM Win32_DiskDrive WHERE", {"rejected"}},
      {"SELECT * FROM Win32_DiskDrive WHERE SCSIPort=2 OR SCSIPort=12", {"rejected"}},
      {"SELECT * FROM Win32_DiskDrive WHERE Model LIKE 3", {"rejected"}},
      {"SELECT * FROM Win32_DiskDrive WHERE Model=\"open", {"rejected"}},
      {"SELECT * FROM Win32_DiskDrive;", {"rejected"}},
      {"", {"rejected"}},
  };
  for (const auto& [query, expected] : cases) EXPECT_EQ(DeviceIds(query), expected) << query;
}

TEST_F(WmiRepositoryQueries, AssociatorsFollowLinksBothWaysToTheResultClass) {
  const std::string entity = "SCSI\\DISK&VEN_ACME&PROD_X1\\5&0&000100";
  const std::string cdrom = "USBSTOR\\CDROM&VEN_ACME\\77&0";
  const std::string controller = "PCI\\VEN_1000&DEV_0097\\4&1";
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\.\\PHYSICALDRIVE0\"} WHERE ResultClass = "
       "Win32_PnPEntity",
       {entity}},
      {"associators of {Win32_DiskDrive.DeviceID='\\\\\\\\.\\\\physicaldrive0'} where "
       "resultclass=Win32_PnPEntity",
       {entity}},
      {"ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + entity +
           "\"} WHERE ResultClass = Win32_ScsiController",
       {controller}},
      {"ASSOCIATORS OF {Win32_PnPEntity.DeviceID=\"" + entity + "\"} WHERE ResultClass = Win32_IDEController",
       {}},
      // From the controller back: both entities, each once, and not the disk, which is linked only to
      // its entity.
      {"ASSOCIATORS OF {Win32_ScsiController.DeviceID=\"" + controller +
           "\"} WHERE ResultClass = Win32_PnPEntity",
       {entity, cdrom}},
      {"ASSOCIATORS OF {CIM_Controller.DeviceID=\"" + controller +
           "\"} WHERE ResultClass = CIM_LogicalDevice",
       {}},
      {"ASSOCIATORS OF {CIM_Controller.DeviceID=\"" + controller + "\"} WHERE ResultClass = Win32_PnPEntity",
       {entity, cdrom}},
      {"ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\.\\PHYSICALDRIVE1\"} WHERE ResultClass = "
       "Win32_PnPEntity",
       {}},
      {"ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"x\"}", {"rejected"}},
      {"ASSOCIATORS OF Win32_DiskDrive.DeviceID=\"x\" WHERE ResultClass = Win32_PnPEntity", {"rejected"}},
      {"ASSOCIATORS OF {Win32_DiskDrive.DeviceID=3} WHERE ResultClass = Win32_PnPEntity", {"rejected"}},
      {"ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"x\"} WHERE AssocClass = Win32_PnPEntity", {"rejected"}},
  };
  for (const auto& [query, expected] : cases) EXPECT_EQ(DeviceIds(query), expected) << query;
}

TEST_F(WmiRepositoryQueries, AnAssociationWithAMissingInstanceIsNotMade) {
  repository_.Associate("Win32_DiskDrive", "\\\\.\\PHYSICALDRIVE1", "Win32_PnPEntity", "absent");
  EXPECT_EQ(
      DeviceIds("ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\.\\PHYSICALDRIVE1\"} WHERE ResultClass = "
                "Win32_PnPEntity"),
      std::vector<std::string>{});
}

}  // namespace
