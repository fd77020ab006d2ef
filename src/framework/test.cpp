#include "framework/test.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "component/componentinstance.h"
#include "framework/concurrentprompt.h"
#include "framework/device.h"
#include "framework/ptstream.h"
#include "platform/os.h"
#include "support/affinity.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "support/timeformat.h"

namespace rb {
namespace {

std::uint32_t DecimalAttribute(const XmlObject& command, const char* name) {
  return static_cast<std::uint32_t>(std::strtoul(command.GetAttribute(name, "0").c_str(), nullptr, 10));
}

// The retries of a run: the attribute's number when it starts with a digit, otherwise 1.
std::int32_t RetriesOf(const XmlObject& command) {
  const std::string text = command.GetAttribute("retries", "");
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return 1;
  // A number too large for the field means as many retries as it can hold, not a wrapped negative.
  const unsigned long long retries = std::strtoull(text.c_str(), nullptr, 10);
  return static_cast<std::int32_t>(std::min<unsigned long long>(retries, INT32_MAX));
}

const char* Flag(bool on) { return on ? "1" : "0"; }

// Clears the device's busy flag when the run leaves, however it leaves.
class BusyClaim {
 public:
  explicit BusyClaim(Device* device) : device_(device) {}
  BusyClaim(const BusyClaim&) = delete;
  BusyClaim& operator=(const BusyClaim&) = delete;
  ~BusyClaim() {
    if (device_ != nullptr) device_->SetBusy(false);
  }

 private:
  Device* device_;
};

// Ends an attempt however it ends: notes the processor it ran on and lets the process run on all
// processors again, so that a body that pinned itself to one does not leave the pin behind.
class AttemptEnd {
 public:
  explicit AttemptEnd(std::int32_t& cpu) : cpu_(cpu) {}
  AttemptEnd(const AttemptEnd&) = delete;
  AttemptEnd& operator=(const AttemptEnd&) = delete;
  ~AttemptEnd() {
    cpu_ = static_cast<std::int32_t>(dvmGetCurrentCPU());
    DebugPrint("current test running on CPU %d\n", cpu_);
    dvmSetTaskAffinity(dvmGetCpuAvailMask());
  }

 private:
  std::int32_t& cpu_;
};

}  // namespace

Test::Test() : status_(std::make_shared<TestStatus>()) {}

Test::Test(std::string name, std::string caption, std::string description) : Test() {
  name_ = std::move(name);
  caption_ = std::move(caption);
  description_ = std::move(description);
}

// A concurrent prompt still waiting for the operator keeps itself and what it uses alive.
Test::~Test() = default;

void Test::Stream(ptstream& stream, bool, std::int32_t) {
  stream.Transfer(name_);
}

void Test::Assign(const Persistent& other) {
  const auto& from = dynamic_cast<const Test&>(other);
  name_ = from.name_;
  caption_ = from.caption_;
  description_ = from.description_;
  capabilities_ = from.capabilities_;
  disableUiTime_ = from.disableUiTime_;
  unavailableReason_ = from.unavailableReason_;
  blankTitle_ = from.blankTitle_;
  parameters_.Assign(from.parameters_);
}

bool Test::IsDeviceBusy() const {
  return device_ != nullptr && device_->Busy();
}

void Test::Prepare(const XmlObject&) {}
void Test::Finish(const XmlObject&) {}

XmlObject Test::Describe() const {
  XmlObject element;
  element.SetName("test");
  element.SetAttribute("name", name_);
  element.SetAttribute("caption", caption_);
  element.SetAttribute("description", description_);
  const TestCapabilities& c = capabilities_;
  const std::pair<const char*, bool> flags[] = {
      {"interactive", c.interactive}, {"requiresMedia", c.requiresMedia}, {"requiresEquipment", c.requiresEquipment},
      {"quick", c.quick},             {"complete", c.complete},           {"requiresWindow", c.requiresWindow},
      {"localOnly", c.localOnly},     {"singleThread", c.singleThread},   {"destructive", c.destructive},
      {"romTest", c.romTest},         {"fieldtest", c.fieldtest}};
  for (const auto& [attribute, on] : flags) element.SetAttribute(attribute, Flag(on));
  if (c.runMeNow) element.SetAttribute("runMeNow", "1");
  if (disableUiTime_ > 0) element.SetAttribute("disableUITime", std::to_string(disableUiTime_));
  if (!unavailableReason_.empty()) element.SetAttribute("unavailable", unavailableReason_);
  if (!c.romTest) {
    XmlObject retries;
    retries.SetName("parameter");
    retries.SetAttribute("name", "retries");
    retries.SetAttribute("caption", Translate("Retries"));
    retries.SetAttribute("description", Translate("Number of retries if test fails"));
    retries.SetAttribute("type", "int");
    retries.SetAttribute("min", "0");
    retries.SetAttribute("max", "5");
    retries.SetAttribute("defaultValue", "1");
    element.AddChild(std::move(retries));
  }
  element.AddChild(parameters_.Describe());
  return element;
}

XmlObject Test::Run(const XmlObject& received) {
  XmlObject command = received;
  status_->SetOperationCaption("");
  superLedMode_ = false;
  if (const XmlAttribute* superLed = command.FindAttribute("superLedTest"))
    superLedMode_ = superLed->value != "0";
  error_ = XmlObject();
  if (device_ == nullptr) throw OruError("Device not found", name_);

  // A test that locks the device claims it in one step, so that two of them never both run.
  const bool blocked = IsDeviceBusy() || (LocksDevice() && !device_->ClaimBusy());
  if (blocked) {
    startTime_ = os::Current().GetTickCount64();
    status_->SetState("blocked");
    SetProgress(0, 100);
    RewindOutput();
    return ResultDocument();
  }
  BusyClaim claim(LocksDevice() ? device_ : nullptr);

  loop_.store(DecimalAttribute(command, "loop"));
  recordNum_.store(DecimalAttribute(command, "recordNum"));
  canceled_.store(false);
  status_->SetState("running");
  SetProgress(0, 100);
  retries_ = RetriesOf(command);

  startTime_ = os::Current().GetTickCount64();
  Prepare(command);
  Setup();
  parameters_.SetValues(command);

  bool passed = false;
  for (std::int64_t attempt = 0; attempt <= retries_ && !passed; ++attempt) {
    currentTry_ = static_cast<std::int32_t>(attempt + 1);
    command.SetAttribute("currentTry", std::to_string(currentTry_));
    RewindOutput();
    if (CancelRequested()) break;
    try {
      const AttemptEnd end(cpu_);
      passed = Execute(command);
    } catch (const OruError&) {
      if (attempt == retries_) throw;
    }
  }
  Finish(command);

  if (CancelRequested()) {
    status_->SetState("canceled");
    return ResultDocument();
  }
  status_->SetState(passed ? "passed" : "failed");
  SetProgress(100, 100);
  XmlObject result = ResultDocument();
  if (!passed && result.SelectSingleNode("error") == nullptr)
    result.AddChild(OruError("Missing Error Description", "").ToXml());
  return result;
}

void Test::SetProgress(std::uint32_t done, std::uint32_t total) {
  status_->SetPercentComplete(total == 0 ? 100 : static_cast<std::int32_t>(done * 100u / total));
  SendStatus();
}

void Test::SetOperationCaption(std::string text) {
  status_->SetOperationCaption(std::move(text));
  SendStatus();
}

void Test::SendStatus() {
  if (ComponentInstance() != nullptr) InvokeCallback(StatusDocument("diagUpdate").ToString());
}

void Test::SetError(const OruError& error) {
  error_ = error.ToXml();
  std::string text;
  if (device_ != nullptr && !device_->Description().empty()) text = device_->Description() + ", ";
  if (!error_.Text().empty()) text += error_.Text() + ", ";
  text += Translate("Ran on CPU ") + std::to_string(cpu_);
  error_.SetText(text);
}

XmlObject Test::InternalError(const std::string& text) {
  const std::string where = device_ != nullptr ? device_->Name() + ", " : std::string();
  OruError error("Lucerna Diagnostics internal error", where + name_ + ", " + text);
  OruErrorCrossRef(error, "frontEnd", "frontEnd");
  SetError(error);
  status_->SetState("failed");
  return ComposeResult();
}

XmlObject Test::StatusDocument(const char* elementName) const {
  XmlObject document;
  document.SetName(elementName);
  if (device_ != nullptr) document.SetAttribute("device", device_->Name());
  document.SetAttribute("test", name_);
  document.SetAttribute("percentComplete", std::to_string(status_->PercentComplete()));
  document.SetAttribute("currentState", status_->State());
  document.SetAttribute("loop", std::to_string(loop_.load()));
  document.SetAttribute("recordNum", std::to_string(recordNum_.load()));
  document.SetAttribute("OperationCaption", status_->OperationCaption());
  return document;
}

XmlObject Test::ResultDocument() {
  XmlObject result = ComposeResult();
  RewindOutput();
  return result;
}

XmlObject Test::ComposeResult() const {
  XmlObject result = StatusDocument("testResult");
  XmlObject output;
  output.SetName("output");
  output.SetText(output_.str());
  result.AddChild(std::move(output));
  const std::uint64_t elapsed = os::Current().GetTickCount64() - startTime_;
  result.SetAttribute("testTime", FormatDuration(static_cast<std::uint32_t>(elapsed / 1000)));
  if (error_.Name() == "error") result.AddChild(error_);
  return result;
}

// Rewinding starts the next attempt's text afresh: nothing of a longer, earlier attempt remains.
void Test::RewindOutput() {
  output_.str(std::string());
  output_.clear();
}

rb::Prompt Test::PrepareQuestion(std::string& message) const {
  if (!capabilities_.interactive) throw OruError("Invalid Prompt: test is not interactive", name_);
  if (currentTry_ >= 2) message += StringPrintf(" (%s #%d)", Translate("try").c_str(), currentTry_);
  rb::Prompt p;
  p.testName = name_;
  p.testCaption = caption_.empty() ? name_ : caption_;
  p.deviceName = device_ != nullptr ? device_->Name() : "no device name";
  p.deviceCaption = device_ != nullptr ? device_->Caption() : "no device caption";
  p.loop = loop_.load();
  p.recordNum = recordNum_.load();
  p.superLedMode = superLedMode_;
  p.blankTitle = blankTitle_;
  return p;
}

std::string Test::Prompt(const std::string& message, const std::vector<std::string>& options,
                         const std::string& type, const std::string& width, const std::string& height) {
  std::string text = message;
  rb::Prompt question = PrepareQuestion(text);
  const TestStatus::PromptWait waiting(*status_);
  return question.Pose(text, options, type, width, height);
}

std::shared_ptr<ConcurrentPrompt> Test::StartConcurrentPrompt(const std::string& message,
                                                              const std::vector<std::string>& options,
                                                              const std::string& type, const std::string& width,
                                                              const std::string& height) {
  std::string text = message;
  rb::Prompt question = PrepareQuestion(text);
  auto prompt = std::make_shared<ConcurrentPrompt>(status_, std::move(question), std::move(text), options, type,
                                                   width, height);
  // Answered prompts are let go; the ones still asking stay with the test.
  std::erase_if(concurrentPrompts_, [](const auto& held) { return held->Done(); });
  concurrentPrompts_.push_back(prompt);
  prompt->Start();
  return prompt;
}

std::shared_ptr<ConcurrentPrompt> Test::StartLedPrompt() {
  return StartConcurrentPrompt(Translate("Select the device that its LED is blinking"), rb::Prompt::ImageCaptions(),
                               "button", "500", "200");
}

}  // namespace rb
