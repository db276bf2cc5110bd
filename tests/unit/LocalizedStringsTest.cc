#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "Moorstep/LocalizedStrings.h"
#include "Moorstep/MessageTable.h"

namespace {
using moorstep::LocalizedStrings;

class Languages : public ::testing::Test {
 protected:
  void SetUp() override { clear(); }
  void TearDown() override { clear(); }
  static void clear() {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) unsetenv(name);
    moorstep::embeddedStringLocale = -1;
  }
  static std::string cancelFor(const std::map<std::string, std::string>& env) {
    clear();
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    return LocalizedStrings::getEmbeddedMessage(moorstep::kMsgCancel).value_or("<nil>");
  }
};

TEST_F(Languages, TheRowFollowsTheUsersPreferredLanguages) {
  EXPECT_EQ(cancelFor({{"LANGUAGE", "fr:en"}}), "Annuler");
  EXPECT_EQ(cancelFor({{"LANG", "en_GB.UTF-8"}}), "Cancel");
  EXPECT_EQ(cancelFor({{"LANG", "pt_PT.UTF-8"}}), "Cancelar");
  EXPECT_EQ(moorstep::embeddedStringLocale, 7) << "the Brazilian row serves pt-PT";
  EXPECT_EQ(cancelFor({{"LANG", "zh_TW.UTF-8"}}), "取消");
  EXPECT_EQ(moorstep::embeddedStringLocale, 10);
  EXPECT_EQ(cancelFor({{"LANG", "zh_CN.UTF-8"}}), "取消");
  EXPECT_EQ(moorstep::embeddedStringLocale, 9);
  EXPECT_EQ(cancelFor({{"LANGUAGE", "da:de"}}), "Abbrechen");
  EXPECT_EQ(cancelFor({{"LANG", "C"}}), "Cancel");
  EXPECT_EQ(moorstep::embeddedStringLocale, 16) << "the default row";
  EXPECT_EQ(cancelFor({}), "Cancel");
  EXPECT_EQ(moorstep::embeddedStringLocale, 16);
  EXPECT_EQ(cancelFor({{"LANGUAGE", "zh:ja"}}), "キャンセル") << "bare zh matches no row";
  EXPECT_EQ(cancelFor({{"LANGUAGE", "de-DE-1996:it"}}), "Annulla") << "one subtag removed only";
  EXPECT_EQ(cancelFor({{"LANGUAGE", "EN:sv"}}), "Avbryt") << "case-sensitive";
  EXPECT_EQ(cancelFor({{"LANGUAGE", "tr_TR.UTF-8"}, {"LANG", "de_DE"}}), "İptal");
}

TEST_F(Languages, TheRowIsChosenOnceAndUnknownIdsGiveNothing) {
  setenv("LANGUAGE", "ja", 1);
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(moorstep::kMsgWindowTitlePrefix),
            "インストール中：");
  setenv("LANGUAGE", "de", 1);
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(moorstep::kMsgOK), "OK");
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(moorstep::kMsgCancel), "キャンセル");
  EXPECT_FALSE(LocalizedStrings::getEmbeddedMessage(11));
  EXPECT_FALSE(LocalizedStrings::getEmbeddedMessage(-1));
}

TEST(LanguageTags, FindAndTrimCompareLiterally) {
  bool found = true;
  EXPECT_EQ(moorstep::FindMessageIndex("zh-Hans", found), 9);
  EXPECT_TRUE(found);
  EXPECT_EQ(moorstep::FindMessageIndex("", found), 16);
  EXPECT_FALSE(found);
  bool trimmed = false;
  EXPECT_EQ(moorstep::TrimLastSubTag("de-DE-1996", trimmed), "de-DE");
  EXPECT_TRUE(trimmed);
  EXPECT_EQ(moorstep::TrimLastSubTag("en_GB", trimmed), "en_GB");
  EXPECT_FALSE(trimmed);
}

TEST(MessageTable, EveryRowIsCompleteValidTextWithTheAddressesWhereTheyBelong) {
  const std::string english[] = {"OK", "Cancel", "Please wait.", "Verifying download...",
                                 "Installing "};
  const int shortIds[] = {2, 3, 4, 7, 9};
  for (int row = 0; row < moorstep::kMessageRowCount; ++row) {
    SCOPED_TRACE(std::string("row ") + moorstep::allMessages[row].tag);
    for (int id = 0; id < moorstep::kMessageCount; ++id) {
      ASSERT_NE(moorstep::allMessages[row].texts[id], nullptr) << id;
      const std::string text = moorstep::wchartoNSString(moorstep::allMessages[row].texts[id]);
      EXPECT_FALSE(text.empty()) << id;
      EXPECT_TRUE(g_utf8_validate(text.c_str(), static_cast<gssize>(text.size()), nullptr)) << id;
    }
    auto text = [&](int id) {
      return moorstep::wchartoNSString(moorstep::allMessages[row].texts[id]);
    };
    for (int id : {0, 1, 6}) {
      EXPECT_NE(text(id).find("\nhttps://www.kavex.example/"), std::string::npos)
          << "message " << id << " starts a line with the download page";
    }
    EXPECT_NE(text(8).find("<a href='https://www.kavex.example/"), std::string::npos);
    EXPECT_NE(text(8).find("'>"), std::string::npos);
    EXPECT_NE(text(8).find("</a>"), std::string::npos);
    for (int id : {0, 1, 5, 6, 10}) EXPECT_EQ(text(id).find("<a "), std::string::npos) << id;
    if (row == 1 || row == moorstep::kDefaultMessageRow) {
      for (int i = 0; i < 5; ++i) EXPECT_EQ(text(shortIds[i]), english[i]);
      EXPECT_EQ(text(5),
                "Unable to download Kavex ZEL. Make sure that you\u2019re connected to the "
                "network and try again.");
    }
  }
  EXPECT_EQ(moorstep::allMessages[moorstep::kDefaultMessageRow].tag, std::string());
  EXPECT_EQ(moorstep::allMessages[moorstep::kDefaultMessageRow].lcid, 0);
  EXPECT_EQ(moorstep::allMessages[7].lcid, 0x0416);
}

}  // namespace
