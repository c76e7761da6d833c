// Where the data folder is found, and the user's own copy an installed
// program makes on first start.
#include "trainer/data_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/test_util.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;

// An installed program in <root>/prefix with its shipped data folder, a home
// folder, and nothing else until a test adds it.
class DataDirTest : public ::testing::Test {
 protected:
  DataDirTest() {
    fs::create_directories(Prefix() / "bin");
    Put(Prefix() / "bin/scmp-run", "");
    Put(Installed() / "SCMP.DEL", "shipped table");
    Put(Installed() / "Samples/COUNTER.ASM", "shipped sample");
    fs::create_directories(Home());
    places_.exe_path = (Prefix() / "bin/scmp-run").string();
    places_.home = Home().string();
  }
  static void Put(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }
  fs::path Prefix() const { return root_.path() / "prefix"; }
  fs::path Installed() const { return Prefix() / "share/scmp-trainer"; }
  fs::path Home() const { return root_.path() / "home"; }
  fs::path UserCopy() const { return Home() / ".local/share/scmp-trainer"; }
  std::string Find() {
    notes_.str("");
    error_.clear();
    return FindDataDir(places_, notes_, &error_);
  }

  test::TempDir root_;
  DataDirPlaces places_;
  std::ostringstream notes_;
  std::string error_;
};

TEST_F(DataDirTest, TakesTheFirstPlaceInOrder) {
  const fs::path beside = Prefix() / "bin/Scmp";
  const fs::path xdg = root_.path() / "xdg";
  struct Case {
    const char* name;
    std::string option, env, xdg_data_home;
    bool beside_has_table, user_copy_has_table;
    std::string expected;
  };
  const Case cases[] = {
      {"--dir first", "/opt/d", "/env/d", "", true, true, "/opt/d/"},
      {"then SCMP_DIR", "", "/env/d", "", true, true, "/env/d/"},
      {"then beside the program", "", "", "", true, true, beside.string() + "/"},
      {"then the user's copy", "", "", "", false, true, UserCopy().string() + "/"},
      {"in XDG_DATA_HOME when absolute", "", "", xdg.string(), false, false, (xdg / "scmp-trainer").string() + "/"},
      {"a relative XDG_DATA_HOME is ignored", "", "", "rel", false, false, UserCopy().string() + "/"},
  };
  for (const Case& c : cases) {
    fs::remove_all(beside);
    fs::remove_all(UserCopy());
    fs::remove_all(xdg);
    if (c.beside_has_table) Put(beside / "SCMP.DEL", "beside");
    if (c.user_copy_has_table) Put(UserCopy() / "SCMP.DEL", "mine");
    places_.option_dir = c.option;
    places_.env_dir = c.env;
    places_.xdg_data_home = c.xdg_data_home;
    EXPECT_EQ(Find(), c.expected) << c.name << ": " << error_;
  }
}

TEST_F(DataDirTest, FirstStartCopiesTheInstalledFolderOnceAndSaysWhat) {
  // Also when the executable is not in the prefix: the folder given at build
  // time is the fallback.
  for (const bool exe_in_prefix : {true, false}) {
    fs::remove_all(UserCopy());
    places_.exe_path = exe_in_prefix ? (Prefix() / "bin/scmp-run").string() : (root_.path() / "elsewhere/x").string();
    places_.built_in_dir = exe_in_prefix ? "" : Installed().string() + "/";
    EXPECT_EQ(Find(), UserCopy().string() + "/") << error_;
    EXPECT_EQ(ReadFile((UserCopy() / "SCMP.DEL").string()), "shipped table");
    EXPECT_EQ(ReadFile((UserCopy() / "Samples/COUNTER.ASM").string()), "shipped sample");
    const std::string said = notes_.str();
    for (const std::string& part : {Installed().string(), UserCopy().string(), std::string("SCMP.DEL, Samples/")})
      EXPECT_NE(said.find(part), std::string::npos) << part << " in " << said;

    EXPECT_EQ(Find(), UserCopy().string() + "/");
    EXPECT_EQ(notes_.str(), "") << "said only on the start that copied";
  }
  for (const auto& entry : fs::directory_iterator(UserCopy().parent_path()))
    EXPECT_EQ(entry.path(), UserCopy()) << "no partial copy is left behind";
}

TEST_F(DataDirTest, AnExistingUserCopyIsNeverChanged) {
  Put(UserCopy() / "SCMP.DEL", "my edited table");
  EXPECT_EQ(Find(), UserCopy().string() + "/");
  EXPECT_EQ(ReadFile((UserCopy() / "SCMP.DEL").string()), "my edited table");
  EXPECT_FALSE(fs::exists(UserCopy() / "Samples")) << "a newer sample is not forced on it";
  EXPECT_EQ(notes_.str(), "");

  // Without SCMP.DEL it is not filled up either: an error that names the
  // places tried and where the shipped table is.
  fs::remove(UserCopy() / "SCMP.DEL");
  EXPECT_EQ(Find(), "");
  EXPECT_FALSE(fs::exists(UserCopy() / "SCMP.DEL"));
  for (const fs::path& named : {Prefix() / "bin/Scmp/SCMP.DEL", UserCopy() / "SCMP.DEL", Installed()})
    EXPECT_NE(error_.find(named.string()), std::string::npos) << named << " in " << error_;
}

TEST_F(DataDirTest, ErrorNamesEveryPlaceTried) {
  fs::remove_all(Installed());
  places_.built_in_dir = (root_.path() / "built-in").string();
  EXPECT_EQ(Find(), "");
  for (const fs::path& dir : {Prefix() / "bin/Scmp", UserCopy(), Installed(), root_.path() / "built-in"})
    EXPECT_NE(error_.find((dir / "SCMP.DEL").string()), std::string::npos) << dir << " in " << error_;
  EXPECT_FALSE(fs::exists(UserCopy())) << "nothing is made when there is nothing to copy";
}

TEST_F(DataDirTest, WithoutAWritableHomeTheInstalledFolderIsUsed) {
  Put(root_.path() / "file", "");
  places_.xdg_data_home = (root_.path() / "file/below").string();
  EXPECT_EQ(Find(), Installed().string() + "/") << error_;
  EXPECT_NE(notes_.str().find("Could not make your own data folder"), std::string::npos) << notes_.str();

  places_.xdg_data_home.clear();
  places_.home.clear();
  EXPECT_EQ(Find(), Installed().string() + "/") << error_;
}

}  // namespace
}  // namespace scmp
