#pragma once

// The commands of diaghost: words turned into the component's command documents, and scripts of them.

#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace diaghost {

struct Command {
  enum class Kind {
    kDocument,     // send `document` with ExecuteXMLCommand
    kEnvironment,  // ask the run-environment exports
  };
  Kind kind = Kind::kDocument;
  std::string document;
  std::string source;  // the command as the user wrote it
};

// The command for `words` (the command word first; not "script"). Attributes are escaped; the component
// name goes into every document. Raises UsageError for unknown commands and wrong arguments.
Command BuildCommand(const std::vector<std::string>& words, const std::string& component);

// Splits a script line into words at blanks and tabs; double or single quotes group a word (without the
// quotes). Raises UsageError for an unterminated quote.
std::vector<std::string> SplitWords(std::string_view line);

// The commands of a script, one a line: a line starting with '<' is a command document sent as written,
// any other line is words as on the command line. Blank lines and lines starting with '#' are skipped.
// Raises UsageError naming `name` and the line.
std::vector<Command> ReadScript(std::istream& in, const std::string& name, const std::string& component);

}  // namespace diaghost
