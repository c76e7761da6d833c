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

}  // namespace
}  // namespace scmp
