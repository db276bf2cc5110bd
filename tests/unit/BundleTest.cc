#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>
#include <string>

#include "TempDir.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"

namespace {
using platform::Bundle;
using platform::PropertyList;
using testsupport::TempDir;

std::string xmlDict(const std::string& entries) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + entries +
         "</dict></plist>\n";
}

std::string binaryDict(const char* key, const char* value) {
  plist_t dict = plist_new_dict();
  plist_dict_set_item(dict, key, plist_new_string(value));
  char* bytes = nullptr;
  uint32_t length = 0;
  plist_to_bin(dict, &bytes, &length);
  std::string out(bytes, length);
  std::free(bytes);
  plist_free(dict);
  return out;
}

TEST(PropertyList, ReadsXmlAndBinaryDictionariesAndRefusesEverythingElse) {
  TempDir dir;
  auto xml = PropertyList::readDictionary(
      dir.write("a.plist", xmlDict("<key>CFBundleVersion</key><string>1.2</string>"
                                   "<key>Count</key><integer>3</integer>")));
  ASSERT_TRUE(xml);
  EXPECT_EQ(xml->stringValue("CFBundleVersion"), "1.2");
  EXPECT_FALSE(xml->stringValue("Count")) << "not a string";
  EXPECT_FALSE(xml->stringValue("Missing"));

  auto bin = PropertyList::readDictionary(dir.write("b.plist", binaryDict("K", "v")));
  ASSERT_TRUE(bin);
  EXPECT_EQ(bin->stringValue("K"), "v");
  PropertyList copy = *bin;
  EXPECT_EQ(copy.stringValue("K"), "v");

  EXPECT_FALSE(PropertyList::readDictionary(dir.path() + "/missing.plist"));
  EXPECT_FALSE(PropertyList::readDictionary(dir.write("empty.plist", "")));
  EXPECT_FALSE(PropertyList::readDictionary(dir.write("junk.plist", "<plist><dict><key>")));
  EXPECT_FALSE(PropertyList::readDictionary(dir.write("bplist.plist", "bplist00\xff\xff\xff")));
  EXPECT_FALSE(PropertyList::readDictionary(dir.write(
      "array.plist", "<plist version=\"1.0\"><array><string>x</string></array></plist>")));
  EXPECT_FALSE(PropertyList::readDictionary(dir.path())) << "a folder is not a file";
}

TEST(Bundle, OpensApplicationFrameworkAndFlatLayouts) {
  TempDir dir;
  dir.write("Install X.app/Contents/Info.plist",
            xmlDict("<key>CFBundleExecutable</key><string>Install X</string>"
                    "<key>CFBundleVersion</key><string>7</string>"));
  dir.write("Install X.app/Contents/MacOS/Install X", "#!/bin/sh\n");
  dir.make("Install X.app/Contents/Resources/X");
  auto app = Bundle::bundleWithPath(dir.path() + "/Install X.app");
  ASSERT_TRUE(app);
  EXPECT_EQ(app->resourcePath(), dir.path() + "/Install X.app/Contents/Resources");
  EXPECT_EQ(app->executablePath(), dir.path() + "/Install X.app/Contents/MacOS/Install X");
  EXPECT_EQ(app->infoValue("CFBundleVersion"), "7");
  EXPECT_EQ(app->pathForResource("X", ""), dir.path() + "/Install X.app/Contents/Resources/X");
  EXPECT_FALSE(app->pathForResource("Config", "plist"));

  dir.write("Z.framework/Resources/Info.plist",
            xmlDict("<key>CFBundleVersion</key><string>3.2.0.2060</string>"));
  auto framework = Bundle::bundleWithPath(dir.path() + "/Z.framework");
  ASSERT_TRUE(framework);
  EXPECT_EQ(framework->infoValue("CFBundleVersion"), "3.2.0.2060");
  EXPECT_EQ(framework->resourcePath(), dir.path() + "/Z.framework/Resources");
  EXPECT_FALSE(framework->executablePath());

  auto flat = Bundle::bundleWithPath(dir.make("flat"));
  ASSERT_TRUE(flat);
  EXPECT_EQ(flat->resourcePath(), dir.path() + "/flat");
  EXPECT_FALSE(flat->infoValue("CFBundleVersion"));

  EXPECT_FALSE(Bundle::bundleWithPath(dir.path() + "/nothing-here"));
  EXPECT_FALSE(Bundle::bundleWithPath(dir.write("plain-file", "x")));
}

TEST(Bundle, ExecutablePathNeedsANamedExistingFileInsideTheBundle) {
  TempDir dir;
  dir.write("A.app/Contents/Info.plist",
            xmlDict("<key>CFBundleExecutable</key><string>../../x</string>"));
  dir.make("A.app/Contents/MacOS");
  EXPECT_FALSE(Bundle::bundleWithPath(dir.path() + "/A.app")->executablePath());
  dir.write("B.app/Contents/Info.plist",
            xmlDict("<key>CFBundleExecutable</key><string>B</string>"));
  EXPECT_FALSE(Bundle::bundleWithPath(dir.path() + "/B.app")->executablePath()) << "file missing";
  dir.write("C.app/Contents/Info.plist", "not a property list");
  dir.write("C.app/Contents/MacOS/C", "");
  auto broken = Bundle::bundleWithPath(dir.path() + "/C.app");
  ASSERT_TRUE(broken) << "a malformed Info.plist leaves an empty information dictionary";
  EXPECT_FALSE(broken->executablePath());
  EXPECT_FALSE(broken->infoValue("CFBundleExecutable"));
}

TEST(Bundle, MainBundleIsFoundFromTheExecutablesFolder) {
  TempDir dir;
  dir.write("I.app/Contents/Info.plist", xmlDict("<key>CFBundleVersion</key><string>9</string>"));
  dir.write("I.app/Contents/MacOS/I", "");
  auto inside = Bundle::forExecutable(dir.path() + "/I.app/Contents/MacOS/I");
  ASSERT_TRUE(inside);
  EXPECT_EQ(inside->bundlePath(), dir.path() + "/I.app");
  EXPECT_EQ(inside->infoValue("CFBundleVersion"), "9");

  dir.write("bin/tool", "");
  auto outside = Bundle::forExecutable(dir.path() + "/bin/tool");
  ASSERT_TRUE(outside);
  EXPECT_EQ(outside->resourcePath(), dir.path() + "/bin");
  EXPECT_FALSE(outside->infoValue("CFBundleVersion"));

  EXPECT_TRUE(Bundle::mainBundle()) << "the test binary's own folder";
}

}  // namespace
