#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rb {

class ptstream;

// The base of every object that goes into the persistent file: the component, its devices, their
// tests and diagnosis objects, parameters, interfaces and XML elements. An object writes and reads its
// own fields in Stream; the persistent streams (ptstream.h) keep object identity and create objects by
// their streamable name through the class registry below.
class Persistent {
 public:
  virtual ~Persistent() = default;
  // The class version written beside the class name.
  virtual std::int32_t Version() const { return 0; }
  // Writes (writing true) or reads (writing false) the object's own fields. On reading, `version` is
  // the version found in the stream.
  virtual void Stream(ptstream& stream, bool writing, std::int32_t version) = 0;
  // Copies the state of another object of the same class.
  virtual void Assign(const Persistent& other) = 0;
  // The class name written to the stream.
  virtual std::string StreamableName() const = 0;
  // A new object of the same class, in the state a reader starts from.
  virtual std::unique_ptr<Persistent> Clone() const = 0;

 protected:
  Persistent() = default;
  Persistent(const Persistent&) = default;
  Persistent& operator=(const Persistent&) = default;
};

// What copying an object costs: the objects copied and the height of the copy (1 for a flat object).
// A reading stream charges it when an object held by value refers to another object, whose state is
// then copied. Classes that hold other objects by value give their own overload.
struct StreamCopyCost {
  std::size_t objects = 1;
  std::size_t height = 1;
};
inline StreamCopyCost CopyCostOf(const Persistent&) {
  return {};
}

// A new object of the object's class that took over its state.
template <class T>
std::unique_ptr<T> CloneCopy(const T& object) {
  std::unique_ptr<Persistent> copy = object.Clone();
  T* typed = dynamic_cast<T*>(copy.get());
  if (typed == nullptr)
    throw std::logic_error(object.StreamableName() + ": Clone made an object of another class");
  typed->Assign(object);
  copy.release();
  return std::unique_ptr<T>(typed);
}

template <class T>
std::vector<std::unique_ptr<T>> CloneAll(const std::vector<std::unique_ptr<T>>& list) {
  std::vector<std::unique_ptr<T>> copies;
  copies.reserve(list.size());
  for (const auto& element : list) copies.push_back(CloneCopy(*element));
  return copies;
}

// An interface that an object adds beside its Persistent base (for example the block access of a disk
// device). References to the interface are streamed as references to the object that owns it, its
// proxy owner, so that the interface and its object keep one identity in the stream. The owning class
// sets the owner in its constructor.
class PersistentByProxy {
 public:
  Persistent* ProxyOwner() const { return proxyOwner_; }

 protected:
  explicit PersistentByProxy(Persistent* owner = nullptr) : proxyOwner_(owner) {}
  virtual ~PersistentByProxy() = default;
  PersistentByProxy(const PersistentByProxy&) = delete;
  PersistentByProxy& operator=(const PersistentByProxy&) = delete;
  void SetProxyOwner(Persistent* owner) { proxyOwner_ = owner; }

 private:
  Persistent* proxyOwner_;
};

// The class registry's entry for one streamable class: its name and how to create an object of it.
// The entry is itself a (stateless) streamable class, so that the registry can describe itself.
class StreamProxy : public Persistent {
 public:
  using Factory = std::unique_ptr<Persistent> (*)();
  static constexpr const char* kStreamableName = "StreamProxy";

  StreamProxy() = default;
  // `name` has static storage duration (a class's kStreamableName).
  StreamProxy(const char* name, Factory factory) : name_(name), factory_(factory) {}

  const char* ClassName() const { return name_; }
  // A new object of the registered class (null for an entry without a factory).
  std::unique_ptr<Persistent> Create() const { return factory_ != nullptr ? factory_() : nullptr; }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<StreamProxy>(); }

 private:
  const char* name_ = "";
  Factory factory_ = nullptr;
};

// The class registry: a process-wide table from streamable name to entry. It allocates nothing, so
// that it never shows among the blocks a host allocator counts. Registering a name that is registered
// already answers false and keeps the first entry; `name` has static storage duration.
bool RegisterStreamableClass(const char* name, StreamProxy::Factory factory);
// The entry of a streamable name, or null. The component's own classes are registered on first use.
const StreamProxy* FindStreamProxy(std::string_view name);

// Registers a class that names itself in a static kStreamableName.
template <class T>
bool RegisterStreamableClass() {
  return RegisterStreamableClass(T::kStreamableName,
                                 []() -> std::unique_ptr<Persistent> { return std::make_unique<T>(); });
}

// Registers every streamable class of the component (defined beside the component, which knows them
// all). Called once, before the registry first answers.
void RegisterComponentClasses();

}  // namespace rb
