#include <gtest/gtest.h>

#include "installer/ErrorReport.h"
#include "installer/IniWriter.h"

namespace {

TEST(IniText, ExampleIsByteExact) {
  const std::string expected =
      "[Config]\r\n"
      "IniVer=2\r\n"
      ";Directories:\r\n"
      ";QuoDir=the directory Quorin is in\t;shortname: \"{QuoDir}\"\r\n"
      "TSDir=C:\\Westwood\\Tiberian Sun\\\t\t;shortname: \"{TSDir}\"\r\n"
      "RulesDir=C:\\Westwood\\Tiberian Sun\\Rules\\\t\t;can use {TSDir} or {QuoDir}, shortname: "
      "\"{RulesDir}\"\r\n"
      "\r\n"
      "[Rules]\r\n"
      "; > Be aware you obviously can not use a ; in any files name...! <\r\n"
      ";\r\n"
      "; Format:\r\n"
      ";   All rules refs start with name=<rules name>\r\n"
      ";   the line info=<info file> is the text file to load in the info window\r\n"
      ";   all other entries are the filename as it should be in the TS directory = filename in "
      "rules directory\r\n"
      ";   e.g.:\r\n"
      ";     rules.ini=<rules file>\r\n"
      ";     art.ini=<art file>\r\n"
      ";   these can be *any* files you want copied into the TS directory, from the ini files to "
      ".mix or other files\r\n";
  EXPECT_EQ(expected.size(), 748u);
  EXPECT_EQ(
      installer::IniText("C:\\Westwood\\Tiberian Sun\\", "C:\\Westwood\\Tiberian Sun\\Rules\\"),
      expected);
}

// A reinstallation keeps the rule entries the product wrote into [Rules] and every section
// after it; the rest of the old file gives way to the new lines.
TEST(IniText, ReinstallingKeepsTheProductsRulesAndTheSectionsAfterThem) {
  const std::string ours = installer::IniText("C:\\TS\\", "C:\\TS\\Rules\\");
  struct Case {
    std::string name, old, kept;
  };
  const Case cases[] = {
      {"none written yet", ours, ""},
      {"entries among the comments", ours + "name=Mine\r\n\r\n; mine\r\n  info=mine.txt \r\n",
       "name=Mine\r\n  info=mine.txt \r\n"},
      {"sections after it, as they are",
       "[Config]\r\nTSDir=D:\\\r\n[Rules]\r\n;c\r\nrules.ini=a.ini\r\n[Extra]\r\n; note\r\n\r\nx=1",
       "rules.ini=a.ini\r\n[Extra]\r\n; note\r\n\r\nx=1\r\n"},
      {"another letter case, line feeds alone", "x=0\n[rules] ; the rules\nname=A\n\tart.ini=b\n",
       "name=A\n\tart.ini=b\n"},
      {"no rules section", "[Config]\r\nIniVer=2\r\nname=A\r\n", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(installer::KeptRules(c.old), c.kept) << c.name;
  }
}

TEST(ErrorReport, TitleAndFullStopRule) {
  EXPECT_EQ(installer::ApplicationTitle("/opt/quorin/bin/InstallQuorin"), "Installquorin");
  EXPECT_EQ(installer::ApplicationTitle("C:\\Setup\\INSTALLQUORIN.EXE"), "Installquorin");
  EXPECT_EQ(installer::ReportText("The archive file appears to be corrupted"),
            "The archive file appears to be corrupted.");
  EXPECT_EQ(installer::ReportText("File (3) is corrupt"), "File (3) is corrupt.");
  EXPECT_EQ(installer::ReportText("Unable to open file (InstallQuorin.dat)"),
            "Unable to open file (InstallQuorin.dat)");
  EXPECT_EQ(installer::ReportText("Cannot create file C:\\Quorin\\Quorin.ini"),
            "Cannot create file C:\\Quorin\\Quorin.ini.");
  EXPECT_EQ(installer::ReportText("Done."), "Done.");
  EXPECT_EQ(installer::ReportText("Caf\xE9"), "Caf\xE9.");
  EXPECT_EQ(installer::ReportText("Abc/"), "Abc/.");
  EXPECT_EQ(installer::ReportText(""), "");
}

}  // namespace
