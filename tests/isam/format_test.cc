// Pure format rules: the order of key texts and entries, the key length a
// header's page geometry gives, and the file names of a Fileblock.
#include "isam/format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "isam/errors.h"

namespace tessary::isam {
namespace {

TEST(EntryOrder, KeyTextsCompareAsUnsignedBytesShorterFirst) {
  // Each text sorts strictly before the next.
  const std::vector<std::string> ascending = {
      "",  " ",  "     9", "    10", "0",    "A",    "AB",       "AB ",      "ABC", "Z",
      "[", "ab", "z",      "\x7F",   "\x80", "\x9F", "\xC9MILE", "\xE9mile", "\xFF"};
  for (size_t i = 0; i < ascending.size(); ++i) {
    for (size_t j = 0; j < ascending.size(); ++j) {
      int c = CompareKeys(ascending[i], ascending[j]);
      int expected = i < j ? -1 : (i > j ? 1 : 0);
      EXPECT_EQ(c < 0 ? -1 : (c > 0 ? 1 : 0), expected)
          << "'" << ascending[i] << "' vs '" << ascending[j] << "'";
    }
  }
  // Embedded NUL bytes count like any other byte.
  EXPECT_LT(CompareKeys(std::string("A\0B", 3), std::string("A\1", 2)), 0);
  EXPECT_GT(CompareKeys(std::string("A\0", 2), "A"), 0);
}

TEST(EntryOrder, EqualTextsOrderByRefOnlyWithDuplicates) {
  EXPECT_LT(CompareEntries("KEY", 4, "KEY", 9, true), 0);
  EXPECT_GT(CompareEntries("KEY", 9, "KEY", 4, true), 0);
  EXPECT_EQ(CompareEntries("KEY", 9, "KEY", 9, true), 0);
  EXPECT_EQ(CompareEntries("KEY", 9, "KEY", 4, false), 0);
  // The text decides before the ref does.
  EXPECT_LT(CompareEntries("AB", 900, "ABC", 1, true), 0);
  EXPECT_GT(CompareEntries("ab", 1, "Z", 900, true), 0);
  // Refs compare as signed numbers, without overflow at the extremes.
  EXPECT_LT(CompareEntries("K", -1, "K", 1, true), 0);
  EXPECT_LT(CompareEntries("K", INT32_MIN, "K", INT32_MAX, true), 0);
  EXPECT_GT(CompareEntries("K", INT32_MAX, "K", INT32_MIN, true), 0);
}

struct Geometry {
  int32_t page_bytes;
  uint16_t page_size;
  int error;
  int key_len;
  int page_size_out;
};

// The opening of hand-built index files covers the common damages; here the
// other geometries and the extremes.
TEST(KeyGeometry, KeyLenFollowsFromPageBytesAndPageSize) {
  const Geometry cases[] = {
      {(6 + 9) * 62 + 6, 62, 0, 6, 62},
      {(1 + 9) * 62 + 6, 62, 0, 1, 62},
      {(13 + 9) * 31 + 6, 31, 0, 13, 31},
      {(20 + 9) * 1 + 6, 1, 0, 20, 1},
      {0, 65535, kErrMaxPageSizeTooSmall, 0, 0},  // PageSize is checked first
      {(6 + 9) * 62 + 5, 62, kErrPageSizeIncompatible, 0, 0},
      {(6 + 9) * 62 + 6 + 62 * 10000, 62, kErrMaxKeyLenTooSmall, 0, 0},
      {-(9 * 62) + 6, 62, kErrMaxKeyLenTooSmall, 0, 0},
      {INT32_MAX, 62, kErrPageSizeIncompatible, 0, 0},
      {INT32_MIN, 62, kErrPageSizeIncompatible, 0, 0},
  };
  for (const Geometry& g : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "PageBytes " << g.page_bytes << " PageSize " << g.page_size);
    KeyHeader header;
    header.page_bytes = g.page_bytes;
    header.page_size = g.page_size;
    int key_len = -1;
    int page_size = -1;
    EXPECT_EQ(DeriveKeyLen(header, &key_len, &page_size), g.error);
    if (g.error == 0) {
      EXPECT_EQ(key_len, g.key_len);
      EXPECT_EQ(page_size, g.page_size_out);
    }
  }
}

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
      {"Tes_Win.old", "Tes_Win.DAT", "Tes_Win.IX"},
      {"a.b.c", "a.b.DAT", "a.b.IX"},
      {"file.", "file.DAT", "file.IX"},
      {"my.dir/Tes_Win", "my.dir/Tes_Win.DAT", "my.dir/Tes_Win.IX"},
      {"my.dir/Tes_Win.x", "my.dir/Tes_Win.DAT", "my.dir/Tes_Win.IX"},
      {"C:\\my.dir\\Tes_Win", "C:\\my.dir\\Tes_Win.DAT", "C:\\my.dir\\Tes_Win.IX"},
      {"a.b/c\\d", "a.b/c\\d.DAT", "a.b/c\\d.IX"},
      {"a\\b.c/d", "a\\b.c/d.DAT", "a\\b.c/d.IX"},
      {"a/b\\c.e", "a/b\\c.DAT", "a/b\\c.IX"},
      {"dir/data;other.dir/idx", "dir/data.DAT", "other.dir/idx.IX"},
      {"x.DAT;y.IX", "x.DAT", "y.IX"},
      {"x.one;y", "x.DAT", "y.IX"},
  };
  for (const Case& c : cases) {
    FileblockNames names;
    ASSERT_EQ(DeriveNames(c.path, &names), 0) << c.path;
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

TEST(FileNames, EmptyNamesAreInvalidPaths) {
  FileblockNames names;
  EXPECT_EQ(DeriveNames("", &names), kErrInvalidPath);
  EXPECT_EQ(DeriveNames(";index", &names), kErrInvalidPath);
  EXPECT_EQ(DeriveNames("data;", &names), kErrInvalidPath);
}

}  // namespace
}  // namespace tessary::isam
