// The main window on a temporary program directory: a database copied in per
// test (or none), the scripted host answering the questions, and helpers that
// walk a key through the engine independently of the list.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "database/quotation_record.h"
#include "support/scripted_host.h"
#include "support/temp_dir.h"

namespace tessary::testing {

// The shared database: generated quotations 1 to kGenerated, then four whose
// authors sort after every generated one (kExtraAuthors, numbered on from
// kGenerated + 1).
inline constexpr int kGenerated = 300;
inline constexpr int kExtra = 4;
inline constexpr int kTotal = kGenerated + kExtra;
inline constexpr const char* kExtraAuthors[kExtra][2] = {
    {"Miller", "Arthur"}, {"Mann", "Thomas"}, {"Nash", "Ogden"}, {"Mann", "Anna"}};

database::QuotationRecord SharedQuotation(int number);

// Builds a closed Fileblock of `count` quotations (SharedQuotation 1..count)
// in `directory`.
void BuildDatabase(int count, const std::string& directory);

// Copies the shared database (built once per run) into `directory`.
void CopySharedDatabase(const std::string& directory);

struct KeyEntry {
  std::string key;
  int32_t ref = 0;
  bool operator==(const KeyEntry&) const = default;
};

// Verify's findings on the closed Fileblock `directory`/Tes_Win, with the
// quotation key builder.
struct DatabaseCheck {
  bool sound = false;
  std::vector<std::string> findings;
  int32_t free_slots = 0;
  int32_t records = 0;
};
DatabaseCheck VerifyDatabase(const std::string& directory);

// Every entry of `key`, in the engine's order.
std::vector<KeyEntry> WalkKey(database::Session& session, int key);

// The record at `ref`, read directly from the engine.
database::QuotationRecord ReadRecord(database::Session& session, int32_t ref);

// The references of the list's page rows, first to last visible row.
std::vector<int32_t> PageRefs(const app::TMain_Menu& window);

class MainWindowFixture : public ::testing::Test {
 protected:
  // Creates the main window on the program directory without showing it.
  app::TMain_Menu& Create(std::vector<std::string> args = {});
  // Creates the main window on the program directory and shows it, which
  // opens the database (FormShow) and starts the one-shot timer. Events are
  // not processed, so the timer has not ticked yet; when it ticks, no
  // quick-start menu waits for an answer.
  app::TMain_Menu& Start(std::vector<std::string> args = {});
  // Waits until the window is exposed and its pending events are handled.
  void Settle();
  // Stops the start-up timer so that no opening-menu tick interferes.
  app::TMain_Menu& StartQuiet(std::vector<std::string> args = {});

  ScriptedHost host_;
  TempDir dir_;
  std::unique_ptr<app::TMain_Menu> window_;
};

}  // namespace tessary::testing
