#include "eventprinter.h"

#include <atomic>
#include <cstring>
#include <string>

#include "xmldocument.h"

namespace diaghost {
namespace {

std::atomic<EventPrinter*> installedPrinter{nullptr};

constexpr std::size_t kBarCells = 30;
constexpr std::size_t kMaxCaption = 60;

int Percent(const XmlNode& update) {
  const std::string text = update.Attribute("percentComplete");
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
    if (value > 100) return 100;
  }
  return text.empty() ? -1 : value;
}

std::string Shorten(std::string text, std::size_t most) {
  if (text.size() > most) text = text.substr(0, most - 3) + "...";
  return text;
}

// "disk0 accessTest" or what of it the update names.
std::string Subject(const XmlNode& node) {
  std::string subject = node.Attribute("device");
  const std::string test = node.Attribute("test");
  if (!test.empty()) subject += (subject.empty() ? "" : " ") + test;
  return subject;
}

}  // namespace

std::string PromptReply(const std::string& answer) {
  return "<promptAnswer value=\"" + EscapeXml(answer, true) + "\"/>";
}

EventPrinter::EventPrinter(std::ostream& output, std::istream& input, Settings settings)
    : output_(output), input_(input), settings_(std::move(settings)) {}

void EventPrinter::Install(EventPrinter* printer) {
  installedPrinter.store(printer);
}

char* RAVELBANK_HOST_CALL EventPrinter::Callback(const char* document) {
  EventPrinter* printer = installedPrinter.load();
  if (printer == nullptr || document == nullptr) return nullptr;
  try {
    const std::optional<std::string> answer = printer->Handle(document);
    if (!answer) return nullptr;
    char* block = static_cast<char*>(OruAlloc(answer->size() + 1));
    if (block != nullptr) std::memcpy(block, answer->c_str(), answer->size() + 1);
    return block;
  } catch (...) {
    return nullptr;  // nothing may escape into the component
  }
}

void EventPrinter::PrintLine(const std::string& line) {
  if (barShown_) {
    output_ << '\n';
    barShown_ = false;
    barWidth_ = 0;
  }
  output_ << line << '\n';
  output_.flush();
}

void EventPrinter::EndProgress() {
  std::lock_guard lock(printMutex_);
  if (barShown_) {
    output_ << '\n';
    output_.flush();
    barShown_ = false;
    barWidth_ = 0;
  }
  lastProgress_.clear();
}

void EventPrinter::ShowEvent(const std::string& caption, const std::string& description) {
  std::lock_guard lock(printMutex_);
  PrintLine("* " + caption + (description.empty() ? "" : ": " + description));
}

void EventPrinter::ShowProgress(const XmlNode& update) {
  const int percent = Percent(update);
  std::string state = update.Attribute("currentState");
  const std::string caption = Shorten(update.Attribute("OperationCaption"), kMaxCaption);
  std::string about = Subject(update);
  if (!state.empty()) about += (about.empty() ? "" : " ") + state;
  if (!caption.empty()) about += (about.empty() ? "" : ": ") + caption;
  const std::string figure = percent < 0 ? "  ?%"
                                         : std::string(percent < 10    ? "  "
                                                       : percent < 100 ? " "
                                                                       : "") +
                                               std::to_string(percent) + "%";

  std::lock_guard lock(printMutex_);
  if (!settings_.progressBar) {
    const std::string line = "progress " + figure + "  " + about;
    if (line != lastProgress_) {
      PrintLine(line);
      lastProgress_ = line;
    }
    return;
  }
  const std::size_t filled = percent < 0 ? 0 : kBarCells * static_cast<std::size_t>(percent) / 100;
  std::string bar(1, '[');
  bar.append(filled, '#')
      .append(kBarCells - filled, '.')
      .append("] ")
      .append(figure)
      .append("  ")
      .append(about);
  const std::size_t width = bar.size();
  if (width < barWidth_) bar.append(barWidth_ - width, ' ');
  output_ << '\r' << bar;
  output_.flush();
  barWidth_ = width;
  barShown_ = true;
}

std::string EventPrinter::Answer(const XmlNode& prompt) {
  std::lock_guard answering(answerMutex_);
  {
    std::lock_guard lock(printMutex_);
    const std::string title = prompt.Attribute("titleCaption");
    if (title.find_first_not_of(' ') != std::string::npos) PrintLine("? " + title);
    const std::string subject = Subject(prompt);
    PrintLine("? " + (subject.empty() ? "" : subject + ": ") + prompt.text);
    std::string choices;
    for (const XmlNode* option : prompt.Children("option")) {
      const std::string hotkey = option->Attribute("hotkey");
      choices += (choices.empty() ? "" : " | ") + (hotkey.empty() ? "" : "[" + hotkey + "] ") +
                 option->Attribute("caption");
    }
    if (!choices.empty()) PrintLine("  options: " + choices);
    if (!settings_.answers.empty()) {
      const std::string answer = settings_.answers.front();
      settings_.answers.pop_front();
      PrintLine("answer> " + answer + " (from " + settings_.answersName + ")");
      return answer;
    }
    output_ << "answer> ";
    output_.flush();
  }
  // Read without the print lock, so that other threads' events still show while the operator types.
  std::string answer;
  const bool read = static_cast<bool>(std::getline(input_, answer));
  if (!answer.empty() && answer.back() == '\r') answer.pop_back();
  std::lock_guard lock(printMutex_);
  if (!read) PrintLine("(end of input: empty answer)");
  return answer;
}

std::optional<std::string> EventPrinter::Handle(std::string_view document) {
  XmlNode event;
  try {
    event = ParseXml(document);
  } catch (const XmlSyntaxError& error) {
    if (!settings_.quiet) {
      std::lock_guard lock(printMutex_);
      PrintLine("* unreadable event (" + std::string(error.what()) + "): " + std::string(document));
    }
    return std::nullopt;
  }
  if (event.Is("diagPrompt")) return PromptReply(Answer(event));
  if (settings_.quiet) return std::nullopt;
  if (event.Is("diagEvent")) {
    ShowEvent(event.Attribute("caption"), event.Attribute("description"));
  } else if (event.Is("diagUpdate")) {
    ShowProgress(event);
  } else {
    std::string text = PrettyXml(event);
    text.pop_back();
    std::lock_guard lock(printMutex_);
    PrintLine(text);
  }
  return std::nullopt;
}

}  // namespace diaghost
