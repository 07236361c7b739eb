// Settings against the real GetPrivateProfileStringA / WritePrivateProfileStringA.
// Every case uses a file of its own: the profile functions cache files and
// refresh them by time stamp, so rewriting one file within a second is unsafe.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "settings/Settings.h"

namespace vantu {
namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "vantu_profile_" + std::to_string(GetCurrentProcessId()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(folder_.c_str(), nullptr);
  }

  // Wine reuses process ids, so an earlier run's file may still be there.
  std::string NewPath() {
    const std::string path = folder_ + "\\case" + std::to_string(next_++) + ".ini";
    DeleteFileA(path.c_str());
    return path;
  }

  static void WriteRaw(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }

  static std::string ReadRaw(const std::string& path) {
    std::string bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
      char chunk[4096];
      size_t n;
      while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
      std::fclose(file);
    }
    return bytes;
  }

  std::string folder_;
  int next_ = 0;
};

TEST_F(ProfileTest, MissingFileGivesDefaults) {
  Settings settings(NewPath());
  // Values no file gives, so that a Load that does nothing cannot pass.
  settings.Active = false;
  settings.Nickname = "sentinel nickname";
  settings.Password = "sentinel password";
  settings.Load();
  EXPECT_TRUE(settings.Active);
  EXPECT_EQ(settings.Nickname, "");
  EXPECT_EQ(settings.Password, "");
}

TEST_F(ProfileTest, ActiveFollowsTheIntegerRuleThroughTheRealReader) {
  const struct {
    const char* line;
    bool active;
  } cases[] = {
      {"Active=0", false},    {"Active=1", true},     {"Active=2", true},   {"Active=-1", true},
      {"Active=0x1", true},   {"Active=$1F", true},   {"Active=yes", true}, {"Active=false", true},
      {"Active=0x", true},    {"Active=", true},      {"Active=0x0", false}, {"Active= 0 ", false},
      {"Nickname=x", true},
  };
  for (const auto& c : cases) {
    const std::string path = NewPath();
    WriteRaw(path, std::string("[Main]\r\n") + c.line + "\r\n");
    Settings settings(path);
    EXPECT_EQ(settings.Active, c.active) << c.line;
  }
}

TEST_F(ProfileTest, LoadsTextsAsTheyStandAndCutsThemAt2047) {
  const std::string path = NewPath();
  const std::string longName(3000, 'n');
  WriteRaw(path, "[Other]\r\nNickname=wrong\r\n[Main]\r\nNickname=" + longName +
                     "\r\nPassword=p&w=rd;x\r\n");
  Settings settings(path);
  EXPECT_EQ(settings.Nickname, std::string(2047, 'n'));
  EXPECT_EQ(settings.Password, "p&w=rd;x");
}

TEST_F(ProfileTest, SaveWritesTheThreeKeysInOrder) {
  const std::string path = NewPath();
  Settings settings(path);
  settings.Active = false;
  settings.Nickname = "jo smith";
  settings.Password = "pw";
  EXPECT_TRUE(settings.Save());
  EXPECT_EQ(ReadRaw(path), "[Main]\r\nActive=0\r\nNickname=jo smith\r\nPassword=pw\r\n");
}

TEST_F(ProfileTest, SavingTwiceKeepsOneSectionAndForeignKeys) {
  const std::string path = NewPath();
  WriteRaw(path, "[Main]\r\nTheme=dark\r\n[Other]\r\nKey=1\r\n");
  Settings settings(path);
  settings.Nickname = "first";
  EXPECT_TRUE(settings.Save());
  settings.Nickname = "second";
  settings.Active = true;
  EXPECT_TRUE(settings.Save());
  const std::string bytes = ReadRaw(path);
  EXPECT_EQ(bytes.find("[Main]"), bytes.rfind("[Main]")) << bytes;
  EXPECT_NE(bytes.find("Theme=dark"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("[Other]\r\nKey=1"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("Nickname=second"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("first"), std::string::npos) << bytes;
}

// Whatever the user types comes back unchanged at the next start.
TEST_F(ProfileTest, EveryValueRoundTrips) {
  const char* values[] = {
      "",          "plain",        "with space", " leading",   "trailing ", "  both  ",
      "\ttab",     "\"quoted\"",   "'single'",   "\"half",     "half\"",    "\"",
      "a&b=c+d%",  ";semicolon",   "[bracket]",  "key=value",  "#hash",     "\x80\xE4\xF6\xFC\xDF\xFF",
      "\" \"",     "mid\"quote",
  };
  for (const char* value : values) {
    const std::string path = NewPath();
    {
      Settings settings(path);
      settings.Nickname = value;
      settings.Password = value;
      EXPECT_TRUE(settings.Save());
    }
    Settings reread(path);
    EXPECT_EQ(reread.Nickname, value) << "[" << value << "] file: " << ReadRaw(path);
    EXPECT_EQ(reread.Password, value) << "[" << value << "] file: " << ReadRaw(path);
  }
}

// A line break typed or pasted into a box cannot add lines to the file.
TEST_F(ProfileTest, SaveWritesEachValueUpToItsFirstLineBreak) {
  const struct {
    const char* nickname;
    const char* password;
    const char* file;
    const char* keptNickname;
    const char* keptPassword;
  } cases[] = {
      {"jo\r\nActive=0", "pw\n[Other]\nKey=1", "[Main]\r\nActive=1\r\nNickname=jo\r\nPassword=pw\r\n", "jo", "pw"},
      {"jo\rActive=0", "\r\nPassword=evil", "[Main]\r\nActive=1\r\nNickname=jo\r\nPassword=\r\n", "jo", ""},
      {"jo \nx", "pw", "[Main]\r\nActive=1\r\nNickname=\"jo \"\r\nPassword=pw\r\n", "jo ", "pw"},
  };
  for (const auto& c : cases) {
    const std::string path = NewPath();
    Settings settings(path);
    settings.Nickname = c.nickname;
    settings.Password = c.password;
    EXPECT_TRUE(settings.Save());
    EXPECT_EQ(ReadRaw(path), c.file) << c.nickname;
    Settings reread(path);
    EXPECT_TRUE(reread.Active) << c.nickname;
    EXPECT_EQ(reread.Nickname, c.keptNickname);
    EXPECT_EQ(reread.Password, c.keptPassword);
  }
}

TEST_F(ProfileTest, PlainValuesAreWrittenWithoutQuotes) {
  const std::string path = NewPath();
  Settings settings(path);
  settings.Nickname = "a&b=c;d";
  settings.Password = " spaced ";
  EXPECT_TRUE(settings.Save());
  EXPECT_EQ(ReadRaw(path), "[Main]\r\nActive=1\r\nNickname=a&b=c;d\r\nPassword=\" spaced \"\r\n");
}

TEST_F(ProfileTest, AFailedWriteNamesTheFile) {
  const std::string path = folder_ + "\\missing folder\\gen_vantu.ini";
  Settings settings(path);
  settings.Nickname = "jo";
  // A failure that no profile function reported would carry this value on.
  SetLastError(0xdeadbeef);
  const Expected<void, IniWriteError> saved = settings.Save();
  ASSERT_FALSE(saved) << "Save into a missing folder succeeded";
  EXPECT_EQ(saved.Error().SystemError(), static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(saved.Error().Message(), "In " + path + " kann nicht geschrieben werden");
}

}  // namespace
}  // namespace vantu
