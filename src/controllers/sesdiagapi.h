#pragma once

// Access to the SES enclosures a CISS controller manages: finds them once and keeps their handles,
// and reads and writes their pages through the controller with the 16-byte access CDB
// (src/controllers/seslayouts.h). Every access reports false (or -1) on failure instead of raising,
// so that a catalog block or a test step can record its own warning and go on.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/persistent.h"

namespace rb {

class CissDevice;

// The 4-byte status record of one element.
using SesElementRecord = std::array<std::uint8_t, 4>;

class SESDiagApi : public Persistent {
 public:
  static constexpr const char* kStreamableName = "SESDiagApi";

  explicit SESDiagApi(CissDevice& controller);
  // The state a reader starts from.
  SESDiagApi();

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<SESDiagApi>(); }

  CissDevice* Controller() const { return controller_; }

  // Asks the controller for its enclosures and keeps their handles; the count, 0 when the query fails.
  int FindEnclosures();
  std::size_t EnclosureCount() const { return handles_.size(); }
  // The handle of enclosure `index`, 0xFFFF beyond the list.
  std::uint16_t Handle(std::size_t index) const;

  // The raw pages: `length` bytes in (zeroed first) or out. False when the controller fails the access
  // or the handle is 0xFFFF (then nothing is sent). A read's reply is kept as the last page.
  bool ReadPage(std::uint16_t handle, std::uint8_t page, std::uint16_t argument1, std::uint16_t argument2,
                void* buffer, std::uint32_t length);
  bool WritePage(std::uint16_t handle, std::uint8_t page, std::uint16_t argument1, std::uint16_t argument2,
                 const void* buffer, std::uint32_t length);
  const std::vector<std::uint8_t>& LastPage() const { return lastPage_; }

  // Page 0: the reply's first word for `argument`, -1 when the read fails.
  int Query(std::uint16_t argument);
  // Page 10h: enclosure buffer `bufferId`, `buffer.size()` bytes.
  bool ReadEnclosureBuffer(std::size_t index, std::uint16_t bufferId, std::vector<std::uint8_t>& buffer);
  bool ReadEnclosureBufferByHandle(std::uint16_t handle, std::uint16_t bufferId,
                                   std::vector<std::uint8_t>& buffer);
  bool WriteEnclosureBuffer(std::size_t index, std::uint16_t bufferId,
                            const std::vector<std::uint8_t>& buffer);
  // Page 11h: the reply's first byte, -1 when the read fails.
  int QueryByte(std::size_t index, std::uint16_t argument);
  // Page 12h: `reply.size()` bytes of the enclosure page `argument`.
  bool QueryElement(std::size_t index, std::uint16_t argument, std::vector<std::uint8_t>& reply);
  // Page 13h: the 4-byte control record of element `number` (0-based) of `type`.
  bool SetElement(std::size_t index, std::uint8_t type, std::uint8_t number, const SesElementRecord& control);

  // The status records of every element of `type` in enclosure `index` (the overall record left out),
  // located through the enclosure's configuration page. False when a page cannot be read or is
  // malformed; an enclosure without elements of the type gives true and no records.
  bool ReadElements(std::size_t index, std::uint8_t type, std::vector<SesElementRecord>& records);

  // The text of an element status code (byte 0, low 4 bits).
  static std::string StatusText(std::uint8_t statusByte);

 private:
  CissDevice* controller_ = nullptr;
  std::vector<std::uint16_t> handles_;
  std::vector<std::uint8_t> lastPage_;
};

}  // namespace rb
