#include "inventory/xml_document.h"

#include <gtest/gtest.h>

#include "export_records.h"

namespace kvt {
namespace {

void Load(TXmlDocument& document, const std::string& text) {
  document.LoadFromBuffer(text.data(), text.size());
}

TEST(XmlDocument, MalformedDocumentsRaiseAndKeepTheOldDocument) {
  const std::vector<std::string> broken = {
      "",
      "   ",
      "<",
      "<Vantora>",
      "<Vantora></Other>",
      "<Vantora a=1/>",
      "<Vantora/><Vantora/>",  // a second root
      "<Vantora/>junk<",
      "<!DOCTYPE [<!ELEMENT",
      std::string("\xFF\xFE<\0V\0", 6),
      std::string("<Vantora>\0</Vantora>", 20),
  };
  TXmlDocument document;
  Load(document, "<Vantora><Kept/></Vantora>");
  for (const std::string& text : broken) {
    EXPECT_THROW(Load(document, text), EXmlError) << text;
    EXPECT_TRUE(document.FindElement("Vantora/Kept")) << text;
  }
}

TEST(XmlDocument, HostileButWellFormedDocumentsStaySmallAndShallow) {
  FakeOs os;
  TInventoryContext context(os);
  TScriptedList list(context);
  TXmlDocument document;
  // Entities declared in the document are never expanded.
  std::string laughs = "<!DOCTYPE Vantora [<!ENTITY a \"aaaaaaaaaa\">";
  for (int i = 1; i < 10; ++i)
    laughs += "<!ENTITY a" + std::to_string(i) + " \"&a" + (i > 1 ? std::to_string(i - 1) : "") +
              ";&a" + (i > 1 ? std::to_string(i - 1) : "") + ";\">";
  laughs += "]><Vantora><TScriptedList><R>&a9;</R></TScriptedList></Vantora>";
  Load(document, laughs);
  list.LoadFromXml(document);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_LT(document.SaveToText().size(), 1000u);

  // Nesting far deeper than any stack would take, if a pass recursed.
  const int depth = 200000;
  std::string deep = "<Vantora><TScriptedList>";
  for (int i = 0; i < depth; ++i) deep += "<a>";
  for (int i = 0; i < depth; ++i) deep += "</a>";
  deep += "</TScriptedList></Vantora>";
  Load(document, deep);
  list.LoadFromXml(document);
  EXPECT_EQ(list.Count(), 1);
  // Written unindented: indentation would make the text grow with depth squared.
  const std::string text = document.SaveToText();
  EXPECT_LT(text.size(), deep.size() + 100);
  EXPECT_NE(text.find("<Vantora><TScriptedList><a><a>"), std::string::npos);
}

TEST(XmlDocument, ALoadedDocumentDeclaresTheEncodingItIsWrittenIn) {
  TXmlDocument document;
  Load(document, "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><Vantora><\xE4/></Vantora>");
  EXPECT_EQ(document.FindElement("Vantora/\xC3\xA4").Name(), "\xC3\xA4");
  EXPECT_EQ(document.SaveToText(),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Vantora>\n  <\xC3\xA4 />\n</Vantora>\n");
}

TEST(XmlDocument, ElementNamesThatWouldBreakTheMarkupAreRefused) {
  TXmlDocument document;
  EXPECT_THROW(document.CreateElement("Vantora/a b"), EXmlError);
  EXPECT_THROW(document.CreateElement("Vantora/"), EXmlError);
  EXPECT_THROW(document.FindElement("Vantora").AppendChild("1x"), EXmlError);
  EXPECT_EQ(document.FindElement("Vantora").AppendChild("x-1.y_z").Name(), "x-1.y_z");
}

TEST(XmlDocument, AttributesWithCharactersXmlCannotHoldStayReadable) {
  TXmlDocument saved;
  // U+FFFE and U+FFFF go; U+FFFD and U+EFBF, which share bytes with them, stay.
  saved.CreateElement("Vantora").SetAttribute(
      "Text", std::string("a\x01\x1F\0b\t\r\n\xEF\xBF\xBE\xEF\xBF\xBF\xEF\xBF\xBD\xEE\xBE\xBF", 20));
  TXmlDocument loaded;
  Load(loaded, saved.SaveToText());
  std::string value;
  ASSERT_TRUE(loaded.FindElement("Vantora").FindAttribute("Text", value));
  EXPECT_EQ(value, "a???b\t\r\n??\xEF\xBF\xBD\xEE\xBE\xBF");
}

}  // namespace
}  // namespace kvt
