#include <gtest/gtest.h>

#include "export_records.h"
#include "processes/process_list.h"

namespace kvt {
namespace {

std::vector<std::string> ChildNames(const TXmlElement& element) {
  std::vector<std::string> names;
  for (const TXmlElement& child : element.Children()) names.push_back(child.Name());
  return names;
}

void Load(TXmlDocument& document, const std::string& text) {
  document.LoadFromBuffer(text.data(), text.size());
}

class XmlExportTest : public ::testing::Test {
 protected:
  XmlExportTest() {
    AddSampleProcesses(os);
    processes.Refresh();
    AddSampleRecords(records);
  }

  FakeOs os;
  TProcessContext context{os};
  TqxProcessList processes{context};
  TScriptedList records{context};
};

TEST_F(XmlExportTest, TwoCollectionsShareOneRoot) {
  TXmlDocument document;
  const TXmlElement processElement = processes.SaveToXml(document);
  records.SaveToXml(document);
  EXPECT_EQ(processElement.Name(), "TqxProcessList");
  EXPECT_TRUE(processElement == document.FindElement("Vantora/TqxProcessList"));
  EXPECT_EQ(ChildNames(document.FindElement("Vantora")),
            (std::vector<std::string>{"TqxProcessList", "TScriptedList"}));
  EXPECT_EQ(ChildNames(processElement),
            (std::vector<std::string>(3, "TqxProcessItem")));
  EXPECT_EQ(ChildNames(document.FindElement("Vantora/TScriptedList")),
            (std::vector<std::string>(2, "TScriptedRecord")));
  const std::string text = document.SaveToText();
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Vantora>", 0), 0u) << text;
}

TEST_F(XmlExportTest, SavedDocumentLoadsBackIntoFreshLists) {
  TXmlDocument saved;
  processes.SaveToXml(saved);
  records.SaveToXml(saved);
  TXmlDocument document;
  Load(document, saved.SaveToText());

  TqxProcessList loaded(context);
  loaded.TargetOS = winBit64;
  loaded.Add().Filename = "dropped by the load";
  EXPECT_EQ(loaded.LoadFromXml(document).Name(), "TqxProcessList");
  ASSERT_EQ(loaded.Count(), 3);
  for (int i = 0; i < loaded.Count(); ++i) {
    EXPECT_EQ(loaded.Items(i).TargetOS, winBit64);
    EXPECT_EQ(loaded.Items(i).Filename, "");  // a base record carries no fields
  }
  TScriptedList loadedRecords(context);
  loadedRecords.LoadFromXml(document);
  EXPECT_EQ(loadedRecords.Count(), 2);
  // Adding keeps what is there.
  loadedRecords.AddFromXml(document);
  EXPECT_EQ(loadedRecords.Count(), 4);
}

TEST_F(XmlExportTest, SavingTwiceAppendsAndEmptyListsLeaveTheirElement) {
  TXmlDocument document;
  processes.SaveToXml(document);
  processes.SaveToXml(document);
  TScriptedList empty(context);
  const TXmlElement emptyElement = empty.SaveToXml(document);
  EXPECT_EQ(document.FindElement("Vantora/TqxProcessList").Children().size(), 6u);
  EXPECT_EQ(ChildNames(document.FindElement("Vantora")),
            (std::vector<std::string>{"TqxProcessList", "TScriptedList"}));
  EXPECT_TRUE(emptyElement.Children().empty());
}

TEST_F(XmlExportTest, FilteredRecordsCreateNoElement) {
  TXmlDocument document;
  const TXmlElement parent = records.XmlClassElement(document);
  records.Items(0).Legit = llsGood;
  records.Items(1).Active = false;
  EXPECT_FALSE(records.Items(0).SaveToXml(parent, true, false));
  EXPECT_FALSE(records.Items(1).SaveToXml(parent, false, true));
  EXPECT_EQ(records.Items(1).SaveToXml(parent, true, false).Name(), "TScriptedRecord");
  EXPECT_EQ(parent.Children().size(), 1u);
}

TEST_F(XmlExportTest, LoadingReadsEveryChildWhateverItsName) {
  TXmlDocument document;
  Load(document,
       "<Vantora><TScriptedList>text<A/><!-- note --><B><C/></B></TScriptedList></Vantora>");
  records.LoadFromXml(document);
  EXPECT_EQ(records.Count(), 2);
}

TEST_F(XmlExportTest, ADocumentWithAnotherRootIsRefused) {
  TXmlDocument document;
  Load(document, "<?xml version=\"1.0\"?><Other><TqxProcessList/></Other>");
  try {
    processes.LoadFromXml(document);
    FAIL() << "loaded a document whose root is not Vantora";
  } catch (const EError& error) {
    EXPECT_STREQ(error.ClassName(), "EXmlError");
    EXPECT_STREQ(error.what(), "More than one root node is not allowed");
  }
  EXPECT_THROW(processes.SaveToXml(document), EXmlError);
  EXPECT_EQ(document.SaveToText().find("Vantora"), std::string::npos);
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

}  // namespace
}  // namespace kvt
