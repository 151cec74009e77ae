#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "base/Exception.h"
#include "base/FileSystem.h"
#include "support/ScopedEnv.h"
#include "support/ScopedUmask.h"

namespace qp {
namespace {

using test::ScopedEnv;

// Points TMPDIR at a fresh folder for each test and removes it afterwards.
class TempFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "qpglobalXXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    FFolder = pattern;
    FEnv.emplace("TMPDIR", FFolder.c_str());
  }
  void TearDown() override {
    FEnv.reset();
    std::filesystem::remove_all(FFolder);
  }
  static std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void WriteAll(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
  }
  std::string FFolder;
  std::optional<ScopedEnv> FEnv;
};

TEST_F(TempFiles, TempFolderHasOneTrailingSlash) {
  EXPECT_EQ(GetTempFolder(), FFolder + "/");
  {
    ScopedEnv env("TMPDIR", (FFolder + "/").c_str());
    EXPECT_EQ(GetTempFolder(), FFolder + "/");
  }
  ScopedEnv env("TMPDIR", nullptr);
  EXPECT_EQ(GetTempFolder(), "/tmp/");
}

TEST_F(TempFiles, MakeTempFileCreatesUniqueEmptyFiles) {
  const std::string a = MakeTempFile("Qpt");
  const std::string b = MakeTempFile("Qpt");
  EXPECT_NE(a, b);
  for (const std::string& path : {a, b}) {
    EXPECT_EQ(path.rfind(FFolder + "/Qpt", 0), 0u) << path;
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
  }
  EXPECT_EQ(MakeTempFile("Quillpost").rfind(FFolder + "/Qui", 0), 0u);
  // A "/" in the prefix must not lead out of the temporary folder.
  const std::string escaped = MakeTempFile("../");
  EXPECT_EQ(std::filesystem::path(escaped).parent_path(), std::filesystem::path(FFolder));
}

TEST_F(TempFiles, MakeTempFileInMissingFolderRaises) {
  ScopedEnv env("TMPDIR", (FFolder + "/missing").c_str());
  EXPECT_THROW(MakeTempFile("Qpt"), EFCreateError);
}

TEST_F(TempFiles, CopyFileNoOverwriteNeverClobbers) {
  std::string data(200000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  const std::string source = FFolder + "/source";
  const std::string target = FFolder + "/target";
  WriteAll(source, data);

  EXPECT_TRUE(CopyFileNoOverwrite(source, target));
  EXPECT_EQ(ReadAll(target), data);

  WriteAll(target, "keep me");
  EXPECT_FALSE(CopyFileNoOverwrite(source, target));
  EXPECT_EQ(ReadAll(target), "keep me");

  EXPECT_FALSE(CopyFileNoOverwrite(source, source));
  EXPECT_EQ(ReadAll(source), data);
}

TEST_F(TempFiles, CopyFileNoOverwriteFailsWithoutLeavingFiles) {
  const std::string target = FFolder + "/target";
  EXPECT_FALSE(CopyFileNoOverwrite(FFolder + "/missing", target));
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_FALSE(CopyFileNoOverwrite(FFolder, target));
  EXPECT_FALSE(std::filesystem::exists(target));
  WriteAll(FFolder + "/source", "x");
  EXPECT_FALSE(CopyFileNoOverwrite(FFolder + "/source", FFolder + "/no/such/folder"));
}

TEST_F(TempFiles, CreatePrivateFileIsTheOwnersAloneAndTouchesNothingThere) {
  const test::ScopedUmask umask(022);
  const std::string fresh = FFolder + "/fresh";
  EXPECT_TRUE(CreatePrivateFile(fresh));
  EXPECT_EQ(test::PermissionBits(fresh), 0600);
  EXPECT_EQ(std::filesystem::file_size(fresh), 0u);

  const std::string existing = FFolder + "/existing";
  WriteAll(existing, "rows");
  std::filesystem::permissions(existing, std::filesystem::perms(0644));
  EXPECT_FALSE(CreatePrivateFile(existing));
  EXPECT_EQ(ReadAll(existing), "rows");
  EXPECT_EQ(test::PermissionBits(existing), 0644);

  // A link planted where the file is to be made is not followed.
  const std::string planted = FFolder + "/planted";
  std::filesystem::create_symlink(FFolder + "/elsewhere", planted);
  EXPECT_FALSE(CreatePrivateFile(planted));
  EXPECT_FALSE(std::filesystem::exists(FFolder + "/elsewhere"));
  EXPECT_FALSE(CreatePrivateFile(FFolder + "/no/such/folder"));
}

}  // namespace
}  // namespace qp
