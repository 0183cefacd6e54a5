#pragma once
// The XML document of an inventory export: a tree of named elements found and
// created by "/"-separated paths from the root. The parser behind it stays in
// xml_document.cpp; callers see only these two classes and EXmlError.
#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "support/errors.h"

namespace pugi {
class xml_attribute;
class xml_document;
struct xml_node_struct;
}  // namespace pugi

namespace kvt {

class TXmlDocument;

// Text as the XML text holds it: each control character but tab, CR and LF,
// and U+FFFE and U+FFFF, as "?".
std::string XmlCharacters(const std::string& text);

// A document that cannot be read, or an element the document cannot take.
class EXmlError : public EError {
 public:
  using EError::EError;
  const char* ClassName() const override { return "EXmlError"; }
};

// An attribute as the document holds it. IsNumber: it was set as a number,
// which XML does not tell apart but other renderings of the document do; an
// empty one is a value that could not be told.
struct TXmlAttribute {
  std::string Name;
  std::string Value;
  bool IsNumber = false;
};

// One element of a TXmlDocument, valid while the document lives and the
// element is not removed. A default-made element stands for "none".
class TXmlElement {
 public:
  TXmlElement() = default;
  explicit operator bool() const { return node_ != nullptr; }
  bool operator==(const TXmlElement& other) const { return node_ == other.node_; }

  std::string Name() const;
  // Appends a new element named Name at the end of this element's children.
  TXmlElement AppendChild(const std::string& name) const;
  // The child elements in document order; text and other nodes are left out.
  std::vector<TXmlElement> Children() const;
  // Sets the attribute Name to the UTF-8 text Value. The XML text writes the
  // control characters XML cannot hold (all but tab, CR and LF) as "?"; the
  // element keeps Value as it was given, for the renderings that can hold it.
  void SetAttribute(const std::string& name, const std::string& value) const;
  // The same for a decimal number, marked as one.
  void SetNumberAttribute(const std::string& name, const std::string& value) const;
  // An empty attribute for a value that could not be read: a number without
  // digits, which is how the renderings that tell it from text mark it.
  void SetUnknownAttribute(const std::string& name) const;
  // The attributes in document order, each value as it was set.
  std::vector<TXmlAttribute> Attributes() const;
  // The attribute Name's value as it was set; false, leaving Value as it
  // was, when there is none.
  bool FindAttribute(const std::string& name, std::string& value) const;

 private:
  friend class TXmlDocument;
  TXmlElement(pugi::xml_node_struct* node, TXmlDocument* document)
      : node_(node), document_(document) {}
  // Sets the attribute and keeps Value where the XML text cannot; returns
  // the parser's record of it.
  const void* SetValue(const std::string& name, const std::string& value) const;
  std::string ValueAsSet(const pugi::xml_attribute& attribute) const;
  pugi::xml_node_struct* node_ = nullptr;
  TXmlDocument* document_ = nullptr;
};

class TXmlDocument {
 public:
  // A new document is empty and declares the encoding "utf-8".
  TXmlDocument();
  ~TXmlDocument();
  TXmlDocument(const TXmlDocument&) = delete;
  TXmlDocument& operator=(const TXmlDocument&) = delete;

  // Replaces the document with the one in Data. Data comes from outside: a
  // document that is not well-formed, or has no or several root elements,
  // raises EXmlError and leaves this document as it was. A loaded document
  // declares "utf-8", whatever its text was in: that is how it is written.
  void LoadFromBuffer(const char* data, size_t size);
  // The document as UTF-8 text, with its declaration.
  std::string SaveToText() const;

  // Sets the encoding named in the document's declaration, adding one if needed.
  void SetEncoding(const std::string& encoding);

  // The root element; none in an empty document.
  TXmlElement RootElement() const;
  // The element at Path, whose first name is the root element's; none if absent.
  TXmlElement FindElement(const std::string& path) const;
  // The element at Path, created with every missing element on the way. A
  // document whose root has another name cannot take it: EXmlError.
  TXmlElement CreateElement(const std::string& path);

 private:
  friend class TXmlElement;
  std::unique_ptr<pugi::xml_document> document_;
  // The attributes set as numbers, by the parser's own attribute record.
  std::unordered_set<const void*> numbers_;
  // The values the XML text could not hold as they were set, by the same record.
  std::unordered_map<const void*, std::string> valuesAsSet_;
};

}  // namespace kvt
