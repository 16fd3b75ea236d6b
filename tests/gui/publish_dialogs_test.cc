// The HTML page and e-mail signature commands through their real dialogs on
// the offscreen platform: each modal dialog is driven when it comes up, and
// the files and messages are checked afterwards.

#include <filesystem>

#include "gui/window_fixture.h"
#include "publish/html_dialogs.h"
#include "publish/signature_dialogs.h"

namespace tessary::publish {
namespace {

using testing::ReadFile;
using testing::ScriptedHost;
using testing::TempDir;
using testing::WhenModal;
using ui::MessageKind;

QString Status(const ui::FocusHints* hints) { return hints->panel()->text(); }

database::QuotationRecord Quote() {
  database::QuotationRecord r = database::EmptyRecord();
  database::SetField(r.Subject, "Courage");
  database::SetField(r.Section, "2");
  database::SetField(r.Line1, "Courage is resistance to fear.");
  database::SetField(r.Authors_Full_Name, "Mark Twain");
  return r;
}

class PublishDialogsTest : public ::testing::Test {
 protected:
  TempDir dir_;
  ScriptedHost host_;
  QWidget parent_;
  platform::FixedClock clock_{{2026, 12, 5, 9, 8, 7, 6}};
};

TEST_F(PublishDialogsTest, HtmlOptionsDialogSavesAndThePublishDialogThenWritesWithThem) {
  HtmlCommand command(&parent_, host_, platform::PosixFileSystem(), dir_.path(), clock_,
                      platform::TimeLocale{});
  WhenModal([&](QWidget* modal) {
    ASSERT_EQ(modal, command.publish_dialog());
    command.publish_dialog()->RadioGroup_Choice->button(THTML::kSetOptions)->click();
    WhenModal([&](QWidget*) {
      THTML_Options* options = command.options_dialog();
      EXPECT_EQ(options->Edit_FileName->text(), "htmlcode.htm");
      EXPECT_EQ(QApplication::focusWidget(), options->RadioGroup_Divider->button(0));
      EXPECT_EQ(Status(options->hints()),
                "Select type of horizontal divider; press <F1> key to learn what (file name) "
                "means.");
      QTest::keyClick(options, Qt::Key_F1);
      options->RadioGroup_Backgrounds->button(3)->click();
      options->RadioGroup_Backgrounds->button(3)->setFocus();
      QTest::keyClick(options, Qt::Key_F1);
      options->Edit_FileName->setFocus();
      EXPECT_EQ(Status(options->hints()),
                "You can change the name of HTML Output File that will be generated.");
      options->Edit_FileName->setText(QString::fromStdString(dir_.File("Quote.HTML")));
      options->BitBtn_SaveOptions->click();
    });
    command.publish_dialog()->BitBtn_OK->click();
  });
  command.Run(Quote(), true);
  EXPECT_EQ(host_.help_topics, (std::vector<int>{265, 245}));
  const std::string page = dir_.File("quote.htm");
  EXPECT_NE(ReadFile(page).find("<BODY BACKGROUND=\"gray.jpg\""), std::string::npos);

  // The next run starts on the first item again and writes with what was saved.
  std::filesystem::remove(page);
  WhenModal([&](QWidget*) {
    EXPECT_EQ(command.publish_dialog()->choice(), THTML::kWritePage);
    command.publish_dialog()->BitBtn_OK->click();
  });
  command.Run(Quote(), true);
  EXPECT_NE(ReadFile(page).find("<BODY BACKGROUND=\"gray.jpg\""), std::string::npos);
}

TEST_F(PublishDialogsTest, SignatureConfiguredThroughItsPagesThenViewed) {
  SignatureCommand command(&parent_, host_, platform::PosixFileSystem(), dir_.path());
  const std::string sig = dir_.File("Sig.txt");
  TESig_Options* options = command.options_dialog();
  options->pick_file = [&](QWidget*, const QString&) { return QString(); };  // cancelled

  WhenModal([&](QWidget*) {
    command.form()->RadioGroup_Choice->button(TESig_Form::kSetOptions)->click();
    WhenModal([&](QWidget*) {
      EXPECT_EQ(options->windowTitle(), "E-Mail Signature Configuration");
      EXPECT_EQ(options->PageControl->currentIndex(), TESig_Options::kOptionsPage);
      EXPECT_EQ(options->Edit_FileName->text(), "SigFile.Txt");
      EXPECT_EQ(options->RadioGroup_Elements->checkedId(), -1);

      options->PageControl->setCurrentIndex(TESig_Options::kHeaderPage);
      EXPECT_EQ(options->windowTitle(), "E-Mail Signature Element - Header");
      EXPECT_EQ(Status(options->hints()),
                "The \"Signature Header\" appears before your quotation.");
      QTest::keyClicks(QApplication::focusWidget(), "-- ");
      QTest::keyClick(options->Memo_Header, Qt::Key_Return);
      QTest::keyClicks(options->Memo_Header, "Ann Lee" + QString(700, 'x'));
      EXPECT_EQ(options->Memo_Header->toPlainText().size(), 644);
      options->Memo_Header->setPlainText("-- \nAnn Lee");

      options->PageControl->setCurrentIndex(TESig_Options::kOptionsPage);
      EXPECT_EQ(Status(options->hints()),
                "Your E-Mail Signatures can have a Header, a Footer, or Both.");
      QTest::keyClick(options, Qt::Key_F1);
      options->RadioGroup_Elements->button(1)->click();
      options->RadioGroup_Target->button(0)->click();
      options->Edit_FileName->setText(QString::fromStdString(sig));
      options->SpeedButton_File->setFocus();
      options->SpeedButton_File->click();  // cancelled: the typed name stays
      EXPECT_EQ(options->Edit_FileName->text().toStdString(), sig);
      QTest::keyClick(options, Qt::Key_F1);

      options->PageControl->setCurrentIndex(TESig_Options::kViewPage);
      EXPECT_EQ(options->windowTitle(), "Current E-Mail Signature File");
      EXPECT_TRUE(options->Memo_View->placeholderText().startsWith(
          "Unable to read the signature file \"SigFile.Txt\""));
      options->BitBtn_OK->click();
    });
    command.form()->BitBtn_OK->click();
  });
  command.Run(Quote());
  EXPECT_EQ(host_.help_topics, (std::vector<int>{190, 175}));
  EXPECT_EQ(ReadFile(sig).substr(0, 14), "-- \r\nAnn Lee\r\n");
  EXPECT_EQ(host_.clipboard.substr(0, 14), "-- \r\nAnn Lee\r\n");
  EXPECT_EQ(host_.Texts(MessageKind::kInformation).back(),
            "Currently selected Configuration Options saved.  New Email Signature, with the "
            "current quotation, has been written to: \"" +
                QString::fromStdString(sig).toUpper().toStdString() +
                "\" and copied to the Clipboard.");
  EXPECT_EQ(options->Memo_Header->toPlainText(), "");

  // The next command refills the boxes; the viewer shows the file.
  host_.messages.clear();
  WhenModal([&](QWidget*) {
    EXPECT_EQ(options->Memo_Header->toPlainText(), "-- \nAnn Lee\n\n\n\n\n\n");
    command.form()->RadioGroup_Choice->button(TESig_Form::kView)->click();
    WhenModal([&](QWidget*) {
      EXPECT_EQ(command.viewer()->windowTitle().toStdString(),
                "Viewing current Email Signature in:  " + sig);
      EXPECT_EQ(command.viewer()->Memo_Signature->toPlainText().toStdString(),
                QString::fromStdString(ReadFile(sig)).remove('\r').toStdString());
      command.viewer()->BitBtn_OK->click();
    });
    command.form()->BitBtn_OK->click();
  });
  command.Run(Quote());
  EXPECT_TRUE(host_.messages.empty());  // nothing generated: no closing message
}

}  // namespace
}  // namespace tessary::publish
