#include "gui/window_fixture.h"

#include <QCoreApplication>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "database/keys.h"
#include "isam/verify.h"
#include "platform/file.h"
#include "support/quotation_fixture.h"

namespace tessary::testing {

database::QuotationRecord SharedQuotation(int number) {
  database::QuotationRecord record = GeneratedQuotation(number);
  if (number > kGenerated && number <= kTotal) {
    const auto& author = kExtraAuthors[number - kGenerated - 1];
    database::SetField(record.Authors_LName, author[0]);
    database::SetField(record.FirstName, author[1]);
  }
  return record;
}

void BuildDatabase(int count, const std::string& directory) {
  QuotationFixture fixture(std::min(count, kGenerated));
  database::Session& session = fixture.session();
  for (int number = kGenerated + 1; number <= count; ++number) {
    session.current_record = SharedQuotation(number);
    ASSERT_TRUE(session.AddRecord()) << "adding quotation " << number;
  }
  session.CloseDatabase();
  for (const auto& file : std::filesystem::directory_iterator(fixture.dir().path())) {
    std::filesystem::copy(file.path(), std::filesystem::path(directory) / file.path().filename(),
                          std::filesystem::copy_options::overwrite_existing);
  }
}

void CopySharedDatabase(const std::string& directory) {
  // Built on first use and removed at the end of the run.
  static TempDir shared;
  static const bool built = [] {
    BuildDatabase(kTotal, shared.path());
    return true;
  }();
  ASSERT_TRUE(built);
  for (const auto& file : std::filesystem::directory_iterator(shared.path())) {
    std::filesystem::copy(file.path(), std::filesystem::path(directory) / file.path().filename(),
                          std::filesystem::copy_options::overwrite_existing);
  }
}

DatabaseCheck VerifyDatabase(const std::string& directory) {
  isam::VerifyOptions options;
  options.key_builder = database::BuildKeyFromBytes;
  isam::VerifyReport report =
      isam::Verify(platform::PosixFileSystem(), directory + "/Tes_Win", options);
  DatabaseCheck check{report.sound(), report.findings, report.free_slots, report.records};
  if (report.open_error != 0) {
    check.findings.push_back("open error " + std::to_string(report.open_error));
  }
  return check;
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

std::vector<int32_t> PageRefs(const app::TMain_Menu& window) {
  std::vector<int32_t> refs;
  const browser::RowBrowser* engine = window.list()->engine();
  if (engine == nullptr) return refs;
  for (int i = 1; i <= engine->visible_rows(); ++i) refs.push_back(engine->row(i).ref);
  return refs;
}

app::TMain_Menu& MainWindowFixture::Create(std::vector<std::string> args) {
  window_ = std::make_unique<app::TMain_Menu>(host_, platform::PosixFileSystem(), dir_.path(),
                                              std::move(args));
  return *window_;
}

app::TMain_Menu& MainWindowFixture::Start(std::vector<std::string> args) {
  Create(std::move(args)).show_quick_start = [] {};
  window_->show();
  return *window_;
}

void MainWindowFixture::Settle() {
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  QCoreApplication::processEvents();
}

app::TMain_Menu& MainWindowFixture::StartQuiet(std::vector<std::string> args) {
  app::TMain_Menu& window = Start(std::move(args));
  window.timer().stop();
  Settle();
  return window;
}

}  // namespace tessary::testing
