#include "platform/sim/scsi/simscsicommand.h"

#include <algorithm>
#include <cstring>

namespace os {

void SimScsiCommand::Answer(const std::uint8_t* bytes, std::size_t count, std::size_t allocation) {
  if (!dataIn || data == nullptr) return;
  transferred = std::min({count, allocation, dataLength});
  std::memcpy(data, bytes, transferred);
}

void SimScsiCommand::AnswerReadCapacity(std::uint64_t blocks, std::uint32_t blockSize, bool sixteen) {
  const std::uint64_t last = blocks - 1;
  std::vector<std::uint8_t> data(sixteen ? 32 : 8, 0);
  const auto put = [&data](std::size_t offset, std::size_t count, std::uint64_t value) {
    for (std::size_t i = 0; i < count; ++i)
      data[offset + i] = static_cast<std::uint8_t>(value >> (8 * (count - 1 - i)));
  };
  if (sixteen) {
    put(0, 8, last);
    put(8, 4, blockSize);
    Answer(data, BigEndian(10, 4));
  } else {
    put(0, 4, std::min<std::uint64_t>(last, 0xFFFFFFFF));
    put(4, 4, blockSize);
    Answer(data, data.size());
  }
}

void SimScsiCommand::CheckCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq, long specific) {
  status = 0x02;
  sense.assign(18, 0);
  sense[0] = 0x70;
  sense[2] = key;
  sense[7] = 10;
  sense[12] = asc;
  sense[13] = ascq;
  if (specific >= 0) {
    sense[15] = 0x80;
    sense[16] = static_cast<std::uint8_t>(specific >> 8);
    sense[17] = static_cast<std::uint8_t>(specific);
  }
  transferred = 0;
}

}  // namespace os
