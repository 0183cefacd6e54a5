#include <string>
#include <vector>

#include "app/console_output.h"
#include "forms/output_forms.h"
#include "inventory/xml_document.h"
#include "support/json.h"

namespace kvt {
namespace {

// The XML form's document alternates elements that hold facts (the root and
// each item, facts as attributes, lists as children) and lists of items.
// JSON gives the first as objects and the second as arrays; the root's name,
// the same in every document, is left out, so that the lists are the
// top-level members. Lists carry no attributes.
void WriteElement(const TXmlElement& element, bool object, const std::string& indent,
                  const std::string& head, const std::string& tail, TConsoleOutput& out) {
  const std::vector<TXmlAttribute> facts =
      object ? element.Attributes() : std::vector<TXmlAttribute>();
  const std::vector<TXmlElement> children = element.Children();
  const std::string open = object ? "{" : "[";
  const std::string close = object ? "}" : "]";
  if (facts.empty() && children.empty()) {
    out.Line(indent + head + open + close + tail);
    return;
  }
  out.Line(indent + head + open);
  const std::string inner = indent + "  ";
  size_t left = facts.size() + children.size();
  for (const TXmlAttribute& fact : facts) {
    const std::string value = fact.IsNumber ? JsonNumber(fact.Value) : JsonString(fact.Value);
    out.Line(inner + JsonString(fact.Name) + ": " + value + (--left > 0 ? "," : ""));
  }
  for (const TXmlElement& child : children) {
    const std::string name = object ? JsonString(child.Name()) + ": " : std::string();
    WriteElement(child, !object, inner, name, --left > 0 ? "," : "", out);
  }
  out.Line(indent + close + tail);
}

}  // namespace

void WriteDocumentAsJson(const TXmlDocument& document, TConsoleOutput& out) {
  WriteElement(document.RootElement(), true, "", "", "", out);
}

void WriteJsonDocument(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out) {
  if (!tables.Any()) return;
  TXmlDocument document;
  SaveFormDocument(list, tables, document);
  WriteDocumentAsJson(document, out);
}

}  // namespace kvt
