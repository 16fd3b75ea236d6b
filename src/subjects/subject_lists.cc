#include "subjects/subject_lists.h"

#include <cstring>

#include "platform/codepage.h"
#include "subjects/catalogue.h"
#include "subjects/icon_menus.h"

namespace tessary::subjects {

std::vector<std::string> SubjectListItems() {
  std::vector<std::string> items{""};
  for (const SubjectInfo& subject : Subjects()) items.emplace_back(subject.name);
  return items;
}

std::vector<std::string> SubtitleListBoxItems() {
  std::vector<std::string> items{""};
  for (std::string& item : SubtitleListItems()) items.push_back(std::move(item));
  return items;
}

size_t ClosestItem(const std::vector<std::string>& items, std::string_view typed) {
  if (typed.empty() || items.size() < 2) return 0;
  const std::string wanted = platform::UpperAnsi(typed);
  for (size_t i = 1; i < items.size(); ++i) {
    if (platform::UpperAnsi(items[i]).starts_with(wanted)) return i;
  }
  for (size_t i = 1; i < items.size(); ++i) {
    if (platform::UpperAnsi(items[i]) >= wanted) return i;
  }
  return items.size() - 1;
}

void ListChoices::Activate() { *this = ListChoices{}; }

void ListChoices::LeaveList(ListKind kind, std::string_view text) {
  std::string subject = kind == ListKind::kSubtitles ? SubjectOfListItem(text) : std::string(text);
  chosen_subject = subject.substr(0, kSubjectCapacity);
}

void ListChoices::LeaveViewGroup(int position) {
  show_in_list = position == 0;
  show_in_reading_window = position == 1;
}

int ListChoices::LeaveSectionGroup(int position, bool seven_section) {
  if (position < 0 || position >= static_cast<int>(kSectionItems.size())) position = 0;
  if (seven_section && position == 7) position = 6;
  chosen_section = std::string(1, static_cast<char>('1' + position));
  return position;
}

void ListChoices::PrepareSearch() {
  database::SetField(search_key.Subject, chosen_subject);
  database::SetField(search_key.Section, chosen_section);
  if (database::FieldText(search_key.Subject) > std::string_view("0000000000000")) {
    sort_key = 3;
    nothing_chosen = false;
  }
}

std::string ListChoices::SearchKeyText() const { return database::BuildKey(search_key, 3); }

int32_t FindFromKey3(database::Session& session, const std::string& key_text) {
  ClearForReading(session.current_record);
  int32_t ref = 0;
  if (!session.FindAndRead(3, ref, key_text)) return 0;
  return ref;
}

}  // namespace tessary::subjects
