// The persistent form of XML elements and attributes.
#include <algorithm>

#include "framework/ptstream.h"
#include "support/xmlobject.h"

namespace rb {

void XmlAttribute::Stream(ptstream& stream, bool, std::int32_t) {
  stream.Transfer(name);
  stream.Transfer(value);
}

void XmlAttribute::Assign(const Persistent& other) {
  *this = dynamic_cast<const XmlAttribute&>(other);
}

// Name, text, the parent link, depth, attributes, declaration, instructions and
// children. The parent link and the depth follow from where an element is held,
// so a reader takes them from the structure: an element read on its own is a
// root, and each child links to the element that holds it. The writer likewise
// writes a parent link only to an element already in the stream and never
// follows the link.
void XmlObject::Stream(ptstream& stream, bool writing, std::int32_t) {
  stream.Transfer(name_);
  stream.Transfer(text_);
  std::int32_t depth = depth_;
  if (writing) {
    stream.Writer().WriteLinkIfStreamed(parent_);
    stream.Transfer(depth);
  } else {
    XmlObject* parent = nullptr;
    stream.TransferLink(parent);
    stream.Transfer(depth);
  }
  stream.TransferHeldList(attributes_);
  stream.TransferHeldList(declaration_);
  stream.TransferStringList(instructions_);
  // The smallest child is a reference to an element written before: tag and
  // number.
  const std::size_t count = stream.TransferCount(children_.size(), 5);
  if (!writing) {
    children_.clear();
    children_.resize(count);
    relinkPending_ = false;
  }
  for (XmlObject& child : children_) {
    if (!writing) {
      child.parent_ = this;
      child.depth_ = depth_ + 1;
    }
    stream.TransferHeld(child);
    if (!writing) child.declaration_.clear();
  }
}

void XmlObject::Assign(const Persistent& other) {
  const auto& from = dynamic_cast<const XmlObject&>(other);
  if (&from == this) return;
  // The copy takes this element's place in its tree.
  const XmlObject copy(from);
  CopyFrom(copy, depth_, parent_);
  if (parent_ != nullptr) declaration_.clear();
}

StreamCopyCost CopyCostOf(const XmlObject& element) {
  StreamCopyCost cost;
  for (const XmlObject& child : element.Children()) {
    const StreamCopyCost below = CopyCostOf(child);
    cost.objects += below.objects;
    cost.height = std::max(cost.height, below.height + 1);
  }
  // Attributes and declaration entries are objects of their own.
  cost.objects += element.Attributes().size() + element.Declaration().size();
  return cost;
}

}  // namespace rb
