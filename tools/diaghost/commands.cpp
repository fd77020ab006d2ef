#include "commands.h"

#include <utility>

#include "options.h"
#include "xmldocument.h"

namespace diaghost {
namespace {

bool IsNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsXmlName(std::string_view name) {
  if (name.empty() || !IsNameStart(name[0])) return false;
  for (char c : name) {
    if (!IsNameStart(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.' && c != ':') return false;
  }
  return true;
}

class DocumentBuilder {
 public:
  explicit DocumentBuilder(const std::string& element) : document_(1, '<') { document_ += element; }
  DocumentBuilder& Set(const std::string& name, const std::string& value) {
    document_ += ' ' + name + "=\"" + EscapeXml(value, true) + '"';
    return *this;
  }
  std::string Done() const { return document_ + "/>"; }

 private:
  std::string document_;
};

// NAME=VALUE arguments from `first` on; the names the command sets itself cannot be given again.
void AddPairs(DocumentBuilder& builder, const std::vector<std::string>& words, std::size_t first) {
  for (std::size_t i = first; i < words.size(); ++i) {
    const std::size_t equals = words[i].find('=');
    const std::string name = words[i].substr(0, equals);
    if (equals == std::string::npos || !IsXmlName(name)) {
      throw UsageError("'" + words[i] + "' is not NAME=VALUE");
    }
    if (name == "device" || name == "test" || name == "component") {
      throw UsageError("'" + name + "' is set by the command itself");
    }
    builder.Set(name, words[i].substr(equals + 1));
  }
}

void ExpectCount(const std::vector<std::string>& words, std::size_t least, std::size_t most,
                 std::string_view usage) {
  if (words.size() < least || words.size() > most) throw UsageError("usage: " + std::string(usage));
}

}  // namespace

Command BuildCommand(const std::vector<std::string>& words, const std::string& component) {
  if (words.empty()) throw UsageError("no command given");
  Command command;
  for (const std::string& word : words) {
    if (!command.source.empty()) command.source += ' ';
    command.source += word;
  }
  const std::string& verb = words[0];
  constexpr std::size_t kAny = static_cast<std::size_t>(-1);
  if (verb == "id" || verb == "catalog" || verb == "version") {
    ExpectCount(words, 1, 1, verb);
    command.document =
        DocumentBuilder(verb == "version" ? "getDiagVersion" : verb).Set("component", component).Done();
  } else if (verb == "run" || verb == "cancel") {
    const bool run = verb == "run";
    ExpectCount(words, 3, run ? kAny : 3, run ? "run DEVICE TEST [NAME=VALUE ...]" : "cancel DEVICE TEST");
    DocumentBuilder builder(run ? "runTest" : "cancelTest");
    builder.Set("device", words[1]).Set("test", words[2]).Set("component", component);
    AddPairs(builder, words, 3);
    command.document = builder.Done();
  } else if (verb == "diagnose") {
    ExpectCount(words, 2, 2, "diagnose DEVICE");
    command.document =
        DocumentBuilder("runDiagnosis").Set("device", words[1]).Set("component", component).Done();
  } else if (verb == "action") {
    ExpectCount(words, 2, kAny, "action DEVICE [NAME=VALUE ...]");
    DocumentBuilder builder("deviceAction");
    builder.Set("device", words[1]).Set("component", component);
    AddPairs(builder, words, 2);
    command.document = builder.Done();
  } else if (verb == "send") {
    ExpectCount(words, 2, 2, "send XML");
    command.document = words[1];
  } else if (verb == "env") {
    ExpectCount(words, 1, 1, "env");
    command.kind = Command::Kind::kEnvironment;
  } else if (verb == "script") {
    throw UsageError("a script cannot run another script");
  } else {
    throw UsageError("unknown command '" + verb + "'");
  }
  return command;
}

std::vector<std::string> SplitWords(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else if (c == '"' || c == '\'') {
      const std::size_t close = line.find(c, i + 1);
      if (close == std::string_view::npos) throw UsageError("unterminated quote");
      word.append(line.substr(i + 1, close - i - 1));
      inWord = true;
      i = close;
    } else {
      word.push_back(c);
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::vector<Command> ReadScript(std::istream& in, const std::string& name, const std::string& component) {
  std::vector<Command> commands;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    try {
      if (line[start] == '<') {
        Command command;
        command.document = line.substr(start);
        command.source = command.document;
        commands.push_back(std::move(command));
      } else {
        commands.push_back(BuildCommand(SplitWords(line), component));
      }
    } catch (const UsageError& error) {
      throw UsageError(name + ":" + std::to_string(number) + ": " + error.what());
    }
  }
  return commands;
}

}  // namespace diaghost
