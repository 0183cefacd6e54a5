#include "inventory/xml_document.h"

#include <pugixml.hpp>

#include <cstdint>

namespace kvt {
namespace {

constexpr const char* kUtf8 = "utf-8";
constexpr const char* kSecondRoot = "More than one root node is not allowed";

std::vector<std::string> PathNames(const std::string& path) {
  std::vector<std::string> names;
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find('/', start);
    names.push_back(path.substr(start, slash - start));
    if (slash == std::string::npos) return names;
    start = slash + 1;
  }
}

// Only elements count: a declaration or processing instruction has a name too.
pugi::xml_node ChildElement(const pugi::xml_node& parent, const std::string& name) {
  for (pugi::xml_node child : parent.children())
    if (child.type() == pugi::node_element && name == child.name()) return child;
  return pugi::xml_node();
}

size_t RootElementCount(const pugi::xml_document& document) {
  size_t count = 0;
  for (pugi::xml_node child : document.children())
    if (child.type() == pugi::node_element) ++count;
  return count;
}

// The writer adds no name checks of its own; a name that breaks the markup
// would give a document that cannot be read back.
bool IsXmlName(const std::string& name) {
  if (name.empty()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    const bool later = (c >= '0' && c <= '9') || c == '-' || c == '.';
    if (!letter && !(i > 0 && later)) return false;
  }
  return true;
}

pugi::xml_node AppendElement(pugi::xml_node& parent, const std::string& name) {
  if (!IsXmlName(name)) throw EXmlError("Not an XML element name: " + name);
  pugi::xml_node child = parent.append_child(name.c_str());
  if (!child) throw EXmlError("Cannot add the XML element " + name);
  return child;
}

}  // namespace

// The writer would give control characters as character references, which
// no XML reader accepts, and U+FFFE and U+FFFF as they are, which no reader
// accepts either; a zero byte would end the text early.
std::string XmlCharacters(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto code = static_cast<uint8_t>(text[i]);
    if (code < 0x20 && code != '\t' && code != '\r' && code != '\n') {
      result += '?';
    } else if (text.compare(i, 2, "\xEF\xBF") == 0 && i + 2 < text.size() &&
               (text[i + 2] == '\xBE' || text[i + 2] == '\xBF')) {
      result += '?';  // U+FFFE or U+FFFF in UTF-8
      i += 2;
    } else {
      result += text[i];
    }
  }
  return result;
}

namespace {

// The parser's record of the attribute, which stays where it is while the
// element lives. Held: whether the parser holds Value as it is.
const void* SetAttributeText(pugi::xml_node_struct* element, const std::string& name,
                             const std::string& value, bool& held) {
  if (!IsXmlName(name)) throw EXmlError("Not an XML attribute name: " + name);
  pugi::xml_node node(element);
  pugi::xml_attribute attribute = node.attribute(name.c_str());
  if (!attribute) attribute = node.append_attribute(name.c_str());
  const std::string text = XmlCharacters(value);
  if (!attribute || !attribute.set_value(text.c_str()))
    throw EXmlError("Cannot add the XML attribute " + name);
  held = text == value;
  return attribute.internal_object();
}

// Indentation costs depth characters per line, so a deep tree would grow the
// text quadratically; past this depth the document is written unindented.
constexpr size_t kMaxIndentedDepth = 64;

bool DeeperThan(const pugi::xml_node& top, size_t limit) {
  size_t depth = 0;  // of Node below Top's own children
  pugi::xml_node node = top.first_child();
  while (node) {
    if (node.first_child()) {
      if (++depth > limit) return true;
      node = node.first_child();
      continue;
    }
    while (!node.next_sibling()) {
      node = node.parent();
      if (node == top) return false;
      --depth;
    }
    node = node.next_sibling();
  }
  return false;
}

void DeclareEncoding(pugi::xml_document& document, const std::string& encoding) {
  pugi::xml_node declaration = document.first_child();
  if (declaration.type() != pugi::node_declaration) {
    declaration = document.prepend_child(pugi::node_declaration);
    if (!declaration) throw EXmlError("Cannot add the XML declaration");
    declaration.append_attribute("version") = "1.0";
  }
  pugi::xml_attribute attribute = declaration.attribute("encoding");
  if (!attribute) attribute = declaration.append_attribute("encoding");
  if (!attribute.set_value(encoding.c_str())) throw EXmlError("Cannot add the XML declaration");
}

class TStringWriter : public pugi::xml_writer {
 public:
  explicit TStringWriter(std::string& text) : text_(text) {}
  void write(const void* data, size_t size) override {
    text_.append(static_cast<const char*>(data), size);
  }

 private:
  std::string& text_;
};

}  // namespace

std::string TXmlElement::Name() const { return pugi::xml_node(node_).name(); }

TXmlElement TXmlElement::AppendChild(const std::string& name) const {
  pugi::xml_node parent(node_);
  return TXmlElement(AppendElement(parent, name).internal_object(), document_);
}

std::vector<TXmlElement> TXmlElement::Children() const {
  std::vector<TXmlElement> children;
  for (pugi::xml_node child : pugi::xml_node(node_).children())
    if (child.type() == pugi::node_element)
      children.push_back(TXmlElement(child.internal_object(), document_));
  return children;
}

void TXmlElement::SetAttribute(const std::string& name, const std::string& value) const {
  document_->numbers_.erase(SetValue(name, value));
}

void TXmlElement::SetNumberAttribute(const std::string& name, const std::string& value) const {
  document_->numbers_.insert(SetValue(name, value));
}

const void* TXmlElement::SetValue(const std::string& name, const std::string& value) const {
  bool held = false;
  const void* record = SetAttributeText(node_, name, value, held);
  if (held)
    document_->valuesAsSet_.erase(record);
  else
    document_->valuesAsSet_[record] = value;
  return record;
}

std::string TXmlElement::ValueAsSet(const pugi::xml_attribute& attribute) const {
  const auto found = document_->valuesAsSet_.find(attribute.internal_object());
  return found != document_->valuesAsSet_.end() ? found->second : attribute.value();
}

void TXmlElement::SetUnknownAttribute(const std::string& name) const {
  SetNumberAttribute(name, std::string());
}

std::vector<TXmlAttribute> TXmlElement::Attributes() const {
  std::vector<TXmlAttribute> attributes;
  for (pugi::xml_attribute attribute : pugi::xml_node(node_).attributes())
    attributes.push_back({attribute.name(), ValueAsSet(attribute),
                          document_->numbers_.count(attribute.internal_object()) > 0});
  return attributes;
}

bool TXmlElement::FindAttribute(const std::string& name, std::string& value) const {
  const pugi::xml_attribute attribute = pugi::xml_node(node_).attribute(name.c_str());
  if (!attribute) return false;
  value = ValueAsSet(attribute);
  return true;
}

TXmlDocument::TXmlDocument() : document_(std::make_unique<pugi::xml_document>()) {
  SetEncoding(kUtf8);
}

TXmlDocument::~TXmlDocument() = default;

void TXmlDocument::LoadFromBuffer(const char* data, size_t size) {
  auto loaded = std::make_unique<pugi::xml_document>();
  const pugi::xml_parse_result result =
      loaded->load_buffer(data, size, pugi::parse_default | pugi::parse_declaration);
  if (!result)
    throw EXmlError(std::string(result.description()) + " at offset " +
                    std::to_string(result.offset));
  // The parser takes a forest of top-level elements; a document has one root.
  if (RootElementCount(*loaded) > 1) throw EXmlError(kSecondRoot);
  // The parser converted the text to UTF-8, which is also how it is written.
  DeclareEncoding(*loaded, kUtf8);
  document_ = std::move(loaded);
  numbers_.clear();
  valuesAsSet_.clear();
}

std::string TXmlDocument::SaveToText() const {
  std::string text;
  TStringWriter writer(text);
  const bool indent = !DeeperThan(*document_, kMaxIndentedDepth);
  document_->save(writer, "  ", indent ? pugi::format_default : pugi::format_raw);
  return text;
}

void TXmlDocument::SetEncoding(const std::string& encoding) {
  DeclareEncoding(*document_, encoding);
}

// An element found in a const document can be changed as any other.
TXmlElement TXmlDocument::RootElement() const {
  const pugi::xml_node root = document_->document_element();
  if (!root) return TXmlElement();
  return TXmlElement(root.internal_object(), const_cast<TXmlDocument*>(this));
}

TXmlElement TXmlDocument::FindElement(const std::string& path) const {
  pugi::xml_node node = *document_;
  for (const std::string& name : PathNames(path)) {
    node = ChildElement(node, name);
    if (!node) return TXmlElement();
  }
  return TXmlElement(node.internal_object(), const_cast<TXmlDocument*>(this));
}

TXmlElement TXmlDocument::CreateElement(const std::string& path) {
  pugi::xml_node node = *document_;
  for (const std::string& name : PathNames(path)) {
    pugi::xml_node child = ChildElement(node, name);
    if (!child) {
      if (node == *document_ && document_->document_element()) throw EXmlError(kSecondRoot);
      child = AppendElement(node, name);
    }
    node = child;
  }
  return TXmlElement(node.internal_object(), this);
}

}  // namespace kvt
