// The record commands on a real database, with the forms "shown" by a
// callback that types into them the way a user would.
#include "entry/record_commands.h"

#include <gtest/gtest.h>

#include "support/quotation_fixture.h"

namespace tessary::entry {
namespace {

using testing::QuotationFixture;
using ui::MessageKind;

class RecordCommandsTest : public ::testing::Test {
 protected:
  QuotationFixture db_{5};
  database::Session& session_ = db_.session();
  EntryForm form_{session_};

  int Entries() { return db_.engine().UsedKeys(db_.fileblock(), 1); }
};

TEST_F(RecordCommandsTest, AddedRecordLandsUnderTheCurrentKeyAndMovesTheCounterOn) {
  session_.current_key_number = 3;
  ListLanding landing = AddByKeyboard(session_, form_, [&] {
    form_.boxes[kRecordNumber] = "500";
    form_.boxes[kSubject] = "Hope";
    form_.boxes[kSection] = "2";
    return form_.Accept().empty();
  });
  ASSERT_TRUE(landing.position);
  EXPECT_EQ(landing.key_text, "HOPE         2   500");
  EXPECT_EQ(landing.ref, session_.add_ref);
  EXPECT_EQ(Entries(), 6);
  EXPECT_EQ(session_.highest_record_number, 500) << "the next entry is offered 501";
}

TEST_F(RecordCommandsTest, CancelledAddStoresNothingButUsesUpTheNumber) {
  ListLanding landing = AddByKeyboard(session_, form_, [] { return false; });
  EXPECT_FALSE(landing.changed);
  EXPECT_EQ(Entries(), 5);
  form_.Open(EntryMode::kAdd);
  EXPECT_EQ(form_.boxes[kRecordNumber], "7");
}

TEST_F(RecordCommandsTest, EditThatChangesNothingWritesAndReportsNothing) {
  const size_t messages = db_.host().messages.size();
  ListLanding landing = EditRecord(session_, form_, db_.ref(2), [] { return true; });
  EXPECT_FALSE(landing.changed);
  EXPECT_TRUE(session_.records_equal);
  EXPECT_EQ(db_.host().messages.size(), messages);
}

TEST_F(RecordCommandsTest, EditedRecordIsRewrittenAndLandedOn) {
  ListLanding landing = EditRecord(session_, form_, db_.ref(2), [&] {
    form_.boxes[kUserCode] = "mine";
    return form_.Accept().empty();
  });
  ASSERT_TRUE(landing.position);
  EXPECT_EQ(landing.ref, db_.ref(2));
  EXPECT_EQ(landing.key_text, "     2") << "key 1 of the rewritten record";
  database::QuotationRecord read;
  ASSERT_TRUE(ReadEntryRecord(session_, db_.ref(2), false, &read));
  EXPECT_EQ(database::FieldText(read.User_Code), "mine");
  EXPECT_EQ(database::FieldText(session_.previous_record.User_Code), "mine");
}

TEST_F(RecordCommandsTest, DeleteShowsTheRecordAndDeletesOnlyWhenConfirmed) {
  db_.host().SetNextAnswer(false);
  bool shown = false;
  ListLanding landing = DeleteRecord(session_, form_, db_.ref(3), [&] {
    shown = true;
    EXPECT_EQ(form_.mode(), EntryMode::kDelete);
    EXPECT_EQ(form_.boxes[kRecordNumber], "3");
    EXPECT_EQ(std::string(form_.buffer().Line5, 61), std::string(61, ' '))
        << "a short record's lines 5 to 11 read as blanks";
    return true;
  });
  EXPECT_TRUE(shown);
  EXPECT_TRUE(landing.changed) << "a declined delete still refreshes the list";
  EXPECT_EQ(Entries(), 5);
  EXPECT_TRUE(db_.host().Texts(MessageKind::kError).empty());

  db_.host().SetNextAnswer(true);
  landing = DeleteRecord(session_, form_, db_.ref(3), [] { return true; });
  EXPECT_TRUE(landing.changed);
  EXPECT_EQ(Entries(), 4);
  EXPECT_FALSE(ReadEntryRecord(session_, db_.ref(3), false, &session_.current_record));
}

}  // namespace
}  // namespace tessary::entry
