// The clipboard entry: how pasted text becomes lines of at most 60
// characters, and the one or two records built from them, checked against
// bytes laid out by hand.
#include "entry/clipboard_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file.h"
#include "support/scripted_host.h"

namespace tessary::entry {
namespace {

using database::QuotationRecord;
using Lines = std::vector<std::string>;

std::string B(size_t n) { return std::string(n, ' '); }

void Put(std::string& bytes, size_t offset, std::string_view text) {
  bytes.replace(offset, text.size(), text);
}

std::string Bytes(const QuotationRecord& record) {
  return std::string(database::RecordBytes(record));
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

}  // namespace
}  // namespace tessary::entry
