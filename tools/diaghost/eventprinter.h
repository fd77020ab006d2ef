#pragma once

// Shows the component's events to the operator and answers its prompts.
//
// The component calls back with diagEvent documents (caption and description), diagUpdate status
// documents (progress of a test or diagnosis), diagPrompt documents (a question, answered by the
// callback's return value) and possibly others. Callbacks may arrive from several threads at once: all
// output is serialised, and prompts are answered one at a time in the order they take the answer lock.

#include <deque>
#include <istream>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "ravelbank/host.h"

namespace diaghost {

struct XmlNode;

class EventPrinter {
 public:
  struct Settings {
    bool progressBar = false;         // redraw one progress line (a terminal) instead of printing lines
    bool quiet = false;               // print prompts only
    std::deque<std::string> answers;  // prompt answers to use before reading `input`
    std::string answersName;          // where they came from, for the echo
  };

  // Writes to `output`, reads answers from `input` once the scripted answers are used up.
  EventPrinter(std::ostream& output, std::istream& input, Settings settings);

  // Handles one event document and answers the text to return to the component, if any.
  std::optional<std::string> Handle(std::string_view document);

  // Ends a progress line left on the terminal, so that other output starts on a line of its own.
  void EndProgress();

  // The callback to register with SetCallback: hands each document to the installed printer and returns
  // its answer in a block of the host allocator (the component frees it). Never throws.
  static char* RAVELBANK_HOST_CALL Callback(const char* document);
  static void Install(EventPrinter* printer);

 private:
  void PrintLine(const std::string& line);  // with printMutex_ held
  void ShowEvent(const std::string& caption, const std::string& description);
  void ShowProgress(const XmlNode& update);
  std::string Answer(const XmlNode& prompt);

  std::ostream& output_;
  std::istream& input_;
  Settings settings_;

  std::mutex printMutex_;
  bool barShown_ = false;     // a progress line waits for its line feed
  std::size_t barWidth_ = 0;  // characters of that line, to blank a longer one
  std::string lastProgress_;  // the last progress line printed without the bar

  std::mutex answerMutex_;  // taken before printMutex_ when both are needed
};

// The reply document that carries a prompt's answer.
std::string PromptReply(const std::string& answer);

}  // namespace diaghost
