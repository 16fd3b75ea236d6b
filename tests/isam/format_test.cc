// Pure format rules: the order of entries and the file names of a Fileblock.
#include "isam/format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "isam/errors.h"

namespace tessary::isam {
namespace {

// The order of texts and of equal texts' refs is the randomised model's; here
// refs that compare as signed numbers without overflow, and no refs at all
// without duplicates.
TEST(EntryOrder, RefsCompareSignedAndOnlyWithDuplicates) {
  EXPECT_EQ(CompareEntries("KEY", 9, "KEY", 4, false), 0);
  EXPECT_LT(CompareEntries("K", -1, "K", 1, true), 0);
  EXPECT_LT(CompareEntries("K", INT32_MIN, "K", INT32_MAX, true), 0);
  EXPECT_GT(CompareEntries("K", INT32_MAX, "K", INT32_MIN, true), 0);
}

// Empty names (no data name: nullptr) are invalid paths.
TEST(FileNames, ExtensionIsReplacedOrAppended) {
  struct Case {
    const char* path;
    const char* data;
    const char* index;
  };
  const Case cases[] = {
      {"Tes_Win", "Tes_Win.DAT", "Tes_Win.IX"},
      {"/opt/tessary/Tes_Win", "/opt/tessary/Tes_Win.DAT", "/opt/tessary/Tes_Win.IX"},
      {"Tes_Win.DAT", "Tes_Win.DAT", "Tes_Win.IX"},
      {"a.b.c", "a.b.DAT", "a.b.IX"},
      {"file.", "file.DAT", "file.IX"},
      {"my.dir/Tes_Win.x", "my.dir/Tes_Win.DAT", "my.dir/Tes_Win.IX"},
      {"C:\\my.dir\\Tes_Win", "C:\\my.dir\\Tes_Win.DAT", "C:\\my.dir\\Tes_Win.IX"},
      {"a.b/c\\d", "a.b/c\\d.DAT", "a.b/c\\d.IX"},
      {"a/b\\c.e", "a/b\\c.DAT", "a/b\\c.IX"},
      {"dir/data;other.dir/idx", "dir/data.DAT", "other.dir/idx.IX"},
      {"x.DAT;y.IX", "x.DAT", "y.IX"},
      {"", nullptr, nullptr},
      {";index", nullptr, nullptr},
      {"data;", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    FileblockNames names;
    ASSERT_EQ(DeriveNames(c.path, &names), c.data ? 0 : kErrInvalidPath) << c.path;
    if (!c.data) continue;
    EXPECT_EQ(names.data, c.data) << c.path;
    EXPECT_EQ(names.index, c.index) << c.path;
  }
  FileblockNames names;
  ASSERT_EQ(DeriveNames("base/Tes_Win", &names), 0);
  EXPECT_EQ(names.save, "base/Tes_Win.SAV");
  EXPECT_EQ(names.message, "base/Tes_Win.MSG");
  EXPECT_EQ(WithExtension("dir.v2/name", "SAV"), "dir.v2/name.SAV");
  EXPECT_EQ(WithExtension("dir.v2\\name.DAT", "MSG"), "dir.v2\\name.MSG");
}

}  // namespace
}  // namespace tessary::isam
