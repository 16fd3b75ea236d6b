#include "subjects/subject_menus_gui.h"

#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <string>

#include "ui/icons.h"
#include "ui/qt_text.h"

// Registers the resources of pictures.qrc; the library is static, so nothing
// else would pull them in. Must be called from the global namespace.
static void InitSubjectPictures() { Q_INIT_RESOURCE(pictures); }

namespace tessary::subjects {
namespace {

constexpr int kColumns = 9;
constexpr int kPictureSize = 48;

QString PictureFile(std::string_view word) {
  std::string name;
  for (char c : word) name.push_back(c == ' ' ? '-' : static_cast<char>(std::tolower(c)));
  return QStringLiteral(":/subjects/%1.png").arg(QString::fromStdString(name));
}

QLabel* Panel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  label->setMargin(4);
  return label;
}

}  // namespace

QIcon SubjectPicture(std::string_view word) {
  static const bool registered = [] {
    InitSubjectPictures();
    return true;
  }();
  (void)registered;
  const SubjectInfo* subject = FindSubject(word);
  if (subject == nullptr) return {};
  const QString file = PictureFile(subject->word);
  return QFile::exists(file) ? QIcon(file) : QIcon();
}

TSubjectIconMenu::TSubjectIconMenu(IconMenu& menu, const EditionSwitches& editions, ui::Host& host,
                                   QWidget* parent)
    : QDialog(parent), menu_(menu), host_(host) {
  setObjectName(QStringLiteral("TSUBJECTS_%1").arg(menu.menu()));
  setWindowTitle(ui::FromAnsi(MenuCaption(menu.menu())));

  auto* grid = new QGridLayout;
  grid->setSpacing(4);
  int index = 0;
  for (const SubjectInfo* subject : MenuSubjects(menu.menu())) {
    auto* button = new QToolButton(this);
    const QString name = ui::FromAnsi(subject->name);
    button->setObjectName("SpeedButton_" + name);
    button->setText(name);
    button->setToolTip(name);
    button->setIcon(SubjectPicture(subject->word));
    button->setIconSize(QSize(kPictureSize, kPictureSize));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFixedSize(104, 80);
    button->setFocusPolicy(Qt::StrongFocus);
    OnEnter(button, [this, subject] { menu_.EnterSubject(*subject); });
    connect(button, &QToolButton::clicked, this, [this, subject] {
      menu_.EnterSubject(*subject);  // a click always enters its button first
      menu_.ClickSubject();
      CloseIfDone();
    });
    grid->addWidget(button, index / kColumns, index % kColumns);
    subject_buttons_.push_back(button);
    ++index;
  }

  auto* buttons = new QHBoxLayout;
  const auto navigation = NavigationButtons(menu.menu());
  for (size_t i = 0; i < navigation.size(); ++i) {
    const NavigationButton nav = navigation[i];
    const bool forward = nav.target > menu.menu();
    // The caption names the menu's range, so the button says where it leads.
    auto* button = new QPushButton(ui::FromAnsi(MenuCaption(nav.target)).simplified(), this);
    button->setObjectName(QStringLiteral("BitBtn_Menu%1").arg(nav.target));
    button->setIcon(ui::ToolIcon(forward ? "next" : "previous"));
    button->setToolTip(ui::FromAnsi(nav.panels.description));
    button->setAutoDefault(false);
    // Another edition's database has no subjects behind menus 2 and 3.
    button->setEnabled(MenuReachable(editions, nav.target));
    OnEnter(button, [this, nav] { menu_.EnterNavigation(nav); });
    connect(button, &QPushButton::clicked, this, [this, nav] {
      menu_.ClickNavigation(nav.target);
      CloseIfDone();
    });
    buttons->addWidget(button);
    navigation_[i] = button;
  }
  buttons->addStretch();
  help_ = new QPushButton(ui::ToolIcon("help"), "&Help", this);
  help_->setObjectName("BitBtn_Help");
  help_->setToolTip(kIconMenuHelpHint);
  help_->setAutoDefault(false);
  OnEnter(help_, [this] { menu_.EnterHelp(); });
  connect(help_, &QPushButton::clicked, this, [this] {
    menu_.Help();
    ShowPanels();
    host_.ShowHelp(kIconMenuHelpTopic);
  });
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName("BitBtn_Cancel");
  cancel_->setAutoDefault(false);
  OnEnter(cancel_, [this] { menu_.EnterCancel(); });
  connect(cancel_, &QPushButton::clicked, this, [this] {
    menu_.Cancel();
    ShowPanels();
    CloseIfDone();
  });
  buttons->addWidget(help_);
  buttons->addWidget(cancel_);

  subject_panel_ = Panel(this);
  subject_panel_->setObjectName("Panel_Subject");
  QFont bold = subject_panel_->font();
  bold.setBold(true);
  subject_panel_->setFont(bold);
  subject_panel_->setFixedWidth(180);
  description_panel_ = Panel(this);
  description_panel_->setObjectName("Panel_Description");
  auto* panels = new QHBoxLayout;
  panels->addWidget(subject_panel_);
  panels->addWidget(description_panel_, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  layout->addLayout(panels);
  setFixedSize(sizeHint());
}

void TSubjectIconMenu::OnEnter(QAbstractButton* button, std::function<void()> enter) {
  button->installEventFilter(this);
  enter_actions_.emplace_back(button, std::move(enter));
}

bool TSubjectIconMenu::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Enter || event->type() == QEvent::FocusIn) {
    for (const auto& [button, enter] : enter_actions_) {
      if (button == watched) {
        enter();
        ShowPanels();
        break;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TSubjectIconMenu::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  host_.SetBusy(false);  // the caller showed the busy pointer while opening the menu
}

void TSubjectIconMenu::ShowPanels() {
  subject_panel_->setText(ui::FromAnsi(menu_.panels().subject));
  description_panel_->setText(ui::FromAnsi(menu_.panels().description));
}

void TSubjectIconMenu::CloseIfDone() {
  if (menu_.closes()) accept();
}

std::unique_ptr<TSubjectIconMenu> MakeSubjectIconMenu(IconMenu& menu,
                                                      const EditionSwitches& editions,
                                                      ui::Host& host, QWidget* parent) {
  switch (menu.menu()) {
    case 2:
      return std::make_unique<TSUBJECTS_2>(menu, editions, host, parent);
    case 3:
      return std::make_unique<TSUBJECTS_3>(menu, editions, host, parent);
    default:
      return std::make_unique<TSUBJECTS_1>(menu, editions, host, parent);
  }
}

}  // namespace tessary::subjects
