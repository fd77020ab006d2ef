#include "support/xmlcharclass.h"

namespace rb {

#define RB_C kXmlChar
#define RB_W (kXmlChar | kXmlWhitespace)
#define RB_16C RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C

// Bytes 0-8, 11, 12, 14-31 and 255 are not XML characters; TAB, LF, CR and SPACE are whitespace.
extern const std::uint8_t XmlCharClass[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, RB_W, RB_W, 0, 0, RB_W, 0, 0,                  // 0x00
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                           // 0x10
    RB_W, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C,   // 0x20
    RB_C, RB_C, RB_C, RB_C,                                                   //
    RB_16C, RB_16C, RB_16C, RB_16C, RB_16C,                                   // 0x30-0x7F
    RB_16C, RB_16C, RB_16C, RB_16C, RB_16C, RB_16C, RB_16C,                   // 0x80-0xEF
    RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C, RB_C,   // 0xF0
    RB_C, RB_C, RB_C, 0,                                                      //
};

#undef RB_16C
#undef RB_W
#undef RB_C

}  // namespace rb
