#include "devices/tape/tapecapabilities.h"

#include <cstdint>
#include <iterator>

#include "support/catalog.h"

namespace rb {

namespace {

using Drive = win::TapeGetDriveParameters;

// The headings, in order.
struct Group {
  const char* name;
  const char* caption;
};
constexpr Group kGroups[] = {
    {"general", "General Drive Parameters :"},
    {"blocking", "Blocking and Partitioning Support :"},
    {"compression", "Data Compression and Error Correction :"},
    {"eject", "Eject, Erase, Tension and Padding Support :"},
    {"marks", "Filemark and Setmark Support :"},
};

// One item under the heading of index `group`: a feature flag of either word, or a value of the drive
// information.
struct Item {
  int group;
  const char* name;
  const char* caption;
  win::DWORD flag;                             // 0 for a value
  std::uint32_t (*value)(const Drive& drive);  // null for a flag
  bool boolean = false;                        // the value is a switch, shown as a feature
};

const Item kItems[] = {
    {0, "driveEnableDisable", "Drive Enable / Disable", win::TAPE_DRIVE_LOAD_UNLOAD, nullptr},
    {0, "immediateLoadUnload", "Immediate Load / Unload", win::TAPE_DRIVE_LOAD_UNLD_IMMED, nullptr},
    {0, "immediateLockUnlock", "Immediate Lock / Unlock", win::TAPE_DRIVE_LOCK_UNLK_IMMED, nullptr},
    {0, "immediateRewind", "Immediate Rewind", win::TAPE_DRIVE_REWIND_IMMEDIATE, nullptr},
    {0, "immediateSpacing", "Immediate Spacing", win::TAPE_DRIVE_SPACE_IMMEDIATE, nullptr},
    {0, "maximumCapacityReporting", "Maximum Capacity Reporting", win::TAPE_DRIVE_TAPE_CAPACITY, nullptr},
    {0, "remainingCapacityReporting", "Remaining Capacity Reporting", win::TAPE_DRIVE_TAPE_REMAINING,
     nullptr},
    {0, "requestsCleaning", "Requests Cleaning", win::TAPE_DRIVE_CLEAN_REQUESTS, nullptr},
    {0, "reversePositioning", "Reverse Positioning", win::TAPE_DRIVE_REVERSE_POSITION, nullptr},
    {0, "settableEomWarning", "Settable EOM Warning", win::TAPE_DRIVE_SET_EOT_WZ_SIZE, nullptr},
    {0, "defaultBlockSize", "Default Block Size", 0, [](const Drive& d) { return d.DefaultBlockSize; }},
    {0, "eotWarningZoneSize", "EOT Warning Zone Size", 0,
     [](const Drive& d) { return d.EOTWarningZoneSize; }},
    {0, "maximumBlockSize", "Maximum Block Size", 0, [](const Drive& d) { return d.MaximumBlockSize; }},
    {0, "maximumPartitionCount", "Maximum Partition Count", 0,
     [](const Drive& d) { return d.MaximumPartitionCount; }},
    {0, "minimumBlockSize", "Minimum Block Size", 0, [](const Drive& d) { return d.MinimumBlockSize; }},
    {0, "writeProtectError", "Write-Protect Error", win::TAPE_DRIVE_WRITE_PROTECT, nullptr},
    {1, "deviceAbsoluteBlock", "Device Absolute Block", win::TAPE_DRIVE_GET_ABSOLUTE_BLK, nullptr},
    {1, "absoluteBlockImmediate", "Absolute Block Immediate", win::TAPE_DRIVE_ABS_BLK_IMMED, nullptr},
    {1, "absoluteBlockAddress", "Absolute Block Address", win::TAPE_DRIVE_ABSOLUTE_BLK, nullptr},
    {1, "relativeBlockMove", "Relative Block Move", win::TAPE_DRIVE_RELATIVE_BLKS, nullptr},
    {1, "settableBlockSize", "Settable Block Size", win::TAPE_DRIVE_SET_BLOCK_SIZE, nullptr},
    {1, "variableLengthBlocks", "Variable Length Block Support", win::TAPE_DRIVE_VARIABLE_BLOCK, nullptr},
    {1, "fixedDataPartitions", "Fixed Data Partitions", win::TAPE_DRIVE_FIXED, nullptr},
    {1, "initiatorPartitions", "Initiator-defined partitions", win::TAPE_DRIVE_INITIATOR, nullptr},
    {1, "selectDataPartitions", "Select Data Partitions", win::TAPE_DRIVE_SELECT, nullptr},
    {1, "partitionEodMove", "Partition EOD Move", win::TAPE_DRIVE_END_OF_DATA, nullptr},
    {1, "deviceLogicalBlock", "Device Logical Block", win::TAPE_DRIVE_GET_LOGICAL_BLK, nullptr},
    {1, "logicalBlockImmediate", "Logical Block Immediate", win::TAPE_DRIVE_LOG_BLK_IMMED, nullptr},
    {1, "logicalBlockAddress", "Logical Block Address", win::TAPE_DRIVE_LOGICAL_BLK, nullptr},
    {2, "compressionEnabled", "Data Compression Enabled", 0,
     [](const Drive& d) -> std::uint32_t { return d.Compression; }, true},
    {2, "bopCompressionSettable", "BOP Compression Settable", win::TAPE_DRIVE_SET_CMP_BOP_ONLY, nullptr},
    {2, "compressionHardware", "Data Compression Hardware", win::TAPE_DRIVE_COMPRESSION, nullptr},
    {2, "compressionEnableDisable", "Compression Enable / Disable", win::TAPE_DRIVE_SET_COMPRESSION, nullptr},
    {2, "eccEnabled", "Error Correction Enabled", 0, [](const Drive& d) -> std::uint32_t { return d.ECC; },
     true},
    {2, "eccEnableDisable", "ECC Enable / Disable", win::TAPE_DRIVE_SET_ECC, nullptr},
    {3, "ejectsTape", "Ejects Tape", win::TAPE_DRIVE_EJECT_MEDIA, nullptr},
    {3, "ejectEnableDisable", "Eject Enable / Disable", win::TAPE_DRIVE_LOCK_UNLOCK, nullptr},
    {3, "erasePartitionOnly", "Erase Partition Only", win::TAPE_DRIVE_ERASE_BOP_ONLY, nullptr},
    {3, "longErase", "Long Erase Available", win::TAPE_DRIVE_ERASE_LONG, nullptr},
    {3, "shortErase", "Short Erase Available", win::TAPE_DRIVE_ERASE_SHORT, nullptr},
    {3, "immediateErase", "Immediate Erase Available", win::TAPE_DRIVE_ERASE_IMMEDIATE, nullptr},
    {3, "tensioning", "Tensioning Support", win::TAPE_DRIVE_TENSION, nullptr},
    {3, "immediateTensioning", "Immediate Tensioning", win::TAPE_DRIVE_TENSION_IMMED, nullptr},
    {3, "paddingEnabled", "Data Padding Enabled", 0,
     [](const Drive& d) -> std::uint32_t { return d.DataPadding; }, true},
    {3, "paddingSupported", "Data Padding Supported", win::TAPE_DRIVE_PADDING, nullptr},
    {3, "paddingEnableDisable", "Padding Enable / Disable", win::TAPE_DRIVE_SET_PADDING, nullptr},
    {4, "moveByFilemark", "Move by Filemark", win::TAPE_DRIVE_FILEMARKS, nullptr},
    {4, "moveSequentialFilemarks", "Move Sequential Filemarks", win::TAPE_DRIVE_SEQUENTIAL_FMKS, nullptr},
    {4, "writesFilemarks", "Writes Filemarks", win::TAPE_DRIVE_WRITE_FILEMARKS, nullptr},
    {4, "writesLongFilemarks", "Writes Long Filemarks", win::TAPE_DRIVE_WRITE_LONG_FMKS, nullptr},
    {4, "writesShortFilemarks", "Writes Short FileMarks", win::TAPE_DRIVE_WRITE_SHORT_FMKS, nullptr},
    {4, "immediateFilemarks", "Immediate Filemark Writing", win::TAPE_DRIVE_WRITE_MARK_IMMED, nullptr},
    {4, "reportsSetmarks", "Reports Setmarks", win::TAPE_DRIVE_REPORT_SMKS, nullptr},
    {4, "setmarkReportingEnabled", "Setmark Reporting Enabled", 0,
     [](const Drive& d) -> std::uint32_t { return d.ReportSetmarks; }, true},
    {4, "moveSequentialSetmarks", "Move Sequential Setmarks", win::TAPE_DRIVE_SEQUENTIAL_SMKS, nullptr},
    {4, "setmarkReportingEnableDisable", "Setmark Reporting Enable / Disable",
     win::TAPE_DRIVE_SET_REPORT_SMKS, nullptr},
    {4, "moveBySetmark", "Move by Setmark", win::TAPE_DRIVE_SETMARKS, nullptr},
    {4, "writesSetmarks", "Writes Setmarks", win::TAPE_DRIVE_WRITE_SETMARKS, nullptr},
};

}  // namespace

XmlObject DescribeTapeCapabilities(const win::TapeGetDriveParameters& drive) {
  XmlObject list;
  list.SetName("capabilities");
  list.SetAttribute("caption", Translate("Capabilities"));
  const std::string yes = Translate("Yes");
  const std::string no = Translate("No");
  for (int index = 0; index < static_cast<int>(std::size(kGroups)); ++index) {
    XmlObject element;
    element.SetName("capabilityGroup");
    element.SetAttribute("name", kGroups[index].name);
    element.SetAttribute("caption", Translate(kGroups[index].caption));
    for (const Item& item : kItems) {
      if (item.group != index) continue;
      if (item.value == nullptr)
        element.AddProperty(item.name, Translate(item.caption),
                            win::HasTapeFeature(drive, item.flag) ? yes : no);
      else if (item.boolean)
        element.AddProperty(item.name, Translate(item.caption), item.value(drive) != 0 ? yes : no);
      else
        element.AddProperty(item.name, Translate(item.caption), item.value(drive));
    }
    list.AddChild(std::move(element));
  }
  return list;
}

}  // namespace rb
