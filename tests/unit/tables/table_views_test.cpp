#include <gtest/gtest.h>

#include "app/console_output.h"
#include "forms/output_forms.h"
#include "inventory/xml_document.h"
#include "os/fake/fake_os.h"
#include "support/csv.h"
#include "tables/form_views.h"
#include "tables/text_views.h"

namespace kvt {
namespace {

// A small table declared as the program's are, to see each view render it
// without knowing its fields.
struct TToy {
  uint32_t Id = 0;
  std::string Name;
  uint64_t Address = 0;
  bool Hidden = false;
};

const TTable<TToy>& ToyTable() {
  using C = TColumn<TToy>;
  static const TTable<TToy> kTable = {
      C().Keyed(2, "ID", "Id").Titled("Id", 4).Form("Id", "Identity")
          .Decimal([](TToy& t) { return t.Id; }),
      // Applied first, though declared second: the passes keep their own order.
      C().Keyed(1, "NAME", "Name").Titled("Name", 6).Form("Name", "Name")
          .Text([](TToy& t) { return t.Name; })
          .ShownAs([](TToy& t) { return "<" + t.Name + ">"; }),
      C().Keyed(3, "ADDR", "Address").Form("Address", nullptr)
          .Hex([](TToy& t) { return t.Address; }),
      C().Titled("Secret").Form("Secret", "Secret").Text([](TToy&) { return std::string("s"); })
          .DeniedWhen([](TToy& t) { return t.Hidden; }),
  };
  return kTable;
}

TEST(TableViews, TheTemplateAppliesTheKeyedColumnsInTheOrderOfTheirPasses) {
  TToy toy{7, "<$ID:2>", 0x1A};
  EXPECT_EQ(TemplateHeader(ToyTable(), "<$ID:4>|<$NAME:*>|<$ADDR:8>"), "Id  |Name|Address ");
  // The name's own placeholder text is filled by the later pass of its key.
  EXPECT_EQ(TemplateLine(ToyTable(), toy, "<$NAME:*>|<$ADDR:8>"), "< 7>|0000001A");
}

TEST(TableViews, TheTitledColumnsAlignAsFactsAndIndent) {
  TToy toy{42, "x", 0, true};
  EXPECT_EQ(AlignedHeader(ToyTable()), "Id    Name    Address  Secret");
  EXPECT_EQ(AlignedLine(ToyTable(), toy), "42    <x>     00000000  Access denied.");
  const std::vector<std::string> facts = FactLines(ToyTable(), toy);
  ASSERT_EQ(facts.size(), 4u);
  EXPECT_EQ(facts[0], "  Id:      42");
  EXPECT_EQ(facts[3], "  Secret:  Access denied.");
  toy.Hidden = false;
  EXPECT_EQ(IndentedLine(ToyTable(), toy, 2), "    42  <x>  00000000  s");
  EXPECT_EQ(IndentedText(1, {"1", "a", ""}), "  1  a");
}

TEST(TableViews, CsvHoldsTheFormsValuesAndLeavesADeniedOneEmpty) {
  TToy toy{3, "a,b", 255, true};
  EXPECT_EQ(CsvRecord(CsvTitles(ToyTable())), "Id,Name,Address,Secret");
  EXPECT_EQ(CsvRecord(CsvValues(ToyTable(), toy)), "3,\"a,b\",000000FF,");
}

TEST(TableViews, XmlAndJsonNameTheColumnsAndTellNumbersAndUnknowns) {
  TToy toy{3, "a", 255, true};
  TXmlDocument document;
  const TXmlElement row = document.CreateElement("Vantora/Toys").AppendChild("Toy");
  SaveXmlAttributes(ToyTable(), toy, row);
  EXPECT_NE(document.SaveToText().find("<Toy Identity=\"3\" Name=\"a\" Secret=\"\""),
            std::string::npos);

  TToy loaded;
  LoadXmlAttributes(ToyTable(), loaded, row);  // nothing declares a load: the item stays
  EXPECT_EQ(loaded.Id, 0u);

  FakeOs os;
  TConsoleOutput out(os);
  WriteDocumentAsJson(document, out);
  out.Flush();
  EXPECT_NE(os.StdOut.find("\"Identity\": 3,"), std::string::npos) << os.StdOut;
  EXPECT_NE(os.StdOut.find("\"Name\": \"a\","), std::string::npos);
  EXPECT_NE(os.StdOut.find("\"Secret\": null"), std::string::npos);
}

}  // namespace
}  // namespace kvt
