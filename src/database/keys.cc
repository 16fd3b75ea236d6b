#include "database/keys.h"

#include "platform/codepage.h"
#include "platform/text.h"

namespace tessary::database {
namespace {

#define TESSARY_PIECE(field, width, left)                                                    \
  KeyPiece {                                                                                 \
    TextFieldInfo{#field, offsetof(QuotationRecord, field), sizeof(QuotationRecord::field)}, \
        width, left                                                                          \
  }

constexpr HeaderPiece kSubjectSection = {"Subject Section", 15, "  "};

const std::array<KeyInfo, kKeyCount> kKeys = {{
    {1,
     6,
     true,
     {TESSARY_PIECE(Record_Number, 6, true)},
     1,
     "Sort Key = Record Number",
     {kSubjectSection, {"Author's Name ", 20, " "}},
     ListColumn::kAuthor,
     "Use \"Record Number\" key to search for record."},
    {2,
     30,
     true,
     {TESSARY_PIECE(Authors_LName, 16, false), TESSARY_PIECE(FirstName, 14, false)},
     2,
     "Sort Key = Author's Name",
     {kSubjectSection, {"Author's Name ", 20, " "}},
     ListColumn::kAuthor,
     "Use \"Author's Name\" key (Last + First) to search for record."},
    {3,
     20,
     true,
     {TESSARY_PIECE(Subject, 13, false), TESSARY_PIECE(Section, 1, false),
      TESSARY_PIECE(Record_Number, 6, true)},
     3,
     "Sort Key = Subject + Section + Number",
     {kSubjectSection, {"Author's Name ", 20, " "}},
     ListColumn::kAuthor,
     "Use \"Subject\" key (Subject + Section) to search for record."},
    {4,
     6,
     true,
     {TESSARY_PIECE(Book_Code, 2, false), TESSARY_PIECE(Page_Number, 4, true)},
     2,
     "Sort Key = Book Code + Book Page",
     {{{"Book Page ", 9, " "}, kSubjectSection}},
     ListColumn::kBookPage,
     "Use \"Book Code\" key (Book Code + Page) to search for record."},
    {5,
     17,
     true,
     {TESSARY_PIECE(Subtitle, 13, false), TESSARY_PIECE(Subject, 4, false)},
     2,
     "Sort Key = Subtitle + Subject",
     {{{"Subtitle    ", 13, "  "}, kSubjectSection}},
     ListColumn::kSubtitle,
     "Use \"Subtitle\" key to search for record."},
    {6,
     13,
     true,
     {TESSARY_PIECE(User_Code, 13, false)},
     1,
     "Sort Key = User Code",
     {{{"User Code   ", 13, "  "}, kSubjectSection}},
     ListColumn::kUserCode,
     "Use \"User Code\" key to search for record."},
}};

#undef TESSARY_PIECE

}  // namespace

const std::array<KeyInfo, kKeyCount>& Keys() { return kKeys; }

std::array<isam::KeyDef, kKeyCount> EngineKeyDefs() {
  std::array<isam::KeyDef, kKeyCount> defs{};
  for (const KeyInfo& key : kKeys) {
    defs[static_cast<size_t>(key.number - 1)] = {key.length, key.allow_duplicates};
  }
  return defs;
}

const KeyInfo& Key(int number) { return kKeys[static_cast<size_t>(ValidKey(number) - 1)]; }

std::string BuildKey(const QuotationRecord& record, int key_number) {
  if (!IsKey(key_number)) return std::string();
  const KeyInfo& key = Key(key_number);
  std::string text;
  for (int i = 0; i < key.piece_count; ++i) {
    const KeyPiece& piece = key.pieces[static_cast<size_t>(i)];
    const std::string_view field = FieldText(record, piece.field);
    text +=
        piece.left_pad ? platform::LeftPad(field, piece.width) : platform::Pad(field, piece.width);
  }
  // Upper-casing is per byte, so upper-casing the joined text equals
  // upper-casing each piece.
  platform::UpperAnsiInPlace(text);
  if (text.size() > static_cast<size_t>(key.length)) text.resize(static_cast<size_t>(key.length));
  return text;
}

std::string BuildKeyFromBytes(std::string_view bytes, int key_number) {
  return BuildKey(RecordFromBytes(bytes), key_number);
}

std::string SortKeyCaption(int key_number) { return Key(key_number).caption; }

}  // namespace tessary::database
