#include "entry/entry_window_commands.h"

#include <QWidget>

#include "browser/list_browser.h"
#include "entry/clipboard_add.h"
#include "entry/keyboard_add_edit.h"

namespace tessary::entry {

EntryWindowCommands::EntryWindowCommands(database::Session& session, ui::Host& host,
                                         browser::TListBrowser* list, QTimer& timer,
                                         std::function<void()> refresh_status, QWidget* parent)
    : QObject(parent),
      session_(session),
      host_(host),
      list_(list),
      timer_(timer),
      refresh_status_(std::move(refresh_status)),
      parent_(parent),
      form_(session),
      clipboard_(session) {}

EntryWindowCommands::~EntryWindowCommands() = default;

TKeyboard_Add_Edit* EntryWindowCommands::keyboard_dialog() {
  if (keyboard_dialog_ == nullptr) keyboard_dialog_ = new TKeyboard_Add_Edit(form_, host_, parent_);
  return keyboard_dialog_;
}

TClipboard_Add* EntryWindowCommands::clipboard_dialog() {
  if (clipboard_dialog_ == nullptr)
    clipboard_dialog_ = new TClipboard_Add(clipboard_, host_, parent_);
  return clipboard_dialog_;
}

void EntryWindowCommands::Add() {
  if (!session_.is_open()) return;
  timer_.stop();
  Land(AddByKeyboard(session_, form_, [this] { return keyboard_dialog()->Run(); }));
}

void EntryWindowCommands::Edit() {
  const int32_t ref = list_->CurrentRef();
  if (!session_.is_open() || ref < 1) return;
  timer_.stop();
  Land(EditRecord(session_, form_, ref, [this] { return keyboard_dialog()->Run(); }));
}

void EntryWindowCommands::Delete() {
  const int32_t ref = list_->CurrentRef();
  if (!session_.is_open() || ref < 1) return;
  timer_.stop();
  Land(DeleteRecord(session_, form_, ref, [this] { return keyboard_dialog()->Run(); }));
}

void EntryWindowCommands::AddFromClipboard() {
  if (!session_.is_open()) return;
  timer_.stop();
  Land(entry::AddFromClipboard(session_, clipboard_, [this] { return clipboard_dialog()->Run(); }));
}

void EntryWindowCommands::Land(const ListLanding& landing) {
  if (!landing.changed) return;
  if (landing.position) {
    list_->SetCurrentEntry(landing.key_text, landing.ref);
  } else {
    list_->Resync();
  }
  refresh_status_();
}

}  // namespace tessary::entry
