// The guide and the README name pictures and sample files; a renamed or
// forgotten file would leave a broken link that nothing else notices.
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_util.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;

// The targets of the Markdown links and images of `text`: "](target)".
std::vector<std::string> LinkTargets(const std::string& text) {
  static const std::regex kLink(R"(\]\(([^)#\s]+)(#[^)]*)?\))");
  std::vector<std::string> targets;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kLink); it != std::sregex_iterator(); ++it)
    targets.push_back((*it)[1].str());
  return targets;
}

TEST(GuideFiles, EveryPictureAndSampleThatTheDocumentsNameExists) {
  const fs::path root = SCMP_SOURCE_DIR;
  struct Document {
    fs::path path;
    int min_pictures;  // a document that lost all its pictures is a fault too
  };
  for (const Document& doc : {Document{root / "docs" / "guide.md", 8}, Document{root / "README.md", 1}}) {
    SCOPED_TRACE(doc.path.string());
    const std::string text = test::ReadFile(doc.path.string());
    ASSERT_FALSE(text.empty());
    int pictures = 0;
    for (const std::string& target : LinkTargets(text)) {
      if (target.find("://") != std::string::npos) continue;  // a web link
      const fs::path file = doc.path.parent_path() / target;
      EXPECT_TRUE(fs::is_regular_file(file)) << target << " is named but missing";
      if (file.extension() == ".png") ++pictures;
    }
    EXPECT_GE(pictures, doc.min_pictures);
  }
}

// The guide as Help shows it from the build folder: each link of the table
// of contents finds a heading's id, each link to a sample or picture its
// file beside the programs.
TEST(GuideFiles, TheRenderedGuidesLinksLeadWhereTheySay) {
  const fs::path page = fs::path(SCMP_BINARY_DIR) / "doc" / "guide.html";
  if (!fs::exists(page)) GTEST_SKIP() << "no HTML guide in this build (cmark-gfm missing)";
  const std::string html = test::ReadFile(page.string());
  static const std::regex kTarget(R"re((?:href|src)="([^"]*)")re");
  int within = 0, files = 0;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), kTarget); it != std::sregex_iterator(); ++it) {
    const std::string target = (*it)[1].str();
    if (target.find("://") != std::string::npos) continue;
    if (target[0] == '#') {
      ++within;
      EXPECT_NE(html.find("id=\"" + target.substr(1) + "\""), std::string::npos) << target << " has no heading";
    } else {
      ++files;
      EXPECT_TRUE(fs::is_regular_file(page.parent_path() / target)) << target << " is not there";
    }
  }
  EXPECT_GE(within, 9);  // the table of contents
  EXPECT_GE(files, 18);  // pictures and samples
}

}  // namespace
}  // namespace scmp
