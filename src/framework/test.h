#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/parameterlist.h"
#include "framework/persistent.h"
#include "framework/prompt.h"
#include "framework/teststatus.h"
#include "support/xmlobject.h"

namespace rb {

class ConcurrentPrompt;
class Device;
class OruError;

// What a test declares about itself in the catalog, in the order the catalog writes it.
struct TestCapabilities {
  bool interactive = false;        // prompts the operator
  bool requiresMedia = false;      // needs removable media inserted
  bool requiresEquipment = false;  // needs plugs or fixtures
  bool quick = false;
  bool complete = false;
  bool requiresWindow = false;
  bool localOnly = false;
  bool singleThread = false;  // must not run alongside other tests
  bool destructive = false;   // destroys data on the device
  bool romTest = false;       // firmware test: no retries parameter
  bool fieldtest = false;
  bool runMeNow = false;  // written only when set
};

// The base of every test a device offers. A test class supplies its run body (Execute) and, where it
// needs them, its hooks, parameters and capabilities; the base runs the attempts with their retries,
// honours cancellation and device locking, reports progress and prompts to the host and builds the
// result document. The device owns its tests. Run executes on the host's command thread; cancelTest
// raises the cancel flag from another host thread, and concurrent prompts write the state from theirs.
// In the persistent file a test is its name.
class Test : public Persistent {
 public:
  Test(std::string name, std::string caption, std::string description);
  ~Test() override;

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  const std::string& Description() const { return description_; }
  Device* Owner() const { return device_; }
  void SetOwner(Device* device) { device_ = device; }
  std::uint32_t Loop() const { return loop_.load(); }
  std::uint32_t RecordNum() const { return recordNum_.load(); }

  // Written by cancelTest from another thread, read between attempts and by the run body.
  void Cancel() { canceled_.store(true); }
  bool CancelRequested() const { return canceled_.load(); }

  std::string CurrentState() const { return status_->State(); }
  std::int32_t PercentComplete() const { return status_->PercentComplete(); }
  std::int32_t CurrentTry() const { return currentTry_; }
  std::int32_t Retries() const { return retries_; }
  std::int32_t Cpu() const { return cpu_; }
  bool SuperLedMode() const { return superLedMode_; }
  const TestCapabilities& Capabilities() const { return capabilities_; }
  const XmlObject& ErrorElement() const { return error_; }
  ParameterList& Parameters() { return parameters_; }
  const ParameterList& Parameters() const { return parameters_; }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Copies the name, the texts and the capabilities; the owner and the state of a run stay.
  void Assign(const Persistent& other) override;

  // The test needs the device to itself: a second test on the device is blocked while it runs.
  virtual bool LocksDevice() const { return false; }
  // The test has a device and a test that locks it is running.
  virtual bool IsDeviceBusy() const;
  // The catalog element: <test name= caption= description= flags… [disableUITime=] [unavailable=]> with
  // the retries parameter (not for firmware tests) and the parameter list. Classes that extend it call
  // the base first.
  virtual XmlObject Describe() const;
  // Called when the test is added to its device, and once before the attempts of each run.
  virtual void Setup() {}
  // Called with the run command before Setup, and after the attempts.
  virtual void Prepare(const XmlObject& command);
  virtual void Finish(const XmlObject& command);
  // One attempt; true for pass. The command carries the parameters and "currentTry".
  virtual bool Execute(const XmlObject& command) = 0;

  // Runs the test for a runTest command and answers the result document. An error of the last attempt
  // (and of the hooks or the parameters) propagates, with the device's busy flag cleared.
  XmlObject Run(const XmlObject& command);

  // For run bodies: report progress (100 percent when total is 0) and what the test is doing now; each
  // sends a diagUpdate document to the host when a component exists.
  void SetProgress(std::uint32_t done, std::uint32_t total);
  void SetOperationCaption(std::string text);
  // Records the error as the run's error element, its text prefixed with the device's description and
  // followed by the processor the attempt ran on.
  void SetError(const OruError& error);
  // Records an internal error (a fault of the component, not of the hardware) and answers the failed
  // result document; the attempt's output stays for the run's result.
  XmlObject InternalError(const std::string& text);
  // The human-readable text of the attempt; it becomes the result's output element.
  std::ostream& Output() { return output_; }

  // Asks the operator and waits for the answer; raises unless the test is interactive. From the second
  // attempt on the message says which attempt asks.
  std::string Prompt(const std::string& message, const std::vector<std::string>& options,
                     const std::string& type, const std::string& width, const std::string& height);
  // Asks on a thread of its own and returns the started prompt; the test keeps it.
  std::shared_ptr<ConcurrentPrompt> StartConcurrentPrompt(const std::string& message,
                                                          const std::vector<std::string>& options,
                                                          const std::string& type, const std::string& width,
                                                          const std::string& height);
  // Asks which device's LED blinks, with the pictures of the image table.
  std::shared_ptr<ConcurrentPrompt> StartLedPrompt();

  // <diagUpdate …/> or <testResult …/> with the test's status.
  XmlObject StatusDocument(const char* elementName) const;
  // The result: the status as testResult, the output (then rewound), the test time and the error.
  XmlObject ResultDocument();

 protected:
  // The state a reader starts from.
  Test();

  TestCapabilities capabilities_;
  std::int32_t disableUiTime_ = 0;  // seconds; 0 for none
  std::string unavailableReason_;   // not empty: the test cannot run here, and why
  bool blankTitle_ = false;         // prompts show a blank title

 private:
  // A question in the context of the test and its device; adds the attempt suffix to the message.
  // Raises unless the test is interactive.
  rb::Prompt PrepareQuestion(std::string& message) const;
  void SendStatus();
  // The result document, leaving the output as it is.
  XmlObject ComposeResult() const;
  void RewindOutput();

  std::string name_;
  Device* device_ = nullptr;
  std::atomic<std::uint32_t> loop_{0};
  std::atomic<std::uint32_t> recordNum_{0};
  std::atomic<bool> canceled_{false};
  std::int32_t retries_ = 1;
  std::int32_t currentTry_ = 0;
  std::string caption_;
  std::string description_;
  std::shared_ptr<TestStatus> status_;
  std::ostringstream output_;
  XmlObject error_;
  std::int32_t cpu_ = 0;
  ParameterList parameters_;
  bool superLedMode_ = false;
  std::uint64_t startTime_ = 0;
  std::vector<std::shared_ptr<ConcurrentPrompt>> concurrentPrompts_;
};

}  // namespace rb
