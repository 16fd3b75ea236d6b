// The HTML page and e-mail signature commands through their real dialogs on
// the offscreen platform: each modal dialog is driven when it comes up, and
// the files and messages are checked afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "publish/html_dialogs.h"
#include "publish/signature_dialogs.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::publish {
namespace {

using testing::ReadFile;
using testing::ScriptedHost;
using testing::TempDir;
using ui::MessageKind;

// Runs `act` on the next modal dialog once it is up.
void WhenModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      WhenModal(act);
      return;
    }
    // Focus events, and so the status panel, need the active window.
    modal->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(modal));
    act(modal);
  });
}

QString Status(const DialogHints* hints) { return hints->panel()->text(); }

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

TEST_F(PublishDialogsTest, HtmlPageFromThePublishDialogAndSavedFromTheOptionsDialog) {
  HtmlCommand command(&parent_, host_, platform::PosixFileSystem(), dir_.path(), clock_,
                      platform::TimeLocale{});
  const std::string page = dir_.path() + "/web/Quote.HTML";
  std::filesystem::create_directory(dir_.File("web"));

  // First run: set the options, pick Gray, type a name, save them.
  WhenModal([&](QWidget* modal) {
    ASSERT_EQ(modal, command.publish_dialog());
    EXPECT_EQ(modal->windowTitle(), "Prepare Quotation for Web Page Display");
    EXPECT_EQ(command.publish_dialog()->choice(), THTML::kWritePage);
    command.publish_dialog()->RadioGroup_Choice->button(THTML::kSetOptions)->click();
    WhenModal([&](QWidget* options_modal) {
      THTML_Options* options = command.options_dialog();
      ASSERT_EQ(options_modal, options);
      EXPECT_EQ(options->windowTitle(), "Set HTML Code Generation Options");
      EXPECT_EQ(options->Edit_FileName->text(), "htmlcode.htm");
      EXPECT_EQ(QApplication::focusWidget(), options->RadioGroup_Divider->button(0));
      EXPECT_EQ(Status(options->hints()),
                "Select type of horizontal divider; press <F1> key to learn what (file name) "
                "means.");
      QTest::keyClick(options, Qt::Key_F1);
      options->RadioGroup_Backgrounds->button(3)->click();
      options->RadioGroup_Backgrounds->button(3)->setFocus();
      QTest::keyClick(options, Qt::Key_F1);
      EXPECT_EQ(options->RadioGroup_Backgrounds->button(3)->text(), "Gray  - (gray.jpg)");
      options->Edit_FileName->setFocus();
      EXPECT_EQ(Status(options->hints()),
                "You can change the name of HTML Output File that will be generated.");
      options->Edit_FileName->setText(QString::fromStdString(page));
      options->BitBtn_SaveOptions->click();
    });
    command.publish_dialog()->BitBtn_OK->click();
  });
  command.Run(Quote(), true);
  EXPECT_EQ(host_.help_topics, (std::vector<int>{265, 245}));
  const std::string written = dir_.path() + "/web/quote.htm";
  EXPECT_NE(ReadFile(written).find("<BODY BACKGROUND=\"gray.jpg\""), std::string::npos);
  EXPECT_EQ(ReadFile(dir_.File("HTML_Opt.CFG")).substr(3, written.size()), written);
  ASSERT_FALSE(host_.messages.empty());
  EXPECT_EQ(host_.messages.back().text.rfind("Currently selected HTML options have been saved.", 0),
            0u);

  // Second run: the publish dialog is back on its first item and writes the
  // page with the saved options.
  std::filesystem::remove(written);
  host_.messages.clear();
  WhenModal([&](QWidget*) {
    EXPECT_EQ(command.publish_dialog()->choice(), THTML::kWritePage);
    command.publish_dialog()->BitBtn_OK->click();
  });
  command.Run(Quote(), true);
  EXPECT_TRUE(std::filesystem::exists(written));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(
      host_.messages[0].text.rfind(
          "A file with this quotation in HTML code named \"" + written + "\" has been created.", 0),
      0u);
}

TEST_F(PublishDialogsTest, SignatureConfiguredThroughItsPagesThenViewed) {
  SignatureCommand command(&parent_, host_, platform::PosixFileSystem(), dir_.path());
  const std::string sig = dir_.File("Sig.txt");
  TESig_Options* options = command.options_dialog();
  options->pick_file = [&](QWidget*, const QString&) { return QString(); };  // cancelled

  WhenModal([&](QWidget* modal) {
    ASSERT_EQ(modal, command.form());
    EXPECT_EQ(modal->windowTitle(), "Generate E-Mail Signature with Current Quotation");
    command.form()->RadioGroup_Choice->button(TESig_Form::kSetOptions)->click();
    WhenModal([&](QWidget* options_modal) {
      ASSERT_EQ(options_modal, options);
      EXPECT_EQ(options->windowTitle(), "E-Mail Signature Configuration");
      EXPECT_EQ(options->PageControl->currentIndex(), TESig_Options::kOptionsPage);
      EXPECT_EQ(options->Edit_FileName->text(), "SigFile.Txt");
      EXPECT_EQ(options->RadioGroup_Elements->checkedId(), -1);

      options->PageControl->setCurrentIndex(TESig_Options::kHeaderPage);
      EXPECT_EQ(options->windowTitle(), "E-Mail Signature Element - Header");
      EXPECT_EQ(QApplication::focusWidget(), options->Memo_Header);
      EXPECT_EQ(Status(options->hints()),
                "The \"Signature Header\" appears before your quotation.");
      QTest::keyClicks(options->Memo_Header, "-- ");
      QTest::keyClick(options->Memo_Header, Qt::Key_Return);
      QTest::keyClicks(options->Memo_Header, "Ann Lee");
      EXPECT_EQ(options->Memo_Header->toPlainText(), "-- \nAnn Lee");
      QTest::keyClicks(options->Memo_Header, QString(700, 'x'));
      EXPECT_EQ(options->Memo_Header->toPlainText().size(), 644);
      options->Memo_Header->setPlainText("-- \nAnn Lee");

      options->PageControl->setCurrentIndex(TESig_Options::kOptionsPage);
      EXPECT_EQ(options->windowTitle(),
                "Select E-Mail Signature Elements, Spacing, Targets and File Name.");
      EXPECT_EQ(Status(options->hints()),
                "Your E-Mail Signatures can have a Header, a Footer, or Both.");
      QTest::keyClick(options, Qt::Key_F1);
      options->RadioGroup_Elements->button(1)->click();
      options->RadioGroup_Target->button(0)->click();
      options->CheckBox_HeaderSpace->click();
      options->Edit_FileName->setText(QString::fromStdString(sig));
      options->SpeedButton_File->click();  // cancelled: the typed name stays
      EXPECT_EQ(options->Edit_FileName->text().toStdString(), sig);
      options->SpeedButton_File->setFocus();
      QTest::keyClick(options, Qt::Key_F1);

      options->PageControl->setCurrentIndex(TESig_Options::kViewPage);
      EXPECT_EQ(options->windowTitle(), "Current E-Mail Signature File");
      EXPECT_EQ(options->Memo_View->toPlainText(), "");
      EXPECT_EQ(options->Memo_View->placeholderText().left(42),
                "Unable to read the signature file \"SigFile");
      options->BitBtn_OK->click();
    });
    command.form()->BitBtn_OK->click();
  });
  command.Run(Quote());
  EXPECT_EQ(host_.help_topics, (std::vector<int>{190, 175}));
  const std::string expected_file =
      "-- \r\nAnn Lee\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n    Courage is resistance to fear.\r\n\r\n" +
      std::string(56, ' ') + "Mark Twain\r\n";
  EXPECT_EQ(ReadFile(sig), expected_file);
  EXPECT_EQ(host_.clipboard.substr(0, 14), "-- \r\nAnn Lee\r\n");
  EXPECT_EQ(host_.Texts(MessageKind::kInformation).back(),
            "Currently selected Configuration Options saved.  New Email Signature, with the "
            "current quotation, has been written to: \"" +
                QString::fromStdString(sig).toUpper().toStdString() +
                "\" and copied to the Clipboard.");
  EXPECT_EQ(options->Memo_Header->toPlainText(), "");

  // The next command refills the boxes and can show the file in the viewer.
  host_.messages.clear();
  WhenModal([&](QWidget*) {
    EXPECT_EQ(options->Memo_Header->toPlainText(), "-- \nAnn Lee\n\n\n\n\n\n");
    command.form()->RadioGroup_Choice->button(TESig_Form::kView)->click();
    WhenModal([&](QWidget* viewer) {
      ASSERT_EQ(viewer, command.viewer());
      EXPECT_EQ(viewer->windowTitle().toStdString(), "Viewing current Email Signature in:  " + sig);
      EXPECT_EQ(command.viewer()->Memo_Signature->toPlainText().toStdString(),
                QString::fromStdString(expected_file).remove('\r').toStdString());
      command.viewer()->BitBtn_OK->click();
    });
    command.form()->BitBtn_OK->click();
  });
  command.Run(Quote());
  EXPECT_TRUE(host_.messages.empty());  // nothing generated: no closing message
}

}  // namespace
}  // namespace tessary::publish
