#include "support/xmlobject.h"

#include <algorithm>

#include "support/stringutil.h"
#include "support/xmlcharclass.h"
#include "support/xmlparser.h"

namespace rb {

XmlObject::XmlObject(std::string_view text) { ParseElement(*this, text, nullptr, false, false); }

XmlObject::XmlObject(const XmlObject& other) { CopyFrom(other, 0, nullptr); }

XmlObject::~XmlObject() {
  // The children go last to first, the reverse of the order in which parsing makes them, so that the
  // memory they give back comes out again in about that order when a similar document is parsed next.
  while (!children_.empty()) children_.pop_back();
}

void XmlObject::CopyFrom(const XmlObject& other, std::int32_t depth, XmlObject* parent) {
  name_ = other.name_;
  text_ = other.text_;
  parent_ = parent;
  depth_ = depth;
  attributes_ = other.attributes_;
  declaration_ = other.declaration_;
  instructions_ = other.instructions_;
  // Children are built in place so that their links are right from the start.
  children_.resize(other.children_.size());
  for (std::size_t i = 0; i < children_.size(); ++i) children_[i].CopyFrom(other.children_[i], depth + 1, this);
}

XmlObject::XmlObject(XmlObject&& other) noexcept
    : name_(std::move(other.name_)),
      text_(std::move(other.text_)),
      parent_(other.parent_),
      depth_(other.depth_),
      relinkPending_(other.relinkPending_),
      attributes_(std::move(other.attributes_)),
      declaration_(std::move(other.declaration_)),
      instructions_(std::move(other.instructions_)),
      children_(std::move(other.children_)) {
  RelinkChildren();
}

XmlObject& XmlObject::operator=(const XmlObject& other) {
  if (this == &other) return *this;
  XmlObject copy(other);
  return *this = std::move(copy);
}

XmlObject& XmlObject::operator=(XmlObject&& other) noexcept {
  if (this == &other) return *this;
  // An element reassigned inside a children list loses its place until its parent re-links it.
  if (parent_ != nullptr) parent_->MarkRelinkPending();
  name_ = std::move(other.name_);
  text_ = std::move(other.text_);
  attributes_ = std::move(other.attributes_);
  declaration_ = std::move(other.declaration_);
  instructions_ = std::move(other.instructions_);
  children_ = std::move(other.children_);
  parent_ = nullptr;
  const bool pending = other.relinkPending_;
  relinkPending_ = false;
  if (other.depth_ != 0 || pending) {
    FixSubtree(0, nullptr);
  } else {
    depth_ = 0;
    RelinkChildren();
  }
  return *this;
}

void XmlObject::MarkRelinkPending() {
  for (XmlObject* e = this; e != nullptr && !e->relinkPending_; e = e->parent_) e->relinkPending_ = true;
}

void XmlObject::RelinkChildren() {
  for (XmlObject& child : children_) child.parent_ = this;
}

void XmlObject::FixSubtree(std::int32_t depth, XmlObject* parent) {
  depth_ = depth;
  parent_ = parent;
  relinkPending_ = false;
  if (parent != nullptr) declaration_.clear();
  for (XmlObject& child : children_) child.FixSubtree(depth + 1, this);
}

XmlObject& XmlObject::LinkNewChild() {
  XmlObject& child = children_.back();
  if (relinkPending_) {
    // Something below lost its links: re-walk every child, as a fresh link would.
    relinkPending_ = false;
    for (XmlObject& c : children_) c.FixSubtree(depth_ + 1, this);
  } else if (child.depth_ != depth_ + 1 || child.relinkPending_) {
    child.FixSubtree(depth_ + 1, this);
  } else {
    // Built at the right depth already (the parser does this): only the new child's own link.
    child.parent_ = this;
    child.declaration_.clear();
  }
  return child;
}

XmlObject& XmlObject::AddChild(const XmlObject& element) {
  XmlObject copy(element);  // copy first: the element may live inside this tree
  return AddChild(std::move(copy));
}

XmlObject& XmlObject::AddChild(XmlObject&& element) {
  XmlObject* const oldStorage = children_.data();
  children_.emplace_back(std::move(element));
  if (children_.data() != oldStorage) RelinkChildren();  // the earlier children moved
  return LinkNewChild();
}

XmlObject* XmlObject::AddChildren(const std::vector<XmlObject>& elements) {
  if (&elements == &children_) {  // appending to the list being read
    const std::vector<XmlObject> copies(elements);
    return AddChildren(copies);
  }
  for (const XmlObject& e : elements) AddChild(e);
  return children_.empty() ? nullptr : &children_.back();
}

std::vector<XmlObject*> XmlObject::GetChildren(std::string_view name) {
  std::vector<XmlObject*> found;
  for (XmlObject& child : children_)
    if (EqualsNoCase(child.name_, name)) found.push_back(&child);
  return found;
}

std::vector<const XmlObject*> XmlObject::GetChildren(std::string_view name) const {
  std::vector<const XmlObject*> found;
  for (const XmlObject& child : children_)
    if (EqualsNoCase(child.name_, name)) found.push_back(&child);
  return found;
}

void XmlObject::RemoveChildren() { children_.clear(); }

void XmlObject::AddText(std::string_view piece, int mode) {
  if (mode == 1) {
    text_.append(piece);
  } else if (mode == 0) {
    text_.insert(0, piece);
  }
}

void XmlObject::Clear() {
  name_.clear();
  text_.clear();
  attributes_.clear();
  declaration_.clear();
  instructions_.clear();
  children_.clear();
  relinkPending_ = false;
}

bool XmlObject::IsEmpty() const {
  return name_.empty() && text_.empty() && attributes_.empty() && instructions_.empty() && children_.empty();
}

// ---- attributes ----

namespace {
template <typename List>
auto* FindIn(List& list, std::string_view name) {
  auto it = std::find_if(list.begin(), list.end(), [&](const XmlAttribute& a) { return EqualsNoCase(a.name, name); });
  return it == list.end() ? nullptr : &*it;
}

// A value ends at its first byte that is not an XML character (a control byte, 0 or 255).
std::string_view CutAtControl(std::string_view value) {
  for (std::size_t i = 0; i < value.size(); ++i)
    if (!IsXmlChar(value[i])) return value.substr(0, i);
  return value;
}

void RemoveFrom(std::vector<XmlAttribute>& list, std::string_view name) {
  std::erase_if(list, [&](const XmlAttribute& a) { return EqualsNoCase(a.name, name); });
}
}  // namespace

XmlAttribute* XmlObject::FindAttribute(std::string_view name) { return FindIn(attributes_, name); }
const XmlAttribute* XmlObject::FindAttribute(std::string_view name) const { return FindIn(attributes_, name); }

std::string XmlObject::GetAttribute(std::string_view name, std::string_view def) const {
  const XmlAttribute* a = FindAttribute(name);
  return a != nullptr ? a->value : std::string(def);
}

XmlAttribute& XmlObject::SetAttribute(std::string_view name, std::string_view value) {
  value = CutAtControl(value);
  if (XmlAttribute* a = FindAttribute(name)) {
    a->value.assign(value);
    return *a;
  }
  attributes_.emplace_back(std::string(name), std::string(value));
  return attributes_.back();
}

XmlAttribute& XmlObject::AttributeNamed(std::string_view name) {
  if (XmlAttribute* a = FindAttribute(name)) return *a;
  XmlAttribute& a = attributes_.emplace_back();
  a.name.assign(name);
  return a;
}

int XmlObject::CompareAttribute(std::string_view name, std::string_view value) const {
  const XmlAttribute* a = FindAttribute(name);
  return a == nullptr ? -1 : CompareNoCase(a->value, value);
}

void XmlObject::RemoveAttribute(std::string_view name) { RemoveFrom(attributes_, name); }

void XmlObject::SetDeclarationAttribute(std::string_view name, std::string_view value) {
  if (XmlAttribute* a = FindIn(declaration_, name)) {
    a->value.assign(value);
  } else {
    declaration_.emplace_back(std::string(name), std::string(value));
  }
  // Only a root keeps a declaration: the next AddChild above this element empties it.
  if (parent_ != nullptr) parent_->MarkRelinkPending();
}

std::string XmlObject::GetDeclarationAttribute(std::string_view name, std::string_view def) const {
  const XmlAttribute* a = FindIn(declaration_, name);
  return a != nullptr ? a->value : std::string(def);
}

void XmlObject::RemoveDeclarationAttribute(std::string_view name) { RemoveFrom(declaration_, name); }

// ---- properties and text items ----

namespace {
XmlObject MakeEmptyElement(const char* name) {
  XmlObject e;
  e.SetName(name);
  return e;
}
}  // namespace

void XmlObject::AddProperty(std::string_view name, std::string_view caption, std::string_view value,
                            std::uint32_t kind) {
  XmlObject property = MakeEmptyElement("property");
  property.SetAttribute("name", name);
  property.SetAttribute("caption", caption);
  property.SetAttribute("value", value);
  switch (kind) {
    case kPropertyLogical: property.SetAttribute("logical", "1"); break;
    case kPropertyTechDetail: property.SetAttribute("techDetail", "1"); break;
    case kPropertyHexData: property.SetAttribute("hexData", "1"); break;
    default: break;
  }
  AddChild(std::move(property));
}

void XmlObject::AddProperty(std::string_view name, std::string_view caption, const char* value,
                            std::uint32_t kind) {
  AddProperty(name, caption, std::string_view(value != nullptr ? value : ""), kind);
}

void XmlObject::AddProperty(std::string_view name, std::string_view caption, const std::string& value,
                            std::uint32_t kind) {
  AddProperty(name, caption, std::string_view(value), kind);
}

void XmlObject::AddProperty(std::string_view name, std::string_view caption, std::uint8_t value,
                            std::uint32_t kind) {
  AddProperty(name, caption, std::string_view(std::to_string(static_cast<unsigned>(value))), kind);
}

void XmlObject::AddProperty(std::string_view name, std::string_view caption, std::uint32_t value,
                            std::uint32_t kind) {
  AddProperty(name, caption, std::string_view(std::to_string(value)), kind);
}

void XmlObject::AddProperty(std::string_view name, std::string_view caption, std::int32_t value,
                            std::uint32_t kind) {
  AddProperty(name, caption, std::string_view(std::to_string(value)), kind);
}

void XmlObject::AddProperty(std::string_view name, std::string_view caption, std::uint64_t value,
                            std::uint32_t kind) {
  AddProperty(name, caption, std::string_view(std::to_string(value)), kind);
}

std::string XmlObject::GetPropertyValue(std::string_view name) const {
  for (const XmlObject& child : children_) {
    if (!EqualsNoCase(child.name_, "property")) continue;
    const XmlAttribute* n = child.FindAttribute("name");
    if (n == nullptr || !EqualsNoCase(n->value, name)) continue;
    std::string value = child.GetAttribute("value", "");
    if (!value.empty()) return value;
  }
  return {};
}

XmlObject XmlObject::MakeTextItem(std::string_view name, std::string_view caption, std::string_view description) {
  XmlObject item = MakeEmptyElement("TextItem");
  item.SetAttribute("name", name);
  item.SetAttribute("caption", caption);
  item.SetAttribute("description", description);
  return item;
}

}  // namespace rb
