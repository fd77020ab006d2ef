#include "devices/enumeration/wmiclass.h"

#include "platform/os.h"

namespace rb {

std::vector<os::WmiRow> WmiClass::Query(const std::string& query) {
  std::vector<os::WmiRow> rows;
  if (!os::Current().WmiQuery(kNamespace, query, &rows)) rows.clear();
  return rows;
}

std::string WmiClass::Escape(const std::string& value) {
  std::string escaped;
  for (char c : value) {
    if (c == '\\' || c == '"') escaped.push_back('\\');
    escaped.push_back(c);
  }
  return escaped;
}

}  // namespace rb
