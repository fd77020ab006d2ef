#pragma once

#include "support/xmlobject.h"

namespace rb {

// The operating system's local fixed volumes as the discovery result lists them:
//   <logicalDisks caption="Logical Disks">
//     <logicalDisk name="C:" caption="Logical Disk">
//       <property name="label" caption="Volume Name" value=…/> fileSystem, size, freeSpace (bytes)
//     </logicalDisk>
//   </logicalDisks>
// When the volumes cannot be read the element says so in its text instead.
XmlObject DescribeFixedVolumes();

}  // namespace rb
