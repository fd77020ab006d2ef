#pragma once

// The simulated controller's side of create logical drive (BMIC 56h, arraylayouts.h createlogical):
// a new RAID 0, 1 or 5 volume after the configured ones, over drives that are present, not failed
// and in no other volume, of the requested size (all their room when 0), stripe units of 16 blocks.

#include <cstddef>
#include <cstdint>

namespace os {

class SimArrayController;

// The BMIC status: OK, or invalid unit when the request names the wrong number or cannot be met.
std::uint8_t CreateSimVolume(SimArrayController& controller, std::uint8_t unit, const std::uint8_t* data,
                             std::size_t length);

}  // namespace os
