#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/xmlobject.h"

namespace rb {

// One question to the operator: the context the host shows with it (test, device, loop, record
// number), the answer choices, and the diagPrompt document built from them. The host's callback blocks
// until the operator answers and returns <… value="answer"/>.
class Prompt {
 public:
  // The rows of the super-LED image table, one per choice the host can show with a picture.
  static constexpr std::size_t kImageRows = 12;

  Prompt() = default;
  Prompt(const Prompt&) = default;
  Prompt& operator=(const Prompt&) = default;
  virtual ~Prompt() = default;

  // Sends an event to the host; raises "Event callback not registered!" without a callback.
  virtual void Notify(const std::string& caption, const std::string& description);
  // Hands the document to the host and answers its reply; the empty text when there is no component.
  virtual std::string Ask(const std::string& document);

  // Poses the question: stores the options, announces it ("Test Prompts User"), asks and answers the
  // value attribute of the reply (empty when the reply has none).
  std::string Pose(const std::string& message, const std::vector<std::string>& options, const std::string& type,
                   const std::string& width, const std::string& height);
  // <diagPrompt test= device= type= width= height= loop= recordNum= [titleCaption=]>message<option …/>…
  // In super-LED mode each option also gets the hotkey and image of its row, and at most twelve are
  // offered.
  XmlObject Document(const std::string& message, const std::string& type, const std::string& width,
                     const std::string& height) const;

  // The captions of the image table's rows, in order (the Document translates them).
  static std::vector<std::string> ImageCaptions();

  void SetOptions(std::vector<std::string> options) { options_ = std::move(options); }
  const std::vector<std::string>& Options() const { return options_; }

  std::string testName;
  std::string deviceName = "no device name";
  std::string testCaption;
  std::string deviceCaption = "no device caption";
  std::uint32_t loop = 0;
  std::uint32_t recordNum = 0;
  bool superLedMode = false;
  bool blankTitle = false;

 private:
  std::vector<std::string> options_;
};

}  // namespace rb
