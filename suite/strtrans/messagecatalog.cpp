#include "messagecatalog.h"

#include <algorithm>
#include <stdexcept>

#include "support/xmlobject.h"

namespace strtrans {
namespace {

[[noreturn]] void Refuse(const std::string& why) {
  throw std::runtime_error("catalog: " + why);
}

std::optional<std::string> OptionalAttribute(const rb::XmlObject& element, std::string_view name) {
  const rb::XmlAttribute* attribute = element.FindAttribute(name);
  if (attribute == nullptr) return std::nullopt;
  return attribute->value;
}

std::string RequiredAttribute(const rb::XmlObject& element, std::string_view name) {
  std::optional<std::string> value = OptionalAttribute(element, name);
  if (!value || value->empty()) Refuse(element.Name() + " without " + std::string(name));
  return *value;
}

bool IsErrorCode(const std::string& code) {
  return code.size() == 6 &&
         std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

MessageCatalog MessageCatalog::Parse(std::string_view document, const std::string& name,
                                     const std::string& language) {
  const rb::XmlObject root(document);
  if (root.Name() != "catalog") Refuse("the root element is not a catalog");
  for (const char* attribute : {"name", "language"}) {
    const std::optional<std::string> value = OptionalAttribute(root, attribute);
    const std::string& expected = attribute == std::string_view("name") ? name : language;
    if (value && *value != expected) Refuse(std::string(attribute) + " " + *value + " is not " + expected);
  }

  MessageCatalog catalog;
  catalog.name_ = name;
  catalog.language_ = language;
  for (const rb::XmlObject& entry : root.Children()) {
    if (entry.Name() == "text") {
      std::string source = RequiredAttribute(entry, "source");
      if (entry.Text().empty()) Refuse("no translation of " + source);
      if (!catalog.texts_.emplace(source, entry.Text()).second) Refuse("a second translation of " + source);
    } else if (entry.Name() == "error") {
      Error error{RequiredAttribute(entry, "message"), OptionalAttribute(entry, "source"),
                  OptionalAttribute(entry, "category"), RequiredAttribute(entry, "code"),
                  OptionalAttribute(entry, "repairAction")};
      if (!IsErrorCode(error.code)) Refuse("the code " + error.code + " is not six digits");
      catalog.errors_.push_back(std::move(error));
    } else {
      Refuse("unknown element " + entry.Name());
    }
  }
  return catalog;
}

const std::string* MessageCatalog::TranslationOf(std::string_view text) const {
  const auto it = texts_.find(text);
  return it == texts_.end() ? nullptr : &it->second;
}

const MessageCatalog::Error* MessageCatalog::ErrorEntryFor(std::string_view message, std::string_view source,
                                                           std::string_view category) const {
  for (const Error& error : errors_) {
    if (error.message != message) continue;
    if (error.source && *error.source != source) continue;
    if (error.category && *error.category != category) continue;
    return &error;
  }
  return nullptr;
}

}  // namespace strtrans
