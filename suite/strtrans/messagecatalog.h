#pragma once

// One message catalog: the translations of the component's texts into one language and the error
// codes and repair actions of the errors it knows. A catalog is a small XML file,
// catalogs/<language>/<name>.xml beside the library:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <catalog name="ravelbank" language="de">
//     <text source="Device not found">Gerät nicht gefunden</text>
//     <error message="Device not found" source="frontEnd" category="frontEnd" code="120001"
//            repairAction="Führen Sie die Geräteerkennung erneut aus."/>
//     <error message="Device not found" code="120010"/>
//   </catalog>
//
// - catalog: the root. Its name and language attributes are optional; when present they must be the
//   file's own name and language directory.
// - text: source is the text exactly as the component writes it (English); the element's text is the
//   translation, byte for byte (UTF-8, surrounding spaces kept). Both must not be empty, and a source
//   appears at most once in a catalog.
// - error: message is the error's (untranslated) message; code is exactly six decimal digits;
//   repairAction is optional. source and category are optional; when given, the error must have been
//   cross-referenced with exactly that source or category. Entries are tried in file order and the
//   first that matches wins, so specific entries go before general ones.
// The predefined entities (&amp; &lt; &gt; &quot; &apos;) are the only escapes; write other characters
// as UTF-8. Comments are allowed anywhere. Anything else makes the whole catalog unusable.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace strtrans {

class MessageCatalog {
 public:
  struct Error {
    std::string message;
    std::optional<std::string> source;
    std::optional<std::string> category;
    std::string code;
    std::optional<std::string> repairAction;
  };

  // Reads the catalog `name` of `language` from its XML document; raises std::runtime_error when the
  // document is not a usable catalog.
  static MessageCatalog Parse(std::string_view document, const std::string& name,
                              const std::string& language);

  const std::string& Name() const { return name_; }
  const std::string& Language() const { return language_; }
  // The translation of `text`; null when the catalog has none.
  const std::string* TranslationOf(std::string_view text) const;
  // The first error entry that matches; null when none does.
  const Error* ErrorEntryFor(std::string_view message, std::string_view source,
                             std::string_view category) const;

 private:
  std::string name_;
  std::string language_;
  std::map<std::string, std::string, std::less<>> texts_;
  std::vector<Error> errors_;
};

}  // namespace strtrans
