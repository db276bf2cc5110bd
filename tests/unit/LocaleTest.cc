#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Locale.h"
#include "platform/Text.h"

namespace {
using platform::canonicalLocaleIdentifier;
using platform::preferredLanguages;

class LocaleEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(name);
  }
  void TearDown() override { SetUp(); }
};

TEST_F(LocaleEnvironment, PreferredLanguagesComeFromLanguageThenTheFirstLocaleVariable) {
  EXPECT_TRUE(preferredLanguages().empty());
  setenv("LANG", "de_DE.UTF-8", 1);
  setenv("LC_MESSAGES", "fr_FR", 1);
  EXPECT_EQ(preferredLanguages(), (std::vector<std::string>{"fr_FR"}));
  setenv("LC_ALL", "", 1);  // set but empty counts as not set
  setenv("LANGUAGE", "sv::nl:", 1);
  EXPECT_EQ(preferredLanguages(), (std::vector<std::string>{"sv", "nl", "fr_FR"}));
}

TEST(Locale, CanonicalFormDropsCodesetAndModifierAndNamesChineseScripts) {
  EXPECT_EQ(canonicalLocaleIdentifier("en_GB.UTF-8"), "en-GB");
  EXPECT_EQ(canonicalLocaleIdentifier("de_DE@euro"), "de-DE");
  EXPECT_EQ(canonicalLocaleIdentifier("ca_ES.UTF-8@valencia"), "ca-ES");
  EXPECT_EQ(canonicalLocaleIdentifier("zh_CN.GB2312"), "zh-Hans");
  EXPECT_EQ(canonicalLocaleIdentifier("zh_SG"), "zh-Hans");
  EXPECT_EQ(canonicalLocaleIdentifier("zh_TW.UTF-8"), "zh-Hant");
  EXPECT_EQ(canonicalLocaleIdentifier("zh_HK"), "zh-Hant");
  EXPECT_EQ(canonicalLocaleIdentifier("zh_MO"), "zh-Hant");
  EXPECT_EQ(canonicalLocaleIdentifier("zh"), "zh");
  EXPECT_EQ(canonicalLocaleIdentifier("C"), "");
  EXPECT_EQ(canonicalLocaleIdentifier("C.UTF-8"), "");
  EXPECT_EQ(canonicalLocaleIdentifier("POSIX"), "");
  EXPECT_EQ(canonicalLocaleIdentifier("EN"), "EN") << "case is kept";
}

TEST(Text, Utf32ToUtf8KeepsEveryCharacterAndRefusesNonCharacters) {
  EXPECT_EQ(platform::utf32ToUtf8(U"İptal – キャンセル ✓"), "İptal – キャンセル ✓");
  EXPECT_EQ(platform::utf32ToUtf8(U""), "");
  const char32_t surrogate[] = {U'a', 0xD800, 0};
  EXPECT_EQ(platform::utf32ToUtf8(surrogate), "");
}

}  // namespace
