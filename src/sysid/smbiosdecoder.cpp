#include "sysid/smbiosdecoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/os.h"
#include "support/stringutil.h"

namespace rb {

namespace {

enum class FieldKind { kString, kByte, kWord };

struct Field {
  std::uint8_t offset;
  FieldKind kind;
  const char* name;
  const char* caption;
};

struct KnownStructure {
  std::uint8_t type;
  const char* name;
  std::vector<Field> fields;
};

const std::vector<KnownStructure>& KnownStructures() {
  static const std::vector<KnownStructure> known = {
      {0,
       "BIOSINFO",
       {{4, FieldKind::kString, "vendor", "Vendor"},
        {5, FieldKind::kString, "version", "Version"},
        {8, FieldKind::kString, "releaseDate", "Release Date"}}},
      {1,
       "SYSTEMINFO",
       {{4, FieldKind::kString, "manufacturer", "Manufacturer"},
        {5, FieldKind::kString, "product", "Product"},
        {6, FieldKind::kString, "version", "Version"},
        {7, FieldKind::kString, "serialNumber", "Serial Number"}}},
      {2,
       "BOARDINFO",
       {{4, FieldKind::kString, "manufacturer", "Manufacturer"},
        {5, FieldKind::kString, "product", "Product"},
        {6, FieldKind::kString, "version", "Version"},
        {7, FieldKind::kString, "serialNumber", "Serial Number"},
        {8, FieldKind::kString, "assetTag", "Asset Tag"}}},
      {3,
       "CHASSISINFO",
       {{4, FieldKind::kString, "manufacturer", "Manufacturer"},
        {5, FieldKind::kByte, "chassisType", "Chassis Type"},
        {6, FieldKind::kString, "version", "Version"},
        {7, FieldKind::kString, "serialNumber", "Serial Number"},
        {8, FieldKind::kString, "assetTag", "Asset Tag"}}},
      // The server-system-ID structure of our platforms: one string whose last four characters are the
      // identifier in hexadecimal.
      {195, "SERVERSYSTEMID", {{4, FieldKind::kString, "ServerSystemID", "Server System ID"}}},
  };
  return known;
}

constexpr std::uint8_t kEndOfTable = 127;

}  // namespace

XmlObject DecodeSmbios(std::string_view raw) {
  XmlObject document;
  document.SetName("smbios");
  win::RawSmbiosDataHeader header{};
  if (raw.size() < sizeof header) return document;
  std::memcpy(&header, raw.data(), sizeof header);
  document.SetAttribute("majorVersion", std::to_string(header.majorVersion));
  document.SetAttribute("minorVersion", std::to_string(header.minorVersion));
  std::string_view table = raw.substr(sizeof header, header.length);

  while (table.size() >= 4) {
    const auto type = static_cast<std::uint8_t>(table[0]);
    const auto length = static_cast<std::uint8_t>(table[1]);
    if (length < 4 || length > table.size()) break;
    // The strings follow the formatted area and end with two zero bytes.
    const std::size_t end = table.find(std::string_view("\0\0", 2), length);
    if (end == std::string_view::npos) break;
    const std::string_view formatted = table.substr(0, length);
    std::vector<std::string_view> strings;
    for (std::string_view area = table.substr(length, end + 1 - length); !area.empty();) {
      const std::size_t zero = area.find('\0');
      if (zero == 0 && strings.empty()) break;  // a structure without strings
      strings.push_back(area.substr(0, zero));
      area.remove_prefix(zero + 1);
    }
    const std::size_t next = end + 2;

    XmlObject structure;
    structure.SetName("structure");
    structure.SetAttribute("type", std::to_string(type));
    const unsigned handle = static_cast<std::uint8_t>(formatted[2]) | static_cast<std::uint8_t>(formatted[3])
                                                                          << 8;
    structure.SetAttribute("handle", StringPrintf("0x%04X", handle));
    for (const KnownStructure& known : KnownStructures()) {
      if (known.type != type) continue;
      structure.SetAttribute("name", known.name);
      for (const Field& field : known.fields) {
        const std::size_t width = field.kind == FieldKind::kWord ? 2 : 1;
        if (field.offset + width > formatted.size()) continue;
        const auto byte = static_cast<std::uint8_t>(formatted[field.offset]);
        std::string value;
        if (field.kind == FieldKind::kString) {
          if (byte == 0 || byte > strings.size()) continue;
          value = std::string(strings[byte - 1]);
        } else if (field.kind == FieldKind::kByte) {
          value = std::to_string(type == 3 && field.offset == 5 ? byte & 0x7F : byte);
        } else {
          value = std::to_string(byte | static_cast<std::uint8_t>(formatted[field.offset + 1]) << 8);
        }
        structure.AddProperty(field.name, field.caption, value);
      }
    }
    document.AddChild(std::move(structure));
    if (type == kEndOfTable) break;
    table.remove_prefix(std::min(next, table.size()));
  }
  return document;
}

XmlObject ReadSmbiosDocument() {
  os::Platform& platform = os::Current();
  std::vector<char> raw;
  win::DWORD size = platform.GetSystemFirmwareTable(win::RSMB, 0, nullptr, 0);
  // The table may grow between the two calls (it does not on real firmware); ask again then.
  for (int attempt = 0; attempt < 3 && size > 0; ++attempt) {
    raw.assign(size, '\0');
    const win::DWORD got = platform.GetSystemFirmwareTable(win::RSMB, 0, raw.data(), size);
    if (got <= size) {
      raw.resize(got);
      return DecodeSmbios(std::string_view(raw.data(), raw.size()));
    }
    size = got;
  }
  return DecodeSmbios({});
}

}  // namespace rb
