#include "support/quotation_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

#include "platform/file.h"

namespace tessary::testing {
namespace {

using database::SetField;

constexpr std::array<std::string_view, 7> kLastNames = {"Adams", "Brown", "Clark", "Davis",
                                                        "Evans", "Frost", "Green"};
constexpr std::array<std::string_view, 5> kFirstNames = {"Anna", "Ben", "Carl", "Dora", "Emil"};
constexpr std::array<std::string_view, 9> kSubjects = {"Love", "Hope", "Truth", "Wisdom", "Time",
                                                       "Fear", "Life", "Art",   "Peace"};
constexpr std::array<std::string_view, 4> kSubtitles = {"", "MORNING", "EVENING", "NIGHT"};
constexpr std::array<std::string_view, 5> kUserCodes = {"", "fav", "work", "misc", "home"};
constexpr std::array<std::string_view, 4> kBookCodes = {"AA", "BA", "CB", ""};

template <size_t N>
std::string_view Pick(const std::array<std::string_view, N>& words, int index) {
  return words[static_cast<size_t>(index) % N];
}

}  // namespace

database::QuotationRecord GeneratedQuotation(int number) {
  database::QuotationRecord r = database::EmptyRecord();
  const std::string digits = std::to_string(number);
  SetField(r.Record_Number, digits);
  SetField(r.Authors_LName, Pick(kLastNames, number));
  SetField(r.FirstName, Pick(kFirstNames, number / 7));
  SetField(r.Authors_Full_Name, std::string(Pick(kFirstNames, number / 7)) + " " +
                                    std::string(Pick(kLastNames, number)));
  SetField(r.Subject, Pick(kSubjects, number * 4));
  SetField(r.Section, std::string(1, static_cast<char>('1' + number % 3)));
  SetField(r.Subtitle, Pick(kSubtitles, number / 3));
  SetField(r.User_Code, Pick(kUserCodes, number * 3));
  SetField(r.Book_Code, Pick(kBookCodes, number / 5));
  SetField(r.Page_Number, std::to_string(number * 7 % 40 + 1));
  SetField(r.Line1, "Quotation number " + digits + ", line one.");
  SetField(r.Line2, "Line two of " + digits + ".");
  if (number % 10 == 0) SetField(r.Line5, "Line five of " + digits + ".");
  r.Number_of_Lines = number % 10 == 0 ? 5 : 2;
  r.Author_Age_Code = static_cast<uint8_t>(1 + number % 3);
  r.Quote_Rank = static_cast<uint8_t>(number % 4 == 0 ? 1 : 0);
  r.Author_Country_Code = static_cast<uint8_t>(1 + number % 4);
  return r;
}

QuotationFixture::QuotationFixture(int count)
    : session_(std::make_unique<database::Session>(host_, platform::PosixFileSystem())) {
  database::Session& s = *session_;
  s.set_directory(dir_.path());
  host_.SetNextAnswer(true);  // "Data file does not exist. Create?"
  if (!s.StartDatabase()) {
    ADD_FAILURE() << "the fixture database did not open";
    return;
  }
  refs_.reserve(static_cast<size_t>(count));
  for (int number = 1; number <= count; ++number) {
    s.current_record = GeneratedQuotation(number);
    if (!s.AddRecord()) {
      ADD_FAILURE() << "adding quotation " << number << " failed";
      return;
    }
    refs_.push_back(s.add_ref());
  }
  s.NoteRecordNumber(count);
}

QuotationFixture::~QuotationFixture() {
  if (session_->is_open()) session_->CloseDatabase();
}

std::ostream& operator<<(std::ostream& out, const KeyEntry& e) {
  return out << "{\"" << e.key << "\", " << e.ref << "}";
}

std::vector<KeyEntry> WalkKey(database::Session& session, int key) {
  std::vector<KeyEntry> entries;
  isam::Engine& engine = session.engine();
  engine.ClearKey(session.fileblock(), key);
  while (true) {
    KeyEntry entry;
    engine.NextKey(session.fileblock(), key, entry.ref, entry.key);
    if (!engine.EngineOk()) break;
    entries.push_back(entry);
  }
  EXPECT_EQ(engine.ErrorClass(), isam::ErrorClass::kExpected)
      << "walk of key " << key << " ended on an error";
  engine.ResetStatus();
  return entries;
}

database::QuotationRecord ReadRecord(database::Session& session, int32_t ref) {
  database::QuotationRecord record = database::EmptyRecord();
  size_t length = sizeof record;
  session.engine().GetVarRecord(session.fileblock(), ref, &record, length);
  EXPECT_TRUE(session.engine().EngineOk()) << "reading record " << ref;
  return record;
}

}  // namespace tessary::testing
