// The index key search's field rules and key choice, and the section jump on
// a database of generated quotations (expected entries come from walking the
// key from its start).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/keys.h"
#include "search/index_key_search.h"
#include "search/sections.h"
#include "support/quotation_fixture.h"

namespace tessary::search {
namespace {

using testing::KeyEntry;
using testing::QuotationFixture;

// The first entry whose key text starts with `prefix` or sorts after it.
KeyEntry FirstAtOrAfter(const std::vector<KeyEntry>& walk, const std::string& prefix) {
  for (const KeyEntry& e : walk) {
    if (e.key.compare(0, prefix.size(), prefix) >= 0) return e;
  }
  return {};
}

TEST(IndexKeySearch, FieldCountsWhenItSortsAfterZeros) {
  struct Case {
    std::string bytes;
    size_t compared;
    bool filled;
  };
  const std::vector<Case> cases = {
      {"", 6, false},
      {"0", 6, false},
      {"000", 6, false},
      {"000000", 6, false},
      {"00001", 6, true},
      {"5", 6, true},
      {" 5", 6, false},
      {"-1", 6, false},
      {"Smith", 16, true},
      {"smith", 16, true},
      {"1", 1, true},
      {"0", 1, false},
      // The first name is compared over 14 of its 15 characters.
      {"000000000000001", 14, false},
  };
  for (const Case& c : cases) {
    std::string field = c.bytes;
    field.resize(c.compared + 1, '\0');
    EXPECT_EQ(FieldFilled(field, c.compared), c.filled) << "\"" << c.bytes << "\"";
  }
}

TEST(IndexKeySearch, HighestFilledGroupChoosesTheKey) {
  struct Case {
    std::vector<std::pair<IndexField, std::string>> typed;
    int key;
  };
  const std::vector<Case> cases = {
      {{}, 0},
      {{{kNumberField, "000"}}, 0},
      {{{kNumberField, "42"}}, 1},
      {{{kLastNameField, "Smith"}}, 2},
      {{{kFirstNameField, "John"}}, 2},
      {{{kNumberField, "42"}, {kSectionField, "3"}}, 3},
      {{{kPageField, "12"}}, 4},
      {{{kSubtitleField, "NIGHT"}, {kLastNameField, "Smith"}}, 5},
      {{{kSubjectField, "Love"}, {kUserCodeField, "fav"}}, 6},
      {{{kSubjectField, " Love"}}, 0},
  };
  for (const Case& c : cases) {
    IndexSearchFields fields;
    for (const auto& [field, text] : c.typed) fields[field] = text;
    EXPECT_EQ(ChooseSearchKey(IndexSearchRecord(fields)), c.key) << c.typed.size();
  }
  EXPECT_EQ(CheckIndexField(kLastNameField, std::string(16, 'x')), "");
  EXPECT_EQ(CheckIndexField(kLastNameField, std::string(17, 'x')),
            "Last Name: 17 characters, at most 16");
  EXPECT_NE(CheckIndexField(kSectionField, "12"), "");
}

TEST(Sections, DigitAndKeyText) {
  EXPECT_EQ(SectionDigit(3, false), '3');
  EXPECT_EQ(SectionDigit(8, false), '8');
  EXPECT_EQ(SectionDigit(8, true), '7');
  EXPECT_EQ(SectionDigit(7, true), '7');
  EXPECT_EQ(SectionKeyText("Love", '3'), "LOVE         3     0");
  EXPECT_EQ(SectionKeyText("caf\xE9", '1'), "CAF\xC9         1     0");
  EXPECT_EQ(SectionKeyText("Thirteenchars", '2'), "THIRTEENCHARS2     0");
}

TEST(Sections, JumpLandsOnTheSectionOrTheNextEntry) {
  QuotationFixture db(120);
  const std::vector<KeyEntry> key3 = testing::WalkKey(db.session(), 3);
  struct Case {
    std::string subject;
    char digit;
    std::string prefix;
  };
  const std::vector<Case> cases = {
      {"Love", '2', "LOVE         2"},
      {"Hope", '1', "HOPE         1"},
      // An empty section: the first entry after it (the next subject).
      {"Love", '9', "LOVE         9"},
  };
  for (const Case& c : cases) {
    database::Session& session = db.session();
    session.current_record = database::EmptyRecord();
    database::SetField(session.current_record.Subject, c.subject);
    session.SetCurrentKey(1);
    ASSERT_TRUE(JumpToSection(session, c.digit)) << c.prefix;
    EXPECT_EQ(session.current_key(), 3);
    const KeyEntry expected = FirstAtOrAfter(key3, c.prefix);
    EXPECT_EQ(session.current_ref(), expected.ref) << c.prefix;
    EXPECT_EQ(database::BuildKey(session.current_record, 3), expected.key) << c.prefix;
  }
}

}  // namespace
}  // namespace tessary::search
