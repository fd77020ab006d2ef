#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/wholefile.h"
#include "support/xmlattribute.h"

namespace rb {

// The mark AddProperty puts on a property element.
enum PropertyKind : std::uint32_t {
  kPropertyPlain = 0,
  kPropertyLogical = 1,     // logical="1"
  kPropertyTechDetail = 3,  // techDetail="1"
  kPropertyHexData = 4,     // hexData="1"
};

// An XML element: name, text, attributes, declaration, processing instructions and children, all byte
// strings. Names are compared with CompareNoCase. Children are owned by value; copying an element (copy
// construction or assignment) copies the whole subtree and yields a detached element of depth 0 whose
// copies link to each other. AddChild stores a copy and returns a reference to it.
//
// Moving is the relocation of an element inside a children list: a move-constructed element keeps the
// parent and depth of its source and re-links its own children. Move assignment behaves as copy
// assignment does (the target becomes detached), which is what erasing from a children list needs.
//
// In the persistent file an element is its name, text, parent link, depth, attributes, declaration,
// instructions and children (xmlpersistent.cpp).
class XmlObject final : public Persistent {
 public:
  static constexpr const char* kStreamableName = "XmlObject";

  // Not defaulted: every member has its initializer, and a defaulted constructor would make creating
  // an element in a list (value-initialisation) clear the whole object first.
  XmlObject() noexcept {}
  // Parses `text` as a root element; text after the root element is ignored. Parse errors propagate as
  // std::runtime_error.
  explicit XmlObject(std::string_view text);
  XmlObject(const XmlObject& other);
  XmlObject(XmlObject&& other) noexcept;
  XmlObject& operator=(const XmlObject& other);
  XmlObject& operator=(XmlObject&& other) noexcept;
  ~XmlObject() override;

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Copies the other element's content; this element keeps its place (parent and depth) in its tree.
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<XmlObject>(); }

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& Text() const { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }
  XmlObject* Parent() const { return parent_; }
  std::int32_t Depth() const { return depth_; }
  const std::vector<XmlAttribute>& Attributes() const { return attributes_; }
  const std::vector<XmlAttribute>& Declaration() const { return declaration_; }
  const std::vector<std::string>& Instructions() const { return instructions_; }
  void AddInstruction(std::string instruction) { instructions_.push_back(std::move(instruction)); }
  const std::vector<XmlObject>& Children() const { return children_; }
  // Direct access for in-place edits of stored children. Add children with AddChild; removing or
  // reassigning an element here detaches the elements it touches until the next AddChild re-links them.
  std::vector<XmlObject>& Children() { return children_; }

  void Clear();
  bool IsEmpty() const;  // the declaration is not looked at
  // Forgets the parent link (the element stays where it is stored).
  void DropParent() { parent_ = nullptr; }

  // Attributes; the first attribute whose name matches counts.
  XmlAttribute* FindAttribute(std::string_view name);
  const XmlAttribute* FindAttribute(std::string_view name) const;
  std::string GetAttribute(std::string_view name, std::string_view def = {}) const;
  // Cuts the value at its first byte that is not an XML character, then replaces the value of an
  // existing attribute in place or appends a new one.
  XmlAttribute& SetAttribute(std::string_view name, std::string_view value);
  int CompareAttribute(std::string_view name, std::string_view value) const;  // -1 when missing
  void RemoveAttribute(std::string_view name);
  std::vector<XmlAttribute> GetAttributes() const { return attributes_; }

  // The XML declaration's pseudo-attributes; kept by a root only.
  void SetDeclarationAttribute(std::string_view name, std::string_view value);
  std::string GetDeclarationAttribute(std::string_view name, std::string_view def = {}) const;
  void RemoveDeclarationAttribute(std::string_view name);

  // Appends a copy (or takes the element) as the new last child, fixes depths and parent links below
  // this element and empties the declarations of everything linked below it.
  XmlObject& AddChild(const XmlObject& element);
  XmlObject& AddChild(XmlObject&& element);
  // Appends a copy of each element; returns the last child, or nullptr when there is none.
  XmlObject* AddChildren(const std::vector<XmlObject>& elements);
  std::vector<XmlObject*> GetChildren(std::string_view name);
  std::vector<const XmlObject*> GetChildren(std::string_view name) const;
  void RemoveChildren();
  // mode 1 appends the piece to the text, mode 0 puts it in front; other modes do nothing.
  void AddText(std::string_view piece, int mode);

  // Appends <property name= caption= value= [mark]/>.
  void AddProperty(std::string_view name, std::string_view caption, std::string_view value,
                   std::uint32_t kind = kPropertyPlain);
  void AddProperty(std::string_view name, std::string_view caption, const char* value,
                   std::uint32_t kind = kPropertyPlain);
  void AddProperty(std::string_view name, std::string_view caption, const std::string& value,
                   std::uint32_t kind = kPropertyPlain);
  void AddProperty(std::string_view name, std::string_view caption, std::uint8_t value,
                   std::uint32_t kind = kPropertyPlain);
  void AddProperty(std::string_view name, std::string_view caption, std::uint32_t value,
                   std::uint32_t kind = kPropertyPlain);
  void AddProperty(std::string_view name, std::string_view caption, std::int32_t value,
                   std::uint32_t kind = kPropertyPlain);
  void AddProperty(std::string_view name, std::string_view caption, std::uint64_t value,
                   std::uint32_t kind = kPropertyPlain);
  // The first non-empty value of a property child with that name; empty when there is none.
  std::string GetPropertyValue(std::string_view name) const;
  static XmlObject MakeTextItem(std::string_view name, std::string_view caption, std::string_view description);

  // Serialisation. WriteXml moves a "version" pseudo-attribute to the front of a root's declaration
  // (inserting version="1.0" when there is none) before writing it.
  void WriteXml(std::ostream& out) const;
  void AppendXml(std::string& out) const;
  std::string ToString() const;
  // Always answers true, also when the file cannot be created.
  bool SaveToFile(const std::string& path, bool scrambled) const;
  // Reads a whole document (index < 0), the index-th top-level element, or, in index mode, an
  // "xmlIndex" element holding the headers of all (index < 0) or of the index-th top-level element.
  // Only a regular file of at most `maxBytes` is read; another is refused (traced) and answers false.
  bool LoadFromFile(const std::string& path, bool scrambled, bool indexMode, int index,
                    std::uint64_t maxBytes = kDescriptionFileBytes);

  // Path queries: steps separated by '/', each ".", "..", a name or name[predicate]; the filter applies
  // to the last step. See xmlquery.cpp for the predicate language.
  std::vector<XmlObject*> SelectNodes(std::string_view path, std::string_view filter = {});
  std::vector<const XmlObject*> SelectNodes(std::string_view path, std::string_view filter = {}) const;
  XmlObject* SelectSingleNode(std::string_view path, std::string_view filter = {});
  const XmlObject* SelectSingleNode(std::string_view path, std::string_view filter = {}) const;
  std::string GetValue(std::string_view path, std::string_view def = {}) const;
  bool MatchesFilter(std::string_view filter) const;

 private:
  friend class XmlParser;

  void CopyFrom(const XmlObject& other, std::int32_t depth, XmlObject* parent);
  // The first attribute of that name, or a new last one with an empty value; for the parser, which sets
  // the value in place. `name` must not lie in this element's attributes.
  XmlAttribute& AttributeNamed(std::string_view name);
  XmlObject& LinkNewChild();
  void FixSubtree(std::int32_t depth, XmlObject* parent);
  void RelinkChildren();
  void MarkRelinkPending();
  void WriteTo(std::string& out) const;
  void NormaliseDeclaration() const;

  std::string name_;
  std::string text_;
  XmlObject* parent_ = nullptr;
  std::int32_t depth_ = 0;
  // Set when something below this element lost its links (a child reassigned in place, a declaration
  // set on a linked element); the next AddChild re-walks the whole subtree. (Beside depth_, where it
  // takes no room of its own.)
  bool relinkPending_ = false;
  std::vector<XmlAttribute> attributes_;
  // Mutable because writing a root puts its "version" pseudo-attribute first.
  mutable std::vector<XmlAttribute> declaration_;
  std::vector<std::string> instructions_;
  std::vector<XmlObject> children_;
};

// Copying an element copies its whole subtree: every element, attribute and declaration entry.
StreamCopyCost CopyCostOf(const XmlObject& element);

// The key-scrambled form of SaveToFile/LoadFromFile. Both stop at the first zero byte.
std::string ScrambleText(std::string_view bytes);
std::string UnscrambleText(std::string_view bytes);

}  // namespace rb
