#pragma once

// The command line of diaghost: options (anywhere on the line, "--name value" or "--name=value") and the
// command words.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace diaghost {

struct Options {
  std::string componentLibrary;         // --component-library PATH; empty: the component beside the program
  std::string persistentFile;           // --persistent FILE
  bool debug = false;                   // --debug
  std::string component = "ravelbank";  // --component NAME
  std::string machine;                  // --machine FILE: the simulated machine
  std::string answersFile;              // --answers FILE: prompt answers, one a line
  bool xml = false;                     // --xml: responses as raw XML
  bool quiet = false;                   // --quiet: no event output (prompts are still shown)
  bool help = false;                    // --help, -h
  std::vector<std::string> words;       // the command and its arguments
};

// A command line or script line that cannot be used; the message says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Raises UsageError for unknown options, missing values and a
// missing command (unless --help is given).
Options ParseArguments(const std::vector<std::string>& arguments);

// The --help text.
std::string UsageText(std::string_view program);

}  // namespace diaghost
