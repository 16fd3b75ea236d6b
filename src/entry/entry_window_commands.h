// The main window's Add, Edit, Delete and "Add from clipboard" commands: each
// runs its record command with the real dialog, then brings the list and the
// status texts up to date and puts the highlight on the record added or
// edited.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "database/session.h"
#include "entry/clipboard_entry.h"
#include "entry/entry_form.h"
#include "entry/record_commands.h"
#include "ui/host.h"

class QWidget;

namespace tessary::browser {
class TListBrowser;
}

namespace tessary::entry {

class TClipboard_Add;
class TKeyboard_Add_Edit;

class EntryWindowCommands : public QObject {
  Q_OBJECT

 public:
  // `refresh_status` refreshes the header and the status texts; `timer` is
  // the main window's timer, kept off while a record changes.
  EntryWindowCommands(database::Session& session, ui::Host& host, browser::TListBrowser* list,
                      QTimer& timer, std::function<void()> refresh_status, QWidget* parent);
  ~EntryWindowCommands() override;

  void Add();
  void Edit();
  void Delete();
  void AddFromClipboard();

  // The dialogs, created on first use and kept, so that they keep their state.
  TKeyboard_Add_Edit* keyboard_dialog();
  TClipboard_Add* clipboard_dialog();

 private:
  void Land(const ListLanding& landing);

  database::Session& session_;
  ui::Host& host_;
  browser::TListBrowser* list_;
  QTimer& timer_;
  std::function<void()> refresh_status_;
  QWidget* parent_;
  EntryForm form_;
  ClipboardEntry clipboard_;
  TKeyboard_Add_Edit* keyboard_dialog_ = nullptr;
  TClipboard_Add* clipboard_dialog_ = nullptr;
};

}  // namespace tessary::entry
