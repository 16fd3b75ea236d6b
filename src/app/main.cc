// The desktop program: the splash (unless the first argument is "d" or "D"),
// the main window, the event loop.
#include <QApplication>
#include <QSplashScreen>
#include <memory>
#include <string>
#include <vector>

#include "app/main_state.h"
#include "app/main_window.h"
#include "app/reading_link.h"
#include "app/splash.h"
#include "platform/file.h"
#include "platform/program_dir.h"
#include "ui/icons.h"
#include "reading/read_window.h"
#include "ui/qt_host.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setWindowIcon(tessary::ui::ApplicationIcon());
  QGuiApplication::setDesktopFileName("tessary");
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool direct = !args.empty() && (args[0] == "d" || args[0] == "D");

  std::unique_ptr<QSplashScreen> splash;
  if (!direct) {
    splash = std::make_unique<QSplashScreen>(tessary::app::SplashPicture());
    splash->show();
    application.processEvents();
  }
  QApplication::setApplicationName(tessary::app::kProgramTitle);
  QApplication::setApplicationDisplayName(tessary::app::kProgramTitle);

  tessary::ui::QtHost host;
  tessary::app::TMain_Menu window(host, tessary::platform::PosixFileSystem(),
                                  tessary::platform::ProgramDirectory(), args);
  host.SetParent(&window);
  // Selected.Txt goes to the working directory.
  tessary::reading::TRead_Window reading(host, window.session(), window.state().filters,
                                         tessary::platform::PosixFileSystem(), ".", &window);
  tessary::app::LinkReadingWindow(window, reading, tessary::platform::PosixFileSystem(),
                                  tessary::platform::ProgramDirectory());
  int exit_code = 0;
  QObject::connect(&window, &tessary::app::TMain_Menu::StartFailed, &application, [&] {
    exit_code = 1;
    QApplication::exit(1);
  });
  if (splash) splash->finish(&window);
  window.show();
  splash.reset();
  int result = application.exec();
  return exit_code != 0 ? exit_code : result;
}
