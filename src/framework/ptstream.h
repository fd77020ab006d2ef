#pragma once

// The persistent streams. A writing stream (optstream) turns a graph of Persistent objects into bytes,
// a reading stream (iptstream) rebuilds the graph; ifptstream and ofptstream do the same with a file.
//
// Encoding, little-endian with nothing between items and no header: bool and byte 1 byte, 32-bit
// numbers 4 bytes, element counts 8 bytes, strings a 32-bit length and the bytes. An object pointer is a
// tag byte: 0 null; 1 an object already in the stream, then its 32-bit number; 3 a first occurrence,
// then its number, class name, 32-bit version and the object's Stream data. An object held by value
// inside another is written with tag 2, its number, version and Stream data (no class name: the reader
// has the object already), or with tag 1 when it is in the stream already. Numbers count the objects in
// the order the writer meets them.
//
// A stream read from a file is untrusted: every count and length is checked against what remains
// before anything is allocated, nesting is bounded, a pointer whose object has the wrong class for its
// field is refused, and each object the reader creates has exactly one owner or the read fails. All
// failures are std::runtime_error; the reader then destroys what it created.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "framework/persistent.h"

namespace rb {

class iptstream;
class optstream;

// How deeply objects may nest in a stream (an object whose Stream data holds another object's data is
// one level deeper). The component's own graph is a few levels deep; XML documents add their depth.
inline constexpr int kMaxStreamNesting = 1000;

class ptstream {
 public:
  virtual ~ptstream() = default;
  ptstream(const ptstream&) = delete;
  ptstream& operator=(const ptstream&) = delete;

  bool Writing() const { return writing_; }
  optstream& Writer();
  iptstream& Reader();

  // Fields written or read as the stream's direction says.
  void Transfer(bool& value);
  void Transfer(std::uint8_t& value);
  void Transfer(std::int32_t& value);
  void Transfer(std::uint32_t& value);
  void Transfer(std::uint64_t& value);
  void Transfer(std::string& value);
  void TransferBytes(void* data, std::size_t size);
  // An element count. Reading answers the count read, checked against the bytes that remain at
  // `minimumElementBytes` per element; writing writes `count` and answers it.
  std::size_t TransferCount(std::size_t count, std::size_t minimumElementBytes);
  void TransferStringList(std::vector<std::string>& list);

  // A link to an object owned elsewhere (may be null).
  template <class T>
  void TransferLink(T*& link);
  // An owned object (may be null).
  template <class T>
  void TransferOwned(std::unique_ptr<T>& owned);
  // An object held by value.
  template <class T>
  void TransferHeld(T& object);
  // Count and a pointer per element; lists hold no null elements.
  template <class T>
  void TransferOwnedList(std::vector<std::unique_ptr<T>>& list);
  template <class T>
  void TransferLinkList(std::vector<T*>& list);
  // Count and, per element, a reference written through its proxy owner (T derives from
  // PersistentByProxy).
  template <class T>
  void TransferProxyList(std::vector<T*>& list);
  // Count and an object held by value per element.
  template <class T>
  void TransferHeldList(std::vector<T>& list);

 protected:
  explicit ptstream(bool writing) : writing_(writing) {}

 private:
  bool writing_;
};

class optstream : public ptstream {
 public:
  optstream() : ptstream(true) {}

  // Everything written so far.
  const std::string& Bytes() const { return bytes_; }

  void WriteByte(std::uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
  void WriteBool(bool value) { WriteByte(value ? 1 : 0); }
  void WriteInt32(std::int32_t value) { WriteUInt32(static_cast<std::uint32_t>(value)); }
  void WriteUInt32(std::uint32_t value);
  void WriteUInt64(std::uint64_t value);
  void WriteCount(std::size_t count) { WriteUInt64(count); }
  void WriteString(std::string_view value);
  void WriteBytes(const void* data, std::size_t size);

  // An object pointer: tag 0, tag 1 and the number of an object already written, or tag 3 and the
  // whole object.
  void WritePointer(Persistent* object);
  // An object held by value: tag 2 and its data, or tag 1 when it was written already.
  void WriteHeld(Persistent& object);
  // A reference to an interface, written as a pointer to its proxy owner.
  void WriteProxy(const PersistentByProxy* interface);
  // Tag 1 and the number when the object has been written to this stream, tag 0 otherwise; the object
  // is never looked at, so a stale link is harmless.
  void WriteLinkIfStreamed(const Persistent* object);

 private:
  std::uint32_t Register(const Persistent& object);
  void WriteData(Persistent& object);

  std::string bytes_;
  std::unordered_map<const Persistent*, std::uint32_t> numbers_;
  int nesting_ = 0;
};

class iptstream : public ptstream {
 public:
  using Accepts = bool (*)(const Persistent&);
  using CopyCost = StreamCopyCost (*)(const Persistent&);

  explicit iptstream(std::string bytes);
  // Destroys every object the stream created that no owner took.
  ~iptstream() override;

  std::size_t Remaining() const { return bytes_.size() - position_; }

  std::uint8_t ReadByte();
  bool ReadBool();
  std::int32_t ReadInt32() { return static_cast<std::int32_t>(ReadUInt32()); }
  std::uint32_t ReadUInt32();
  std::uint64_t ReadUInt64();
  std::string ReadString();
  void ReadBytes(void* data, std::size_t size);
  std::size_t ReadCount(std::size_t minimumElementBytes);

  // Reads one object pointer as the root of a graph and hands the object to the caller (null for a
  // null pointer). Raises when it is not a T, or when an object created on the way has no owner.
  template <class T>
  std::unique_ptr<T> ReadObject();

  // An object pointer whose object `accepts` admits; the object stays with its owner (or, when it was
  // created here and nobody has taken it yet, with the stream).
  Persistent* ReadPointer(Accepts accepts);
  // An object pointer whose object the caller takes over; raises when another owner has it.
  std::unique_ptr<Persistent> ReadOwned(Accepts accepts);
  // Fills an object held by value: tag 2 reads its data, tag 1 copies an object read before.
  void ReadHeld(Persistent& object, CopyCost cost);
  // A reference written through a proxy owner: the interface of that owner.
  PersistentByProxy* ReadProxy();
  // Raises when an object the stream created has not been taken by an owner.
  void CheckAllOwned() const;

 private:
  const std::uint8_t* Take(std::size_t size);
  Persistent* Lookup(std::uint32_t number) const;
  void Register(std::uint32_t number, Persistent* object);
  void ReadData(Persistent& object, std::int32_t version);

  std::string bytes_;
  std::size_t position_ = 0;
  std::unordered_map<std::uint32_t, Persistent*> objects_;
  // Objects created from the stream that no owner has taken yet.
  std::unordered_map<const Persistent*, std::unique_ptr<Persistent>> unowned_;
  // Objects whose Stream data is being read (the ancestors of the current object).
  std::unordered_set<const Persistent*> reading_;
  int nesting_ = 0;
  // How many objects copies may still make (bounded by the stream's size).
  std::size_t copyBudget_;
};

// A file as a reading stream. The file is read whole when the stream is made; IsOpen tells whether it
// could be opened. A file that is not a regular file or is larger than 256 MB raises unread. Paths are
// written as on Windows and go through the OS seam.
class ifptstream : public iptstream {
 public:
  explicit ifptstream(const std::string& path);
  bool IsOpen() const { return open_; }

 private:
  struct Contents {
    bool open = false;
    std::string bytes;
  };
  static Contents Load(const std::string& path);
  explicit ifptstream(Contents contents);

  bool open_;
};

// A file as a writing stream. Nothing reaches the file until Close, which writes a temporary file beside
// it and renames that into place, so a write that fails half-way leaves the file as it was.
class ofptstream : public optstream {
 public:
  explicit ofptstream(std::string path) : path_(std::move(path)) {}
  // Replaces the file with the stream's bytes; raises when that fails.
  void Close();

 private:
  std::string path_;
};

// The error texts of the streams.
namespace streamerror {
inline constexpr const char* kInvalidByte = "Invalid byte value";
inline constexpr const char* kNotFound = "Indexed object not found.";
inline constexpr const char* kUnregistered = "Attempting to stream unregistered class: ";
inline constexpr const char* kNotPersistent = "Indexed object pointer NULL";
inline constexpr const char* kNoProxyOwner = "PersistentByProxy proxyOwner is NULL";
inline constexpr const char* kEnded = "Unexpected end of persistent stream";
inline constexpr const char* kTooDeep = "Persistent objects nested too deeply";
inline constexpr const char* kNullInList = "Null object in a persistent list";
}  // namespace streamerror

// Raises the stream error "Streamed object of class <name> does not fit its field".
[[noreturn]] void ThrowWrongClass(const Persistent& object);

template <class T>
bool IsStreamedAs(const Persistent& object) {
  return dynamic_cast<const T*>(&object) != nullptr;
}

template <class T>
StreamCopyCost CopyCostAs(const Persistent& object) {
  return CopyCostOf(static_cast<const T&>(object));
}

template <class T>
T* StreamedAs(Persistent* object) {
  if (object == nullptr) return nullptr;
  T* typed = dynamic_cast<T*>(object);
  if (typed == nullptr) ThrowWrongClass(*object);
  return typed;
}

template <class T>
std::unique_ptr<T> iptstream::ReadObject() {
  std::unique_ptr<Persistent> object = ReadOwned(&IsStreamedAs<T>);
  CheckAllOwned();
  T* typed = StreamedAs<T>(object.get());
  object.release();
  return std::unique_ptr<T>(typed);
}

template <class T>
void ptstream::TransferLink(T*& link) {
  if (Writing()) {
    Writer().WritePointer(link);
  } else {
    link = StreamedAs<T>(Reader().ReadPointer(&IsStreamedAs<T>));
  }
}

template <class T>
void ptstream::TransferOwned(std::unique_ptr<T>& owned) {
  if (Writing()) {
    Writer().WritePointer(owned.get());
  } else {
    std::unique_ptr<Persistent> object = Reader().ReadOwned(&IsStreamedAs<T>);
    T* typed = StreamedAs<T>(object.get());
    object.release();
    owned.reset(typed);
  }
}

template <class T>
void ptstream::TransferHeld(T& object) {
  if (Writing()) {
    Writer().WriteHeld(object);
  } else {
    Reader().ReadHeld(object, &CopyCostAs<T>);
  }
}

template <class T>
void ptstream::TransferOwnedList(std::vector<std::unique_ptr<T>>& list) {
  const std::size_t count = TransferCount(list.size(), 1);
  if (Writing()) {
    for (const auto& element : list) Writer().WritePointer(element.get());
    return;
  }
  list.clear();
  list.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::unique_ptr<T> element;
    TransferOwned(element);
    if (!element) throw std::runtime_error(streamerror::kNullInList);
    list.push_back(std::move(element));
  }
}

template <class T>
void ptstream::TransferLinkList(std::vector<T*>& list) {
  const std::size_t count = TransferCount(list.size(), 1);
  if (Writing()) {
    for (T* element : list) Writer().WritePointer(element);
    return;
  }
  list.assign(count, nullptr);
  for (T*& element : list) {
    TransferLink(element);
    if (element == nullptr) throw std::runtime_error(streamerror::kNullInList);
  }
}

template <class T>
void ptstream::TransferProxyList(std::vector<T*>& list) {
  const std::size_t count = TransferCount(list.size(), 1);
  if (Writing()) {
    for (T* element : list) Writer().WriteProxy(element);
    return;
  }
  list.assign(count, nullptr);
  for (T*& element : list) {
    PersistentByProxy* read = Reader().ReadProxy();
    if (read == nullptr) throw std::runtime_error(streamerror::kNullInList);
    element = dynamic_cast<T*>(read);
    if (element == nullptr) ThrowWrongClass(*read->ProxyOwner());
  }
}

template <class T>
void ptstream::TransferHeldList(std::vector<T>& list) {
  // The smallest object held by value is a reference to one written before: tag and number.
  const std::size_t count = TransferCount(list.size(), 5);
  if (!Writing()) {
    list.clear();
    list.resize(count);
  }
  for (T& element : list) TransferHeld(element);
}

}  // namespace rb
