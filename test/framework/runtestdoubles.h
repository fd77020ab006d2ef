#pragma once

// Test doubles for the run of a test: a test whose attempts follow a script, a test that prompts the
// operator, a gate that holds a body until the fixture opens it, and a host callback that answers
// prompts through a handler the fixture chooses. The callback may be entered from several threads.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/concurrentprompt.h"
#include "framework/test.h"
#include "ravelbank/host.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rbtest {

// A one-way signal between threads; waits give up after a few seconds so that a broken test fails
// instead of hanging.
class Gate {
 public:
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  bool Wait(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

// Each character of the script is one attempt ('p' passes, 'f' fails, 'e' raises "Media error", 'r'
// records "Media error" with SetError and fails, 'c' waits for cancelTest, 'h' holds until `release`
// opens); the last character repeats. The attempts' "currentTry" values are kept.
class AttemptScriptTest : public rb::Test {
 public:
  AttemptScriptTest(std::string name, std::string script, bool locks = false)
      : Test(std::move(name), "Script Test", "Attempts follow a script"), script_(std::move(script)), locks_(locks) {}

  bool LocksDevice() const override { return locks_; }
  void Prepare(const rb::XmlObject&) override {
    if (cancelInPrepare) Cancel();
  }
  bool Execute(const rb::XmlObject& command) override {
    const std::size_t attempt = tries.size();
    tries.push_back(command.GetAttribute("currentTry"));
    Output() << "attempt " << attempt + 1;
    switch (script_[std::min(attempt, script_.size() - 1)]) {
      case 'p':
        return true;
      case 'e':
        throw rb::OruError("Media error", "block 7");
      case 'r':
        SetError(rb::OruError("Media error", "block 7"));
        return false;
      case 'c':
        started.Open();
        for (int i = 0; i < 10000 && !CancelRequested(); ++i)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return false;
      case 'h':
        started.Open();
        release.Wait();
        return true;
      default:
        return false;
    }
  }
  std::string StreamableName() const override { return "AttemptScriptTest"; }
  std::unique_ptr<rb::Persistent> Clone() const override {
    return std::make_unique<AttemptScriptTest>("", script_, locks_);
  }

  std::vector<std::string> tries;
  bool cancelInPrepare = false;
  Gate started;
  Gate release;

 private:
  std::string script_;
  bool locks_;
};

// An interactive test: each attempt asks "Insert a disc" with the choices OK and Retry, or, with
// `concurrent` set, asks two questions at once on their own threads; it passes when every answer it
// wants arrives.
class PromptingTest : public rb::Test {
 public:
  explicit PromptingTest(std::string name, bool concurrent = false)
      : Test(std::move(name), "Prompt Test", "Asks the operator"), concurrent_(concurrent) {
    capabilities_.interactive = true;
  }

  bool Execute(const rb::XmlObject&) override {
    if (!concurrent_) {
      answers.push_back(Prompt("Insert a disc", {"OK", "Retry"}, "button", "300", "100"));
      return answers.back() == "OK";
    }
    auto first = StartConcurrentPrompt("First question", {"1", "2"}, "button", "300", "100");
    auto second = StartConcurrentPrompt("Second question", {"1", "2"}, "button", "300", "100");
    const bool ended = first->WaitFor(std::chrono::seconds(10)) && second->WaitFor(std::chrono::seconds(10));
    numbers = {first->Answer(), second->Answer()};
    return ended;
  }
  std::string StreamableName() const override { return "PromptingTest"; }
  std::unique_ptr<rb::Persistent> Clone() const override { return std::make_unique<PromptingTest>(""); }

  void SetBlankTitle(bool blankTitle) { blankTitle_ = blankTitle; }

  std::vector<std::string> answers;
  std::vector<std::int32_t> numbers;

 private:
  bool concurrent_;
};

// The host callback: records every document and answers each diagPrompt with what the handler returns
// (null from the handler: no answer at all). Entered from any number of threads.
class AnsweringHost {
 public:
  using Handler = std::function<const char*(const rb::XmlObject& prompt)>;

  static char* RAVELBANK_HOST_CALL Callback(const char* document) {
    const rb::XmlObject parsed{std::string(document)};
    Handler handler;
    {
      std::lock_guard<std::mutex> lock(Mutex());
      Documents().push_back(parsed);
      handler = HandlerSlot();
    }
    if (parsed.Name() != "diagPrompt" || !handler) return nullptr;
    const char* answer = handler(parsed);
    if (answer == nullptr) return nullptr;
    char* block = static_cast<char*>(OruAlloc(std::strlen(answer) + 1));
    std::memcpy(block, answer, std::strlen(answer) + 1);
    return block;
  }
  static void Reset(Handler handler) {
    std::lock_guard<std::mutex> lock(Mutex());
    Documents().clear();
    HandlerSlot() = std::move(handler);
  }
  static std::vector<rb::XmlObject> Taken(const std::string& element) {
    std::lock_guard<std::mutex> lock(Mutex());
    std::vector<rb::XmlObject> out;
    for (const rb::XmlObject& d : Documents())
      if (d.Name() == element) out.push_back(d);
    return out;
  }

 private:
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  static std::vector<rb::XmlObject>& Documents() {
    static std::vector<rb::XmlObject> documents;
    return documents;
  }
  static Handler& HandlerSlot() {
    static Handler handler;
    return handler;
  }
};

}  // namespace rbtest
