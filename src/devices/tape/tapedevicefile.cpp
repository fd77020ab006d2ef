#include "devices/tape/tapedevicefile.h"

#include "devices/enumeration/discoverycontext.h"
#include "support/stringutil.h"

namespace rb {

std::string TapeDeviceFile(DiscoveryContext& context, std::uint32_t port, std::uint8_t path,
                           std::uint8_t target, std::uint8_t lun, std::int32_t tapeNumber) {
  if (const ClassDriverList::Entry* entry = context.ClassDrivers().Find(port, path, target, lun))
    return "\\\\.\\" + entry->name;
  return StringPrintf("\\\\.\\Tape%d", tapeNumber > 0 ? tapeNumber - 1 : 0);
}

}  // namespace rb
