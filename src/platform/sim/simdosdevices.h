#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/logicaldisk.h"
#include "platform/sim/scsi/simosdevice.h"
#include "platform/sim/simmachine.h"
#include "platform/winapi.h"

namespace os {

// The DOS device names of a simulated machine (QueryDosDevice): the drive names of the class drivers'
// devices ("PhysicalDrive0", "CdRom0", "Tape0", "Floppy0"), "Scsin:" for each port and the fixed
// volumes ("C:"), each with the device it stands for. <dosDevices padding="n"/> adds made-up names until the
// list is at least n characters long, for a machine whose list outgrows a caller's buffer.
class SimDosDevices {
 public:
  SimDosDevices(const SimMachine& machine, const std::vector<std::shared_ptr<SimScsiPort>>& ports,
                const std::vector<SimOsDevice>& drives, const std::vector<LogicalDisk>& volumes);

  // QueryDosDevice: the count of characters stored, or 0 with `error` set.
  win::DWORD Query(const std::string& name, char* buffer, win::DWORD size, win::DWORD& error) const;

 private:
  // Name and target.
  std::vector<std::pair<std::string, std::string>> names_;
};

}  // namespace os
