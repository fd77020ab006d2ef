#include "platform/linux/linuxsmbios.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/smbiostable.h"

namespace os {

namespace {

std::optional<std::string> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

// A decoded identity file: its first line.
std::string IdentityText(const std::string& directory, const char* name) {
  const std::optional<std::string> text = ReadFileBytes(directory + name);
  if (!text) return {};
  return text->substr(0, text->find('\n'));
}

// The SMBIOS version the entry point announces: "_SM3_" (64-bit), "_SM_" (32-bit) or the legacy
// "_DMI_" with its BCD revision. Unknown forms answer 2.0.
void EntryPointVersion(const std::string& entry, std::uint8_t& major, std::uint8_t& minor,
                       std::uint8_t& revision) {
  const auto byte = [&entry](std::size_t at) {
    return at < entry.size() ? static_cast<std::uint8_t>(entry[at]) : 0;
  };
  major = 2;
  minor = 0;
  revision = 0;
  if (entry.rfind("_SM3_", 0) == 0) {
    major = byte(7);
    minor = byte(8);
    revision = byte(9);
  } else if (entry.rfind("_SM_", 0) == 0) {
    major = byte(6);
    minor = byte(7);
  } else if (entry.rfind("_DMI_", 0) == 0) {
    major = byte(14) >> 4;
    minor = byte(14) & 0x0F;
  }
}

std::vector<std::uint8_t> KernelTable(const std::string& sysRoot) {
  const std::string directory = sysRoot + "/firmware/dmi/tables/";
  const std::optional<std::string> table = ReadFileBytes(directory + "DMI");
  if (!table || table->empty()) return {};
  std::uint8_t major = 0;
  std::uint8_t minor = 0;
  std::uint8_t revision = 0;
  EntryPointVersion(ReadFileBytes(directory + "smbios_entry_point").value_or(""), major, minor, revision);
  return WithRawSmbiosHeader(major, minor, revision, *table);
}

std::vector<std::uint8_t> IdentityTable(const std::string& sysRoot) {
  const std::string directory = sysRoot + "/class/dmi/id/";
  struct Field {
    std::uint8_t offset;
    const char* file;
  };
  struct Kind {
    std::uint8_t type;
    std::uint8_t length;  // the formatted area of SMBIOS 2.0 for these fields
    std::vector<Field> strings;
  };
  const Kind kinds[] = {
      {0, 0x12, {{4, "bios_vendor"}, {5, "bios_version"}, {8, "bios_date"}}},
      {1, 0x08, {{4, "sys_vendor"}, {5, "product_name"}, {6, "product_version"}, {7, "product_serial"}}},
      {2,
       0x09,
       {{4, "board_vendor"},
        {5, "board_name"},
        {6, "board_version"},
        {7, "board_serial"},
        {8, "board_asset_tag"}}},
      {3,
       0x09,
       {{4, "chassis_vendor"}, {6, "chassis_version"}, {7, "chassis_serial"}, {8, "chassis_asset_tag"}}},
  };
  // The enclosure type is a number in a file of its own.
  const std::string chassisType = IdentityText(directory, "chassis_type");
  SmbiosTableBuilder builder;
  for (const Kind& kind : kinds) {
    std::vector<std::string> texts;
    bool any = kind.type == 3 && !chassisType.empty();
    for (const Field& field : kind.strings) {
      texts.push_back(IdentityText(directory, field.file));
      any = any || !texts.back().empty();
    }
    if (!any) continue;
    SmbiosTableBuilder::Structure& structure = builder.Add(kind.type, kind.type, kind.length);
    for (std::size_t i = 0; i < texts.size(); ++i) structure.SetString(kind.strings[i].offset, texts[i]);
    // 2 is the "unknown" enclosure type.
    if (kind.type == 3)
      structure.SetByte(5, chassisType.empty()
                               ? 2
                               : static_cast<std::uint8_t>(std::strtoul(chassisType.c_str(), nullptr, 10)));
  }
  return builder.Empty() ? std::vector<std::uint8_t>() : builder.RawSmbiosData(2, 0);
}

}  // namespace

std::vector<std::uint8_t> ReadLinuxSmbios(const std::string& sysRoot) {
  std::vector<std::uint8_t> raw = KernelTable(sysRoot);
  return raw.empty() ? IdentityTable(sysRoot) : raw;
}

}  // namespace os
