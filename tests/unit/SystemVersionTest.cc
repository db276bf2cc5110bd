#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <cstring>
#include <string>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "libinstall/LibInstall.h"
#include "libinstall/LinuxInstall.h"
#include "libinstall/MacSystemVersion.h"

namespace {
using testsupport::TempDir;

std::string versionFile(const std::string& productVersion) {
  return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>ProductName</key>"
         "<string>X</string><key>ProductVersion</key><string>" +
         productVersion + "</string></dict></plist>";
}

class SystemVersion : public ::testing::Test {
 protected:
  void TearDown() override { MacSystemVersion::SetReaderForTesting(nullptr); }
};

TEST_F(SystemVersion, VersionFilesOfTwoOrThreePiecesAndTheDefaultForAnythingElse) {
  TempDir dir;
  const MacSystemVersion fallback(10, 0, 0);
  auto read = [&](const std::string& version) {
    return MacSystemVersion::FromVersionFile(
        dir.write("SystemVersion.plist", versionFile(version)));
  };
  EXPECT_EQ(read("10.6.8"), MacSystemVersion(10, 6, 8));
  EXPECT_EQ(read("10.7"), MacSystemVersion(10, 7, 0));
  EXPECT_EQ(read("10.6.8.1"), fallback);
  EXPECT_EQ(read("10"), fallback);
  EXPECT_EQ(read("10.x.3"), MacSystemVersion(10, 0, 3)) << "a piece without a number reads 0";
  EXPECT_EQ(read("10.9beta.2"), MacSystemVersion(10, 9, 2));
  EXPECT_EQ(MacSystemVersion::FromVersionFile(dir.path() + "/missing.plist"), fallback);
  EXPECT_EQ(MacSystemVersion::FromVersionFile(dir.write("bad.plist", "<plist>")), fallback);
  EXPECT_EQ(MacSystemVersion::FromVersionFile(dir.write(
                "nokey.plist", "<plist><dict><key>A</key><string>1.2</string></dict></plist>")),
            fallback);
}

TEST_F(SystemVersion, AKernelReleaseGivesItsFirstThreeNumbers) {
  const struct {
    const char* release;
    MacSystemVersion expected;
  } cases[] = {
      {"6.1.0-13-amd64", {6, 1, 0}},
      {"5.10.102.1-microsoft-standard-WSL2", {5, 10, 102}},
      {"4.19", {4, 19, 0}},
      {"4.19-rc1", {4, 19, 0}},
      {"6", {6, 0, 0}},
      {"6-custom", {6, 0, 0}},
      {"6.", {6, 0, 0}},
      {"3.2.1.0.9", {3, 2, 1}},
      {"", {10, 0, 0}},
      {"custom-6.1", {10, 0, 0}},
      {"0.9", {10, 0, 0}},
      {".5", {10, 0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MacSystemVersion::FromKernelRelease(c.release), c.expected) << c.release;
  }
}

TEST_F(SystemVersion, EqualityTakesAllFourFields) {
  EXPECT_FALSE(MacSystemVersion(10, 6, 8, 0) == MacSystemVersion(10, 6, 8, 1));
  EXPECT_TRUE(MacSystemVersion(10, 6, 8, 1) == MacSystemVersion(10, 6, 8, 1));
  EXPECT_FALSE(MacSystemVersion(0, 0, 0, 1) == MacSystemVersion());
}

TEST_F(SystemVersion, TheCacheIsReadOnceUnlessItReadsAsTheSentinel) {
  int reads = 0;
  MacSystemVersion::SetReaderForTesting([&] {
    ++reads;
    return MacSystemVersion(10, 5, 8);
  });
  EXPECT_EQ(MacSystemVersion::CurrentSystemVersion(), MacSystemVersion(10, 5, 8));
  EXPECT_EQ(MacSystemVersion::CurrentSystemVersion(), MacSystemVersion(10, 5, 8));
  EXPECT_EQ(reads, 1);

  MacSystemVersion::SetReaderForTesting([&] {
    ++reads;
    return MacSystemVersion();
  });
  reads = 0;
  MacSystemVersion::CurrentSystemVersion();
  MacSystemVersion::CurrentSystemVersion();
  EXPECT_EQ(reads, 2) << "all zero is the sentinel, so it is read again";
}

TEST_F(SystemVersion, OnLinuxTheKernelReleaseGivesTheVersion) {
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  EXPECT_EQ(MacSystemVersion::GetSystemVersion(),
            MacSystemVersion::FromKernelRelease(names.release));

  install::PlatformInfo info{};
  install::platform_getPlatformInfo(info);
  EXPECT_EQ(info.os, 3);
  EXPECT_EQ(info.major, MacSystemVersion::CurrentSystemVersion().major);
  EXPECT_EQ(info.arch, install::platform_architectureCode(names.machine));
  EXPECT_EQ(install::platform_architectureCode("x86_64"), 1);
  EXPECT_EQ(install::platform_architectureCode("i686"), 1);
  EXPECT_EQ(install::platform_architectureCode("ppc64le"), 2);
  EXPECT_EQ(install::platform_architectureCode("aarch64"), 3);
}

TEST(DownloadUrls, FormedFromThePlatformAndTheHostAndCutToTheBuffer) {
  char installer[512], signature[512];
  ASSERT_TRUE(install::formatBootstrapperDownloadUrls(
      {2, 10, 5, 8, 1}, "h.example", installer, sizeof installer, signature, sizeof signature));
  EXPECT_STREQ(installer, "http://h.example/zel/3/vdx/macos10.5/x86/installer");
  EXPECT_STREQ(signature, "http://h.example/zel/3/vdx/macos10.5/x86/installer.p7");

  ASSERT_TRUE(install::formatBootstrapperDownloadUrls(
      {3, 6, 1, 0, 2}, "h:8080", installer, sizeof installer, signature, sizeof signature));
  EXPECT_STREQ(installer, "http://h:8080/zel/3/vdx/unknown6.1/ppc/installer");
  ASSERT_TRUE(install::formatBootstrapperDownloadUrls(
      {1, 10, 0, 0, 9}, "h", installer, sizeof installer, signature, sizeof signature));
  EXPECT_STREQ(signature, "http://h/zel/3/vdx/windows10.0/unknown/installer.p7");

  char shortBuffer[20];
  ASSERT_TRUE(install::formatBootstrapperDownloadUrls(
      {2, 10, 5, 8, 1}, "h.example", shortBuffer, sizeof shortBuffer, signature, sizeof signature));
  EXPECT_STREQ(shortBuffer, "http://h.example/ze") << "cut to the size less one byte";

  std::strcpy(installer, "untouched");
  for (const install::PlatformInfo& incomplete :
       {install::PlatformInfo{0, 10, 5, 8, 1}, install::PlatformInfo{2, 0, 5, 8, 1},
        install::PlatformInfo{2, 10, 5, 8, 0}}) {
    EXPECT_FALSE(install::formatBootstrapperDownloadUrls(
        incomplete, "h", installer, sizeof installer, signature, sizeof signature));
    EXPECT_STREQ(installer, "untouched");
  }
}

TEST(DownloadUrls, TheHostComesFromTheEnvironmentOverTheBuildSetting) {
  testsupport::ScopedEnv env({"MOORSTEP_DOWNLOAD_HOST"});
  MacSystemVersion::SetReaderForTesting([] { return MacSystemVersion(10, 5, 8); });
  char installer[512], signature[512];
  env.set("MOORSTEP_DOWNLOAD_HOST", std::nullopt);
  ASSERT_TRUE(install::getBootstrapperDownloadUrls(installer, sizeof installer, signature,
                                                   sizeof signature));
  EXPECT_EQ(std::string(installer).find("http://" + install::downloadHost() +
                                        "/zel/3/vdx/"
                                        "unknown10.5/"),
            0u);
  EXPECT_EQ(install::downloadHost(), MOORSTEP_DEFAULT_DOWNLOAD_HOST);
  env.set("MOORSTEP_DOWNLOAD_HOST", "");
  EXPECT_EQ(install::downloadHost(), MOORSTEP_DEFAULT_DOWNLOAD_HOST);
  env.set("MOORSTEP_DOWNLOAD_HOST", "127.0.0.1:8123");
  ASSERT_TRUE(install::getBootstrapperDownloadUrls(installer, sizeof installer, signature,
                                                   sizeof signature));
  EXPECT_EQ(std::string(signature).rfind("http://127.0.0.1:8123/zel/3/vdx/unknown10.5/", 0), 0u);
  EXPECT_TRUE(std::string(signature).ends_with("/installer.p7"));
  MacSystemVersion::SetReaderForTesting(nullptr);
}

}  // namespace
