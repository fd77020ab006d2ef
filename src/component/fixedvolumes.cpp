#include "component/fixedvolumes.h"

#include <vector>

#include "platform/os.h"
#include "support/catalog.h"

namespace rb {

XmlObject DescribeFixedVolumes() {
  XmlObject volumes;
  volumes.SetName("logicalDisks");
  volumes.SetAttribute("caption", Translate("Logical Disks"));
  std::vector<os::LogicalDisk> disks;
  if (!os::Current().GetFixedLogicalDisks(&disks)) {
    volumes.SetText(Translate("Cannot read logical disk information"));
    return volumes;
  }
  for (const os::LogicalDisk& disk : disks) {
    XmlObject volume;
    volume.SetName("logicalDisk");
    volume.SetAttribute("name", disk.deviceId);
    volume.SetAttribute("caption", Translate("Logical Disk"));
    volume.AddProperty("label", Translate("Volume Name"), disk.volumeName);
    volume.AddProperty("fileSystem", Translate("File System"), disk.fileSystem);
    volume.AddProperty("size", Translate("Size (Byte)"), disk.size);
    volume.AddProperty("freeSpace", Translate("Free Space (Byte)"), disk.freeSpace);
    volumes.AddChild(std::move(volume));
  }
  return volumes;
}

}  // namespace rb
