#include "framework/ptstream.h"

#include <algorithm>
#include <cstring>

#include "support/wholefile.h"

namespace rb {
namespace {

constexpr std::uint8_t kTagNull = 0;
constexpr std::uint8_t kTagReference = 1;
constexpr std::uint8_t kTagHeld = 2;
constexpr std::uint8_t kTagObject = 3;

// A persistent file larger than this is not one of ours.
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{256} << 20;

[[noreturn]] void Fail(const std::string& text) {
  throw std::runtime_error(text);
}

// One level of object nesting, undone however the object's data ends.
class NestingLevel {
 public:
  explicit NestingLevel(int& nesting) : nesting_(nesting) {
    if (nesting_ >= kMaxStreamNesting) Fail(streamerror::kTooDeep);
    ++nesting_;
  }
  ~NestingLevel() { --nesting_; }
  NestingLevel(const NestingLevel&) = delete;
  NestingLevel& operator=(const NestingLevel&) = delete;

 private:
  int& nesting_;
};

bool AcceptsAny(const Persistent&) {
  return true;
}

}  // namespace

void ThrowWrongClass(const Persistent& object) {
  Fail("Streamed object of class " + object.StreamableName() + " does not fit its field");
}

// ptstream

optstream& ptstream::Writer() {
  if (!writing_) Fail("Writing to a reading persistent stream");
  return static_cast<optstream&>(*this);
}

iptstream& ptstream::Reader() {
  if (writing_) Fail("Reading from a writing persistent stream");
  return static_cast<iptstream&>(*this);
}

void ptstream::Transfer(bool& value) {
  if (writing_) {
    Writer().WriteBool(value);
  } else {
    value = Reader().ReadBool();
  }
}

void ptstream::Transfer(std::uint8_t& value) {
  if (writing_) {
    Writer().WriteByte(value);
  } else {
    value = Reader().ReadByte();
  }
}

void ptstream::Transfer(std::int32_t& value) {
  if (writing_) {
    Writer().WriteInt32(value);
  } else {
    value = Reader().ReadInt32();
  }
}

void ptstream::Transfer(std::uint32_t& value) {
  if (writing_) {
    Writer().WriteUInt32(value);
  } else {
    value = Reader().ReadUInt32();
  }
}

void ptstream::Transfer(std::uint64_t& value) {
  if (writing_) {
    Writer().WriteUInt64(value);
  } else {
    value = Reader().ReadUInt64();
  }
}

void ptstream::Transfer(std::string& value) {
  if (writing_) {
    Writer().WriteString(value);
  } else {
    value = Reader().ReadString();
  }
}

void ptstream::TransferBytes(void* data, std::size_t size) {
  if (writing_) {
    Writer().WriteBytes(data, size);
  } else {
    Reader().ReadBytes(data, size);
  }
}

std::size_t ptstream::TransferCount(std::size_t count, std::size_t minimumElementBytes) {
  if (writing_) {
    Writer().WriteCount(count);
    return count;
  }
  return Reader().ReadCount(minimumElementBytes);
}

void ptstream::TransferStringList(std::vector<std::string>& list) {
  // An empty string is its four length bytes.
  const std::size_t count = TransferCount(list.size(), 4);
  if (!writing_) list.assign(count, std::string());
  for (std::string& element : list) Transfer(element);
}

// optstream

void optstream::WriteUInt32(std::uint32_t value) {
  for (int i = 0; i < 4; ++i) WriteByte(static_cast<std::uint8_t>(value >> (8 * i)));
}

void optstream::WriteUInt64(std::uint64_t value) {
  for (int i = 0; i < 8; ++i) WriteByte(static_cast<std::uint8_t>(value >> (8 * i)));
}

void optstream::WriteString(std::string_view value) {
  if (value.size() > UINT32_MAX) Fail("String too long for a persistent stream");
  WriteUInt32(static_cast<std::uint32_t>(value.size()));
  bytes_.append(value);
}

void optstream::WriteBytes(const void* data, std::size_t size) {
  bytes_.append(static_cast<const char*>(data), size);
}

std::uint32_t optstream::Register(const Persistent& object) {
  const auto number = static_cast<std::uint32_t>(numbers_.size());
  numbers_.emplace(&object, number);
  return number;
}

void optstream::WriteData(Persistent& object) {
  NestingLevel level(nesting_);
  object.Stream(*this, true, object.Version());
}

void optstream::WritePointer(Persistent* object) {
  if (object == nullptr) {
    WriteByte(kTagNull);
    return;
  }
  if (const auto found = numbers_.find(object); found != numbers_.end()) {
    WriteByte(kTagReference);
    WriteUInt32(found->second);
    return;
  }
  WriteByte(kTagObject);
  WriteUInt32(Register(*object));
  WriteString(object->StreamableName());
  WriteInt32(object->Version());
  WriteData(*object);
}

void optstream::WriteHeld(Persistent& object) {
  if (const auto found = numbers_.find(&object); found != numbers_.end()) {
    WriteByte(kTagReference);
    WriteUInt32(found->second);
    return;
  }
  WriteByte(kTagHeld);
  WriteUInt32(Register(object));
  WriteInt32(object.Version());
  WriteData(object);
}

void optstream::WriteProxy(const PersistentByProxy* interface) {
  if (interface == nullptr) {
    WritePointer(nullptr);
    return;
  }
  if (interface->ProxyOwner() == nullptr) Fail(streamerror::kNoProxyOwner);
  WritePointer(interface->ProxyOwner());
}

void optstream::WriteLinkIfStreamed(const Persistent* object) {
  const auto found = object != nullptr ? numbers_.find(object) : numbers_.end();
  if (found == numbers_.end()) {
    WriteByte(kTagNull);
    return;
  }
  WriteByte(kTagReference);
  WriteUInt32(found->second);
}

// iptstream

iptstream::iptstream(std::string bytes)
    : ptstream(false), bytes_(std::move(bytes)), copyBudget_(bytes_.size()) {}

iptstream::~iptstream() = default;

const std::uint8_t* iptstream::Take(std::size_t size) {
  if (size > Remaining()) Fail(streamerror::kEnded);
  const auto* at = reinterpret_cast<const std::uint8_t*>(bytes_.data()) + position_;
  position_ += size;
  return at;
}

std::uint8_t iptstream::ReadByte() {
  return *Take(1);
}

bool iptstream::ReadBool() {
  const std::uint8_t value = ReadByte();
  if (value > 1) Fail(streamerror::kInvalidByte);
  return value == 1;
}

std::uint32_t iptstream::ReadUInt32() {
  const std::uint8_t* at = Take(4);
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

std::uint64_t iptstream::ReadUInt64() {
  const std::uint8_t* at = Take(8);
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

std::string iptstream::ReadString() {
  const std::uint32_t length = ReadUInt32();
  const std::uint8_t* at = Take(length);
  return std::string(reinterpret_cast<const char*>(at), length);
}

void iptstream::ReadBytes(void* data, std::size_t size) {
  const std::uint8_t* at = Take(size);
  if (size > 0) std::memcpy(data, at, size);
}

std::size_t iptstream::ReadCount(std::size_t minimumElementBytes) {
  const std::uint64_t count = ReadUInt64();
  if (count > Remaining() / std::max<std::size_t>(minimumElementBytes, 1)) Fail(streamerror::kEnded);
  return static_cast<std::size_t>(count);
}

Persistent* iptstream::Lookup(std::uint32_t number) const {
  const auto found = objects_.find(number);
  if (found == objects_.end()) Fail(streamerror::kNotFound);
  return found->second;
}

void iptstream::Register(std::uint32_t number, Persistent* object) {
  if (!objects_.emplace(number, object).second) Fail("Object number used twice in persistent stream");
}

void iptstream::ReadData(Persistent& object, std::int32_t version) {
  NestingLevel level(nesting_);
  reading_.insert(&object);
  object.Stream(*this, false, version);
  reading_.erase(&object);
}

Persistent* iptstream::ReadPointer(Accepts accepts) {
  switch (ReadByte()) {
    case kTagNull:
      return nullptr;
    case kTagReference: {
      Persistent* object = Lookup(ReadUInt32());
      if (!accepts(*object)) ThrowWrongClass(*object);
      return object;
    }
    case kTagObject: {
      const std::uint32_t number = ReadUInt32();
      const std::string name = ReadString();
      const StreamProxy* proxy = FindStreamProxy(name);
      std::unique_ptr<Persistent> created = proxy != nullptr ? proxy->Create() : nullptr;
      if (!created) Fail(streamerror::kUnregistered + name);
      if (!accepts(*created)) ThrowWrongClass(*created);
      Persistent* object = created.get();
      Register(number, object);
      unowned_.emplace(object, std::move(created));
      ReadData(*object, ReadInt32());
      return object;
    }
    default:
      Fail(streamerror::kInvalidByte);
  }
}

std::unique_ptr<Persistent> iptstream::ReadOwned(Accepts accepts) {
  Persistent* object = ReadPointer(accepts);
  if (object == nullptr) return nullptr;
  // Only an object this stream created and nobody has taken can be taken; an object still being read
  // is an ancestor of the one taking it.
  const auto found = unowned_.find(object);
  if (found == unowned_.end() || reading_.count(object) != 0) Fail("Streamed object owned twice");
  std::unique_ptr<Persistent> owned = std::move(found->second);
  unowned_.erase(found);
  return owned;
}

void iptstream::ReadHeld(Persistent& object, CopyCost cost) {
  switch (ReadByte()) {
    case kTagHeld: {
      Register(ReadUInt32(), &object);
      ReadData(object, ReadInt32());
      return;
    }
    case kTagReference: {
      const Persistent* source = Lookup(ReadUInt32());
      if (typeid(*source) != typeid(object)) Fail(streamerror::kNotPersistent);
      if (source == &object) return;
      if (reading_.count(source) != 0) Fail("Indexed object is still being read");
      // A copy may not outgrow the stream: at most one copied object per byte, and no deeper than the
      // stream's own nesting bound.
      const StreamCopyCost charge = cost(*source);
      if (charge.objects > copyBudget_) Fail("Persistent stream copies more objects than it holds");
      if (charge.height > static_cast<std::size_t>(kMaxStreamNesting - nesting_)) Fail(streamerror::kTooDeep);
      copyBudget_ -= charge.objects;
      object.Assign(*source);
      return;
    }
    default:
      Fail(streamerror::kInvalidByte);
  }
}

PersistentByProxy* iptstream::ReadProxy() {
  Persistent* owner = ReadPointer(&AcceptsAny);
  if (owner == nullptr) return nullptr;
  auto* interface = dynamic_cast<PersistentByProxy*>(owner);
  if (interface == nullptr) Fail(streamerror::kNotPersistent);
  if (interface->ProxyOwner() == nullptr) Fail(streamerror::kNoProxyOwner);
  return interface;
}

void iptstream::CheckAllOwned() const {
  if (!unowned_.empty())
    Fail("Streamed object of class " + unowned_.begin()->first->StreamableName() + " has no owner");
}

// Files

ifptstream::ifptstream(const std::string& path) : ifptstream(Load(path)) {}

ifptstream::ifptstream(Contents contents) : iptstream(std::move(contents.bytes)), open_(contents.open) {}

ifptstream::Contents ifptstream::Load(const std::string& path) {
  WholeFile file = ReadWholeFile(path, kMaxFileBytes);
  Contents contents;
  switch (file.status) {
    case WholeFile::Status::kMissing:
      return contents;
    case WholeFile::Status::kRead:
      contents.open = true;
      contents.bytes = std::move(file.bytes);
      return contents;
    case WholeFile::Status::kRefused:
    case WholeFile::Status::kFailed:
      break;
  }
  Fail("Persistent file " + path + " not read: " + file.problem);
}

void ofptstream::Close() {
  ReplaceWholeFile(path_, Bytes());
}

}  // namespace rb
