// The keyboard entry form's storing rules and the clipboard entry (pasted text
// wrapped into lines of at most 60 characters, then one or two records),
// checked against record bytes laid out by hand at the record's offsets.
#include "entry/entry_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "entry/clipboard_entry.h"
#include "entry/record_commands.h"
#include "platform/file.h"
#include "support/quotation_fixture.h"
#include "support/scripted_host.h"

namespace tessary::entry {
namespace {

using database::QuotationRecord;
using Lines = std::vector<std::string>;

std::string B(size_t n) { return std::string(n, ' '); }
std::string Z(size_t n) { return std::string(n, '\0'); }

// The bytes of a new entry: zeros, then 61 blanks in each of lines 5 to 11.
std::string NewEntryBytes() {
  std::string bytes(933, '\0');
  for (size_t offset = 506; offset < 933; offset += 61) bytes.replace(offset, 61, B(61));
  return bytes;
}

void Put(std::string& bytes, size_t offset, std::string_view text) {
  bytes.replace(offset, text.size(), text);
}

std::string Bytes(const QuotationRecord& record) {
  return std::string(database::RecordBytes(record));
}

class EntryFormTest : public ::testing::Test {
 protected:
  testing::ScriptedHost host_;
  database::Session session_{host_, platform::PosixFileSystem()};
  EntryForm form_{session_};

  void Type(int box, std::string text) { form_.boxes[box] = std::move(text); }
};

TEST_F(EntryFormTest, AddStoresTypedTextWithNulsOverTheNewEntryBuffer) {
  session_.NoteRecordNumber(41);
  ASSERT_TRUE(form_.Open(EntryMode::kAdd));
  EXPECT_EQ(session_.highest_record_number(), 42);
  EXPECT_EQ(form_.boxes[kRecordNumber], "42");
  EXPECT_EQ(form_.boxes[kLine1 + 4], "") << "line 5's blanks do not show";
  EXPECT_EQ(form_.boxes[kMultiPage], "F");
  EXPECT_EQ(form_.boxes[kRank], "0");

  Type(kRecordNumber, "12 3");
  Type(kSubject, "Love");
  Type(kSection, "3");
  Type(kLastName, "Smith ");  // stored as typed, blank included
  Type(kLine1, "Hello");
  Type(kLine1 + 4, "Five");
  Type(kMultiPage, "T");
  Type(kAgeCode, "2");
  Type(kCountryCode, "9");
  ASSERT_EQ(form_.Accept(), "");

  std::string expected = NewEntryBytes();
  Put(expected, 4, "   123");
  Put(expected, 19, "Love");
  Put(expected, 33, "3");
  Put(expected, 73, "Smith ");
  Put(expected, 257, "\x01");
  Put(expected, 258, "Hello");
  Put(expected, 502, std::string("\x02\0\0\x09", 4));
  for (size_t offset = 567; offset < 933; offset += 61) Put(expected, offset, Z(1));
  Put(expected, 506, "Five" + Z(1));  // the blanks after each NUL stay
  EXPECT_EQ(Bytes(session_.current_record), expected);
  EXPECT_EQ(Bytes(session_.previous_record), expected);
  EXPECT_TRUE(form_.accepted);
  EXPECT_EQ(form_.boxes[kRecordNumber], "   123") << "the stored number is shown back";
}

TEST_F(EntryFormTest, EditKeepsTheBytesAfterEachNul) {
  std::string before(933, '\0');
  Put(before, 4, "     7");
  Put(before, 19, std::string("Friendship\0XY", 13));
  Put(before, 73, "Smith   ");
  Put(before, 257, "\x01");
  Put(before, 258, "Old line one");
  Put(before, 503, "\x05");
  session_.current_record = database::RecordFromBytes(before);

  ASSERT_TRUE(form_.Open(EntryMode::kEdit));
  EXPECT_EQ(form_.boxes[kRecordNumber], "     7") << "leading blanks stay";
  EXPECT_EQ(form_.boxes[kSubject], "Friendship");
  EXPECT_EQ(form_.boxes[kLastName], "Smith") << "trailing blanks removed";
  EXPECT_EQ(form_.boxes[kMultiPage], "T");
  EXPECT_EQ(form_.boxes[kRank], "5");

  Type(kSubject, "Love");
  Type(kLine1, "New");
  Type(kMultiPage, "F");
  ASSERT_EQ(form_.Accept(), "");

  std::string expected = before;
  Put(expected, 19, std::string("Love\0dship\0XY\0", 14));
  Put(expected, 73, std::string("Smith\0  ", 8));
  Put(expected, 257, std::string(1, '\0'));
  Put(expected, 258, std::string("New\0line one", 12));
  EXPECT_EQ(Bytes(session_.current_record), expected);
  EXPECT_FALSE(form_.accepted) << "only add mode sets the accepted flag";

  session_.current_record.Multi_Page_Flag = 1;
  form_.Open(EntryMode::kEdit);
  Type(kMultiPage, "x");  // neither T nor F: the stored value stays
  ASSERT_EQ(form_.Accept(), "");
  EXPECT_EQ(session_.current_record.Multi_Page_Flag, 1);
}

TEST_F(EntryFormTest, RefusedBoxesStoreNothing) {
  struct Case {
    int box;
    const char* text;
    const char* message;
  } cases[] = {
      {kRank, "", "Rank: \"\" is not a number.  Enter a number from 0 to 9."},
      {kAgeCode, "x", "Age Code: \"x\" is not a number.  Enter a number from 0 to 9."},
      {kCountryCode, "12", "Country Code: \"12\" is not a number.  Enter a number from 0 to 9."},
      {kRecordNumber, "12a", "Record Number: \"12a\" is not a number from 0 to 999,999."},
      {kRecordNumber, "1234567", "Record Number: \"1234567\" is not a number from 0 to 999,999."},
      {kSubject, "Fourteen chars", "Subject: 14 characters, at most 13."},
  };
  for (const Case& c : cases) {
    session_.previous_record = database::EmptyRecord();
    form_.Open(EntryMode::kAdd);
    Type(kLine1, "typed");
    Type(c.box, c.text);
    const std::string current = Bytes(session_.current_record);
    EXPECT_EQ(form_.Accept(), c.message);
    EXPECT_EQ(Bytes(session_.current_record), current) << c.text;
    EXPECT_EQ(Bytes(session_.previous_record), Z(933)) << c.text;
    EXPECT_FALSE(form_.accepted);
  }
}

TEST_F(EntryFormTest, CopyMenuFillsBoxesFromThePreviousRecordText) {
  form_.Open(EntryMode::kAdd);
  form_.boxes[kSubject] = "typed";
  form_.CopyFromPrevious(3);  // subject and section, before any record was accepted
  EXPECT_EQ(form_.boxes[kSubject], "");
  EXPECT_EQ(form_.boxes[kSection], "");

  std::string previous(933, '\0');
  Put(previous, 11, "AB");
  Put(previous, 19, std::string("Love\0dship", 10));
  Put(previous, 33, "4");
  Put(previous, 73, "Smith");
  Put(previous, 4, "    99");
  Put(previous, 258, "line");
  session_.previous_record = database::RecordFromBytes(previous);
  form_.CopyFromPrevious(6);  // all key fields
  EXPECT_EQ(form_.boxes[kBookCode], "AB");
  EXPECT_EQ(form_.boxes[kSubject], "Love") << "the bytes after the NUL are ignored";
  EXPECT_EQ(form_.boxes[kSection], "4");
  EXPECT_EQ(form_.boxes[kLastName], "Smith");
  EXPECT_EQ(form_.boxes[kRecordNumber], "1") << "the record number is not copied";
  EXPECT_EQ(form_.boxes[kLine1], "") << "nor are the text lines";
}

// "L1\nL2\n...Ln"
std::string NumberedLines(int n) {
  std::string text;
  for (int i = 1; i <= n; ++i) text += "L" + std::to_string(i) + (i < n ? "\n" : "");
  return text;
}

TEST(WrapClipboardTextTest, BreaksLinesAsTheBoxShowsThem) {
  const std::string sixty(60, 'a');
  const std::string word70(70, 'w');
  struct Case {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"one\r\ntwo\nthree\rfour", {"one", "two", "three", "four"}},
      {"\n\ntext\n\n  \n", {"", "", "text"}},  // blank lines at the end go
      {sixty, {sixty}},
      {sixty + " next", {sixty, "next"}},
      {sixty + "    ", {sixty}},              // nothing but blanks after the break
      {sixty + "b more", {sixty, "b more"}},  // a 61-character word is cut
      {std::string(55, 'x') + " word   then", {std::string(55, 'x') + " word", "then"}},
      {word70, {std::string(60, 'w'), std::string(10, 'w')}},
      {"  " + word70, {"  " + std::string(58, 'w'), std::string(12, 'w')}},
      {"a\tb\x01"
       "c",
       {"a       bc"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WrapClipboardText(c.text), c.lines) << c.text;
  }
}

class ClipboardEntryTest : public ::testing::Test {
 protected:
  testing::ScriptedHost host_;
  database::Session session_{host_, platform::PosixFileSystem()};
  ClipboardEntry entry_{session_};

  // Runs the command with adds that succeed (or fail where `fails` says).
  std::vector<ClipboardEntry::Added> Add(std::vector<bool> fails = {}) {
    size_t call = 0;
    return entry_.AddRecords([&] {
      const bool ok = call >= fails.size() || !fails[call];
      ++call;
      return ok ? static_cast<int32_t>(100 + call) : 0;
    });
  }
};

TEST_F(ClipboardEntryTest, LinesMakeOneOrTwoNumberedRecordsWithTheSameKeys) {
  session_.NoteRecordNumber(8);
  entry_.Activate();
  entry_.keys[0] = "Love";
  entry_.keys[1] = "3";
  entry_.keys[4] = "Smith";
  ASSERT_EQ(entry_.Accept(NumberedLines(12)), "");
  EXPECT_TRUE(entry_.continuation());
  auto added = Add();
  ASSERT_EQ(added.size(), 2u);

  std::string first(933, '\0');
  // Every line is stored, an empty one as a NUL; the blanks after it stay.
  for (size_t offset = 506; offset < 933; offset += 61) Put(first, offset, '\0' + B(60));
  Put(first, 4, "9");  // plain digits, no padding
  Put(first, 19, "Love");
  Put(first, 33, "3");
  Put(first, 73, "Smith");
  std::string second = first;
  Put(first, 257, "\x01");
  for (int n = 1; n <= 11; ++n) {
    const size_t offset = n <= 4 ? 258 + 61 * (n - 1) : 506 + 61 * (n - 5);
    Put(first, offset, "L" + std::to_string(n) + std::string(1, '\0'));
  }
  Put(second, 4, "10");
  Put(second, 258, "L12");
  EXPECT_EQ(Bytes(added[0].record), first);
  EXPECT_EQ(Bytes(added[1].record), second);
  EXPECT_EQ(added[1].ref, 102);
  EXPECT_EQ(Bytes(session_.previous_record), second);
  EXPECT_TRUE(host_.messages.empty());

  entry_.Activate();
  ASSERT_EQ(entry_.Accept(NumberedLines(11)), "");
  EXPECT_FALSE(entry_.continuation()) << "eleven lines fit one record";
  // A failed first add still tries the second; its number is used up.
  entry_.Activate();
  ASSERT_EQ(entry_.Accept(NumberedLines(14)), "");
  added = Add({true});
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(database::FieldText(added[0].record.Record_Number), "12");
  EXPECT_EQ(host_.Texts(ui::MessageKind::kError), std::vector<std::string>{"Error adding record"});
  EXPECT_EQ(session_.highest_record_number(), 12);
}

TEST_F(ClipboardEntryTest, ReplicateNeedsAClipboardRecordAndKeepsTheSectionAsStored) {
  session_.previous_record = database::EmptyRecord();
  database::SetField(session_.previous_record.Subject, "Typed");  // a keyboard entry
  EXPECT_FALSE(entry_.Replicate());
  EXPECT_EQ(
      host_.Texts(ui::MessageKind::kWarning),
      std::vector<std::string>{"Nothing to Duplicate!  Try again after you've added a record."});
  EXPECT_EQ(entry_.keys[0], "");

  entry_.Activate();
  ASSERT_EQ(entry_.Accept("text"), "");
  entry_.keys[0] = "Love   ";
  entry_.keys[1] = " ";
  Add();
  entry_.Activate();
  EXPECT_TRUE(entry_.Replicate());
  EXPECT_EQ(entry_.keys[0], "Love");
  EXPECT_EQ(entry_.keys[1], " ");
}

// The record commands on a real database, with the forms "shown" by a
// callback that types into them the way a user would. The windows' tests
// cover the changes that succeed; these cover the paths that change little.
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
