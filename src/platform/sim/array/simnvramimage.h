#pragma once

// The contents of a simulated NVRAM part, from its <nvram> element on a CISS port, laid out as
// src/controllers/nvramlayout.h defines:
//   <nvram address="0xA1" [size="256"]                     the I2C address and the part's size
//          [text="..."] [hex="A5 01 ..."]                  raw content from byte 0 (not with the fields)
//          [assembly="A430"] [autoRev="010203"]            tagged fields, in this order from byte 0
//          [fbt="0x12"] [pic="0x34"] [testStatus="0x01"]
//          [wellness="FBTS,SYSP"]                          wellness log entries: header and status letter
//          [phy="1F 2A 3C"]                                PHY setting bytes
//          [productName="..."] [serial="..."]              the part's identity
//          [boardSignature="01 02 03 04 05 06"]
//          [vendorId="0x103C"] [deviceId="0x3230"]         the local NVRAM header (bytes 0 and 2); the
//                                                          tagged fields then follow it
//          [checksum="good|bad|keep"] [badChecksum="1"]/>  the last byte makes the upper half sum to 0
//                                                          (good, the default) or 1 (bad); keep leaves
//                                                          the content as given
// A part without content is all zeros (its checksum is good).

#include <cstdint>
#include <vector>

namespace rb {
class XmlObject;
}

namespace os {

class SimMachine;

std::vector<std::uint8_t> SimNvramImage(const SimMachine& machine, const rb::XmlObject& element);

}  // namespace os
