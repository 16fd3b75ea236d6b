// Adding, editing and deleting records through the real entry windows, started
// from the main window's commands: the database changes soundly, the list
// lands on the record and the status texts follow.

#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include "entry/clipboard_add.h"
#include "entry/entry_window_commands.h"
#include "entry/keyboard_add_edit.h"
#include "gui/window_fixture.h"
#include "ui/qt_text.h"

namespace tessary::testing {
namespace {

using entry::TClipboard_Add;
using entry::TKeyboard_Add_Edit;

class EntryWindowTest : public MainWindowFixture {
 protected:
  // Triggers `command` and runs `act` on the modal dialog it shows; a dialog
  // still open afterwards is cancelled, so a failing step cannot hang.
  template <typename Dialog>
  void Run(const QString& command, std::function<void(Dialog&)> act) {
    WhenModal([act](QWidget* modal) {
      if (auto* dialog = qobject_cast<Dialog*>(modal)) {
        act(*dialog);
      } else {
        ADD_FAILURE() << "no " << Dialog::staticMetaObject.className() << " shown";
      }
      if (modal->isVisible()) static_cast<QDialog*>(modal)->reject();
    });
    window_->action(command)->trigger();
  }

  static void Type(QLineEdit* box, const QString& text) {
    box->clear();
    QTest::keyClicks(box, text);
  }

  // The lines the text box shows, trailing blanks removed, as Windows-1252.
  static std::vector<std::string> ShownLines(QTextEdit* box) {
    std::vector<std::string> lines;
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
      for (int i = 0; i < block.layout()->lineCount(); ++i) {
        const QTextLine line = block.layout()->lineAt(i);
        std::string text = ui::ToAnsi(block.text().mid(line.textStart(), line.textLength()));
        lines.push_back(text.erase(text.find_last_not_of(' ') + 1));
      }
    }
    return lines;
  }

  QString Active() const { return window_->panel(2)->text(); }
  database::QuotationRecord Current() {
    return ReadRecord(window_->session(), window_->list()->CurrentRef());
  }
};

TEST_F(EntryWindowTest, KeyboardAddStoresTheRecordAndLandsOnIt) {
  StartShared().ChangeSortKey(3);
  Run<TKeyboard_Add_Edit>("Add New Record - Keyboard", [&](TKeyboard_Add_Edit& form) {
    EXPECT_EQ(form.windowTitle(), "Add New Record");
    EXPECT_EQ(form.pages()->currentIndex(), 1) << "the Key Fields page comes first";
    EXPECT_EQ(form.focusWidget(), form.box(entry::kBookCode));
    EXPECT_EQ(form.status_panel(1)->text(),
              " Enter the Book Code for your source, i.e. AA, BA -  Key Field.");
    EXPECT_EQ(form.box(entry::kRecordNumber)->text(), QString::number(kTotal + 1));
    EXPECT_EQ(form.pages()->widget(0)->findChildren<QLineEdit*>().size(), 11);
    Type(form.box(entry::kSubject), "Zest");
    Type(form.box(entry::kSection), "2");
    form.box(entry::kLine1)->setText("Caf\u00e9 society");
    form.box(entry::kRank)->clear();
    form.ok_button()->click();
    ASSERT_TRUE(form.isVisible()) << "an empty digit box refuses the entry";
    EXPECT_EQ(host_.Texts(ui::MessageKind::kError).back(),
              "Rank: \"\" is not a number.  Enter a number from 0 to 9.");
    Type(form.box(entry::kRank), "1");
    form.help_button()->click();
    form.ok_button()->click();
    EXPECT_FALSE(form.isVisible());
  });
  const database::QuotationRecord added = Current();
  EXPECT_EQ(database::FieldText(added.Subject), "Zest");
  EXPECT_EQ(database::FieldText(added.Line1), "Caf\xE9 society");
  EXPECT_EQ(added.Quote_Rank, 1);
  EXPECT_EQ(host_.help_topics, std::vector<int>{100});
  EXPECT_EQ(Active(), QString("Active Records: %1").arg(kTotal + 1));
  window_->close();
  ExpectSound(dir_.path(), kTotal + 1);
}

TEST_F(EntryWindowTest, EditRewritesTheHighlightedRecordAndDeleteRemovesIt) {
  StartShared().list()->NextRow();
  const int32_t ref = window_->list()->CurrentRef();
  Run<TKeyboard_Add_Edit>("Edit Record", [&](TKeyboard_Add_Edit& form) {
    EXPECT_EQ(form.windowTitle(), "Edit Existing Record");
    EXPECT_EQ(form.box(entry::kRecordNumber)->text(), "2");
    form.box(entry::kSubject)->setFocus();
    EXPECT_EQ(form.status_panel(1)->text(),
              "Enter the Subject of your quote, thought or idea - Key Field.");
    Type(form.box(entry::kSubject), "Amended");
    form.help_button()->click();
    form.ok_button()->click();
  });
  EXPECT_EQ(window_->list()->CurrentRef(), ref) << "the highlight stays on the record";
  EXPECT_EQ(database::FieldText(Current().Subject), "Amended");
  const browser::RowBrowser& rows = *window_->list()->engine();
  EXPECT_NE(rows.row(rows.current_row()).elements[0].find("Amended"), std::string::npos);

  host_.SetNextAnswer(true);
  Run<TKeyboard_Add_Edit>("hint:Delete Highlighted Record", [&](TKeyboard_Add_Edit& form) {
    EXPECT_EQ(form.windowTitle(), "Delete Record?");
    EXPECT_EQ(form.status_panel(0)->text(), "Delete This Record.");
    EXPECT_EQ(form.status_panel(1)->text(), "Delete This Record.");
    EXPECT_TRUE(form.box(entry::kSubject)->isReadOnly());
    form.help_button()->click();
    form.ok_button()->click();
  });
  EXPECT_EQ(host_.Texts(ui::MessageKind::kQuestion).back(),
            " Are you sure you want to delete this record.?");
  EXPECT_NE(window_->list()->CurrentRef(), ref);
  EXPECT_EQ(Active(), QString("Active Records: %1").arg(kTotal - 1));
  EXPECT_EQ(host_.help_topics, (std::vector<int>{220, 165}));
  window_->close();
  ExpectSound(dir_.path(), kTotal - 1);
}

TEST_F(EntryWindowTest, ClipboardTextOfFourteenLinesBecomesTwoRecords) {
  StartShared();
  Run<TClipboard_Add>("Add Record - by Clipboard", [&](TClipboard_Add& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Clipboard Import Screen");
    EXPECT_EQ(dialog.focusWidget(), dialog.text_box());
    QString text;
    for (int i = 1; i <= 14; ++i) text += QString("Line %1\n").arg(i);
    dialog.text_box()->setPlainText(text);
    EXPECT_EQ(dialog.line_count()->text(), "Lines: 14 of 22 - stored as two records");

    // What the box shows is what is stored: words wrap within 60 characters.
    const QString words =
        "I have always imagined that Paradise will be a kind of library. "
        "Nothing is more dangerous than an idea, when it is the only one "
        "we have. " +
        QString(59, 'w') + " is " + QString(61, 'x') + " end";
    dialog.text_box()->setPlainText(words);
    std::vector<std::string> stored = entry::WrapClipboardText(ui::ToAnsi(words));
    EXPECT_EQ(ShownLines(dialog.text_box()), stored);
    EXPECT_EQ(stored[1], "library. Nothing is more dangerous than an idea, when it is");
    dialog.text_box()->setPlainText(text);
    Type(dialog.key_box(0), "Paste");
    Type(dialog.key_box(1), "4");
    dialog.ok_button()->click();
  });
  const database::QuotationRecord last = Current();
  EXPECT_EQ(database::FieldText(last.Record_Number), std::to_string(kTotal + 2));
  EXPECT_EQ(database::FieldText(last.Line1), "Line 12");
  EXPECT_EQ(database::FieldText(last.Subject), "Paste");
  EXPECT_EQ(Active(), QString("Active Records: %1").arg(kTotal + 2));

  // The next time the key boxes start empty, and Replicate brings them back.
  Run<TClipboard_Add>("hint:Add New Record - Clipboard", [&](TClipboard_Add& dialog) {
    EXPECT_EQ(dialog.key_box(0)->text(), "");
    dialog.replicate_button()->click();
    EXPECT_EQ(dialog.key_box(0)->text(), "Paste");
    EXPECT_EQ(dialog.key_box(1)->text(), "4");
    dialog.findChild<QPushButton*>("BitBtn_Help")->click();
    dialog.cancel_button()->click();
  });
  EXPECT_EQ(Active(), QString("Active Records: %1").arg(kTotal + 2));
  EXPECT_EQ(host_.help_topics, std::vector<int>{130});
  window_->close();
  ExpectSound(dir_.path(), kTotal + 2);
}

}  // namespace
}  // namespace tessary::testing
