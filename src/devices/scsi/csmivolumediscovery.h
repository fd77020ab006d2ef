#pragma once

// The RAID volumes of a host adapter that answers CSMI, found after the devices of its port.

#include <memory>

namespace rb {

class DiscoveryContext;
class ScsiController;

// Adds a CsmiLogicalVolume for each RAID set the controller's adapter reports, with the controller as
// its parent and the disks discovery made for the set's SAS addresses as its members. An adapter that
// does not speak CSMI gets none; one that refuses the RAID information, or a set whose configuration
// it refuses, is traced and skipped: discovery goes on either way.
void AddCsmiVolumes(DiscoveryContext& context, const std::shared_ptr<ScsiController>& controller);

}  // namespace rb
