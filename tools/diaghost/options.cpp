#include "options.h"

namespace diaghost {
namespace {

struct ValueOption {
  std::string_view name;
  std::string Options::*field;
};

constexpr ValueOption kValueOptions[] = {
    {"--component-library", &Options::componentLibrary},
    {"--persistent", &Options::persistentFile},
    {"--component", &Options::component},
    {"--machine", &Options::machine},
    {"--answers", &Options::answersFile},
};

struct SwitchOption {
  std::string_view name;
  bool Options::*field;
};

constexpr SwitchOption kSwitches[] = {
    {"--debug", &Options::debug}, {"--xml", &Options::xml}, {"--quiet", &Options::quiet},
    {"--help", &Options::help},   {"-h", &Options::help},
};

}  // namespace

Options ParseArguments(const std::vector<std::string>& arguments) {
  Options options;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      options.words.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string_view name = std::string_view(argument).substr(0, equals);
    bool known = false;
    for (const SwitchOption& option : kSwitches) {
      if (name != option.name) continue;
      if (equals != std::string::npos) throw UsageError(std::string(name) + " takes no value");
      options.*option.field = true;
      known = true;
    }
    for (const ValueOption& option : kValueOptions) {
      if (name != option.name) continue;
      if (equals != std::string::npos) {
        options.*option.field = argument.substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        options.*option.field = arguments[++i];
      } else {
        throw UsageError(std::string(name) + " needs a value");
      }
      known = true;
    }
    if (!known) throw UsageError("unknown option " + std::string(name));
  }
  if (options.component.empty()) throw UsageError("--component needs a non-empty name");
  if (!options.help && options.words.empty()) throw UsageError("no command given");
  return options;
}

std::string UsageText(std::string_view program) {
  std::string text = "usage: " + std::string(program) + " [options] COMMAND [ARGUMENTS]\n";
  text += R"(
Loads the storage test component, initialises it, runs one command (or a script of commands in one
session), prints the events it sends and its response, and uninitialises it.

Commands:
  id                             device discovery
  catalog                        the kinds of device the component can test, with their tests
  version                        the diagnostics version
  run DEVICE TEST [NAME=VALUE]   run a test; NAME=VALUE pairs are the test's parameters and run
                                 attributes (loop, recordNum, retries, ...)
  cancel DEVICE TEST             cancel a test
  diagnose DEVICE                run the device's diagnosis
  action DEVICE [NAME=VALUE]     a device action
  send XML                       send a command document as written, e.g. '<getDiagVersion/>'
  env                            the component's answers about the run environment
  script FILE                    one command per line (words as above, or an XML document); blank
                                 lines and lines starting with # are skipped

Options:
  --component-library PATH   the component to load (default: the one beside this program)
  --machine FILE             run on the simulated machine described in FILE
  --persistent FILE          the component's persistent state file (read at start, written at end)
  --component NAME           the component name given to the component (default: ravelbank)
  --debug                    turn on the component's trace
  --answers FILE             answer prompts from FILE, one line per prompt, then from the terminal
  --xml                      print responses as XML instead of summaries
  --quiet                    do not print events (prompts are still shown)
  -h, --help                 this text

Responses go to standard output; events, prompts and errors to standard error. Prompt answers are
sent as typed.

Exit status: 0 when every command succeeded; 1 when a command failed (an error response, or a test or
diagnosis whose state is "failed"); 2 for a usage error; 3 when the component cannot be loaded.
)";
  return text;
}

}  // namespace diaghost
