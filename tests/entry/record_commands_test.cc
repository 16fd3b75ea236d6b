// The record commands on a real database, with the forms "shown" by a
// callback that types into them the way a user would. The windows' tests
// cover the changes that succeed; these cover the paths that change little.
#include "entry/record_commands.h"

#include <gtest/gtest.h>

#include "support/quotation_fixture.h"

namespace tessary::entry {
namespace {

class RecordCommandsTest : public ::testing::Test {
 protected:
  testing::QuotationFixture db_{5};
  database::Session& session_ = db_.session();
  EntryForm form_{session_};

  int Entries() { return db_.engine().UsedKeys(db_.fileblock(), 1); }
};

TEST_F(RecordCommandsTest, NumbersAreUsedUpByCancelAndMovedOnByATypedNumber) {
  EXPECT_FALSE(AddByKeyboard(session_, form_, [] { return false; }).changed);
  EXPECT_EQ(Entries(), 5);
  session_.SetCurrentKey(3);
  ListLanding landing = AddByKeyboard(session_, form_, [&] {
    EXPECT_EQ(form_.boxes[kRecordNumber], "7") << "6 went to the cancelled entry";
    form_.boxes[kRecordNumber] = "500";
    form_.boxes[kSubject] = "Hope";
    return form_.Accept().empty();
  });
  EXPECT_EQ(landing.key_text, "HOPE" + std::string(13, ' ') + "500") << "key 3, the list's";
  EXPECT_EQ(session_.highest_record_number(), 500) << "the next entry is offered 501";
}

TEST_F(RecordCommandsTest, UnchangedEditAndDeclinedDeleteReportNothing) {
  const size_t messages = db_.host().messages.size();
  EXPECT_FALSE(EditRecord(session_, form_, db_.ref(2), [] { return true; }).changed);
  EXPECT_EQ(db_.host().messages.size(), messages);

  db_.host().SetNextAnswer(false);
  ListLanding landing = DeleteRecord(session_, form_, db_.ref(3), [&] {
    EXPECT_EQ(form_.boxes[kRecordNumber], "3");
    EXPECT_EQ(std::string(form_.buffer().Line5, 61), std::string(61, ' '))
        << "a short record's lines 5 to 11 read as blanks";
    return true;
  });
  EXPECT_TRUE(landing.changed) << "a declined delete still refreshes the list";
  EXPECT_EQ(Entries(), 5);
  EXPECT_TRUE(db_.host().Texts(ui::MessageKind::kError).empty());
}

}  // namespace
}  // namespace tessary::entry
