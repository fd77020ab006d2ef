// diaghost: a diagnostics host for people and scripts. Loads the storage test component, initialises it,
// shows its events, answers its prompts, sends commands and prints the responses.
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "commands.h"
#include "component.h"
#include "eventprinter.h"
#include "hostos.h"
#include "options.h"
#include "summary.h"
#include "xmldocument.h"

namespace diaghost {
namespace {

constexpr int kSuccess = 0;
constexpr int kCommandFailed = 1;
constexpr int kUsage = 2;
constexpr int kLoadFailed = 3;

void Complain(const std::string& message) {
  std::cerr << "diaghost: " << message << '\n';
}

int Complain(const std::string& message, int status) {
  Complain(message);
  return status;
}

std::vector<Command> PlanCommands(const Options& options) {
  if (options.words.front() != "script") return {BuildCommand(options.words, options.component)};
  if (options.words.size() != 2) throw UsageError("usage: script FILE");
  std::ifstream script(options.words[1]);
  if (!script) throw UsageError("cannot read the script " + options.words[1]);
  return ReadScript(script, options.words[1], options.component);
}

std::deque<std::string> ReadAnswers(const std::string& file) {
  std::deque<std::string> answers;
  if (file.empty()) return answers;
  std::ifstream in(file);
  if (!in) throw UsageError("cannot read the answers file " + file);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    answers.push_back(line);
  }
  return answers;
}

// The options document of Initialize and Uninitialize.
std::string OptionsDocument(const Options& options) {
  std::string document = "<options component=\"" + EscapeXml(options.component, true) + '"';
  if (!options.persistentFile.empty()) {
    document += " persistentFilename=\"" + EscapeXml(options.persistentFile, true) + '"';
  }
  if (options.debug) document += " debugEnabled=\"1\"";
  return document + "/>";
}

class Session {
 public:
  Session(const ComponentExports& component, const Options& options, EventPrinter& printer)
      : component_(component), options_(options), printer_(printer) {}

  // Initialises the component and registers the callback; false (with a message) when it cannot be used.
  bool Start() {
    component_.initialize(OptionsDocument(options_).c_str());
    started_ = true;
    if (!component_.isInitialized()) {
      Complain("the component did not initialise (run with --debug to see its trace)");
      return false;
    }
    EventPrinter::Install(&printer_);
    const std::optional<std::string> answer = TakeDocument(component_.setCallback(&EventPrinter::Callback));
    try {
      const XmlNode document = ParseXml(answer.value_or(""));
      if (document.Is("diagOutput") && document.Attribute("status") != "") return true;
      Complain("registering the event callback failed: " + FailureLine(document));
    } catch (const XmlSyntaxError&) {
      Complain("registering the event callback failed: " + answer.value_or("(no answer)"));
    }
    return false;
  }

  // Uninitialises the component with the same options, so that it writes its persistent file.
  void Stop() {
    if (!started_) return;
    component_.uninitialize(OptionsDocument(options_).c_str());
    printer_.EndProgress();
    started_ = false;
  }

  // Runs one command, prints its response; false when it failed.
  bool Run(const Command& command, bool heading) {
    if (heading && !options_.xml) std::cout << "> " << command.source << '\n' << std::flush;
    if (command.kind == Command::Kind::kEnvironment) {
      for (const ComponentExports::Question& question : component_.environment) {
        std::cout << question.name << std::string(20 - std::string(question.name).size(), ' ')
                  << question.ask() << '\n';
      }
      std::cout << std::flush;
      return true;
    }
    const std::optional<std::string> response =
        TakeDocument(component_.executeXmlCommand(command.document.c_str()));
    printer_.EndProgress();
    if (!response) {
      Complain("no response to " + command.source);
      return false;
    }
    if (response->empty()) {
      if (!options_.xml) std::cout << "(no response document)\n" << std::flush;
      return true;
    }
    std::optional<XmlNode> document;
    try {
      document = ParseXml(*response);
    } catch (const XmlSyntaxError& error) {
      std::cout << *response << (response->back() == '\n' ? "" : "\n") << std::flush;
      Complain("the response to " + command.source + " is not usable: " + error.what());
      return false;
    }
    if (options_.xml) {
      std::cout << *response << (response->back() == '\n' ? "" : "\n");
    } else {
      std::cout << Summarize(*document);
    }
    std::cout << std::flush;
    if (!IsFailure(*document)) return true;
    Complain(FailureLine(*document));
    return false;
  }

 private:
  const ComponentExports& component_;
  const Options& options_;
  EventPrinter& printer_;
  bool started_ = false;
};

int Main(const std::vector<std::string>& arguments) {
  Options options;
  std::vector<Command> commands;
  std::deque<std::string> answers;
  try {
    options = ParseArguments(arguments);
    if (options.help) {
      std::cout << UsageText("diaghost");
      return kSuccess;
    }
    commands = PlanCommands(options);
    answers = ReadAnswers(options.answersFile);
  } catch (const UsageError& error) {
    return Complain(std::string(error.what()) + " (see diaghost --help)", kUsage);
  }

  if (!options.machine.empty()) {
    std::error_code failed;
    const std::filesystem::path machine = std::filesystem::absolute(options.machine, failed);
    if (failed || !std::filesystem::is_regular_file(machine, failed)) {
      return Complain("no machine description " + options.machine, kUsage);
    }
    // Read by the component when it first needs the machine, so it must be set before loading it.
    if (!SetEnvironment("RAVELBANK_MACHINE", machine.string())) {
      return Complain("cannot set RAVELBANK_MACHINE", kLoadFailed);
    }
  }

  const std::string library = options.componentLibrary.empty() ? ExecutableDirectory() + kComponentFileName
                                                               : options.componentLibrary;
  std::string error;
  const std::optional<ComponentExports> component = LoadComponent(library, error);
  if (!component) return Complain("cannot load the component " + library + ": " + error, kLoadFailed);

  EventPrinter::Settings settings;
  settings.progressBar = IsTerminal(stderr);
  settings.quiet = options.quiet;
  settings.answers = std::move(answers);
  settings.answersName = options.answersFile;
  EventPrinter printer(std::cerr, std::cin, std::move(settings));

  Session session(*component, options, printer);
  int status = kSuccess;
  if (session.Start()) {
    const bool heading = commands.size() > 1 || options.words.front() == "script";
    for (const Command& command : commands) {
      if (!session.Run(command, heading)) status = kCommandFailed;
    }
  } else {
    status = kCommandFailed;
  }
  session.Stop();
  return status;
}

}  // namespace
}  // namespace diaghost

int main(int argc, char** argv) {
  try {
    return diaghost::Main(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::cerr << "diaghost: " << error.what() << '\n';
    return 1;
  }
}
