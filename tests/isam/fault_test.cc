// Failed file calls and crashes in the middle of changes. Whatever fails, the
// failing operation reports it, and the files left behind either make the next
// open ask for a rebuild (10010) or are sound.
#include <errno.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "isam/engine.h"
#include "isam/verify.h"
#include "support/crash_fs.h"
#include "support/fault_fs.h"
#include "support/temp_dir.h"

namespace tessary::isam {
namespace {

using testing::FaultFileSystem;
using Call = FaultFileSystem::Call;

constexpr int kRecordLength = 128;
const KeyDef kKeyDefs[] = {{4, true}, {6, false}};

std::string Key2(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%05d", i * 10);
  return buf;
}

// Record i: four zero bytes, then 1 to 3 slots' worth of bytes.
std::string RecordBytes(int i) {
  size_t length = 10 + static_cast<size_t>(i * 37 % 3) * 121 + static_cast<size_t>(i % 50);
  std::string out(length, '\0');
  for (size_t j = 4; j < length; ++j) out[j] = static_cast<char>('a' + (i + j) % 26);
  return out;
}

// A cleanly closed Fileblock of 300 records, every fifth deleted again, so
// both free chains are in use; made once, copied for every run.
struct BaseFiles {
  std::string dat;
  std::string ix;
  std::vector<int32_t> refs;  // by record number; 0 when deleted
};

const BaseFiles& Base() {
  static const BaseFiles* base = [] {
    auto* files = new BaseFiles;
    testing::TempDir dir;
    testing::NoSyncFileSystem fs(platform::PosixFileSystem());
    Engine engine(fs);
    engine.InitEngine(30);
    std::string path = dir.File("base");
    engine.MakeFileblock(path, kRecordLength, 2, kKeyDefs);
    Fileblock* fb = engine.OpenFileblock(path);
    for (int i = 0; i < 300; ++i) {
      std::string rec = RecordBytes(i);
      int32_t ref = engine.AddVarRecord(fb, rec.data(), rec.size());
      engine.AddKey(fb, 1, ref, "K" + std::to_string(i % 7));
      engine.AddKey(fb, 2, ref, Key2(i));
      files->refs.push_back(ref);
    }
    for (int i = 0; i < 300; i += 5) {
      engine.DeleteKey(fb, 1, files->refs[i], "K" + std::to_string(i % 7));
      engine.DeleteKey(fb, 2, files->refs[i], Key2(i));
      engine.DeleteVarRecord(fb, files->refs[i]);
      files->refs[i] = 0;
    }
    engine.CloseFileblock(fb);
    EXPECT_TRUE(engine.EngineOk()) << engine.EngineError();
    files->dat = testing::ReadFile(path + ".DAT");
    files->ix = testing::ReadFile(path + ".IX");
    return files;
  }();
  return *base;
}

// One engine call of a sequence; the engine's status tells the outcome.
using Step = std::function<void(Engine&, Fileblock*)>;

// 32 records. Half of their key-2 texts fall between two neighbouring entries,
// so one leaf overflows and passes items on or splits; the other half and the
// key-1 texts spread over the trees, so dirty pages are written back while
// keys are added.
std::vector<Step> AddSequence() {
  std::vector<Step> steps;
  for (int i = 0; i < 32; ++i) {
    auto ref = std::make_shared<int32_t>(0);
    steps.push_back([i, ref](Engine& e, Fileblock* fb) {
      std::string rec = RecordBytes(1000 + i);
      *ref = e.AddVarRecord(fb, rec.data(), rec.size());
    });
    steps.push_back(
        [i, ref](Engine& e, Fileblock* fb) { e.AddKey(fb, 1, *ref, "K" + std::to_string(i % 3)); });
    steps.push_back([i, ref](Engine& e, Fileblock* fb) {
      std::string text =
          i % 2 == 0 ? Key2(100) + static_cast<char>('A' + i) : Key2(i * 37 % 290) + "x";
      e.AddKey(fb, 2, *ref, text);
    });
  }
  return steps;
}

// 40 neighbouring records in key 2 go, so leaves underflow, borrow and merge.
std::vector<Step> DeleteSequence() {
  std::vector<Step> steps;
  const BaseFiles& base = Base();
  for (int i = 150; i < 200; ++i) {
    int32_t ref = base.refs[static_cast<size_t>(i)];
    if (ref == 0) continue;
    steps.push_back([i, ref](Engine& e, Fileblock* fb) {
      e.DeleteKey(fb, 1, ref, "K" + std::to_string(i % 7));
    });
    steps.push_back([i, ref](Engine& e, Fileblock* fb) { e.DeleteKey(fb, 2, ref, Key2(i)); });
    steps.push_back([ref](Engine& e, Fileblock* fb) { e.DeleteVarRecord(fb, ref); });
  }
  return steps;
}

// Rewrites records longer and shorter.
std::vector<Step> PutSequence() {
  std::vector<Step> steps;
  const BaseFiles& base = Base();
  for (int i = 2; i < 40; i += 2) {  // record 2 shrinks into one slot first
    int32_t ref = base.refs[static_cast<size_t>(i)];
    if (ref == 0) continue;
    steps.push_back([i, ref](Engine& e, Fileblock* fb) {
      std::string rec = RecordBytes(i + 1);
      e.PutVarRecord(fb, ref, rec.data(), rec.size());
    });
  }
  return steps;
}

// What goes wrong in one run.
struct Fault {
  enum Kind { kCall, kShortWrite } kind;
  Call call;        // kCall: the kind of call that fails
  int skip;         // kCall: calls of that kind let through first
  uint64_t budget;  // kShortWrite: bytes written before writes fail
};

class FaultTest : public ::testing::Test {
 protected:
  void CopyBase() {
    testing::WriteFile(path_ + ".DAT", Base().dat);
    testing::WriteFile(path_ + ".IX", Base().ix);
  }

  // Runs `steps` (after `setup`, which runs without faults) on a fresh copy
  // of the base with `fault` armed, then closes. Returns whether a fault was
  // injected. `close_is_step` makes the close the operation under test.
  bool RunOnce(const std::vector<Step>& setup, const std::vector<Step>& steps, const Fault& fault,
               bool close_is_step) {
    CopyBase();
    FaultFileSystem fs(quiet_);
    bool injected = false;
    {
      Engine engine(fs);
      engine.InitEngine(8);  // few buffers: pages are written back mid-operation
      Fileblock* fb = engine.OpenFileblock(path_);
      EXPECT_TRUE(engine.EngineOk()) << engine.EngineError();
      if (fb == nullptr) return false;
      for (const Step& step : setup) {
        step(engine, fb);
        EXPECT_TRUE(engine.EngineOk()) << "setup: " << engine.EngineError();
      }
      if (fault.kind == Fault::kCall) {
        fs.FailCall(fault.call, EIO, fault.skip, 1);
      } else {
        fs.FailWritesAfter(fault.budget, ENOSPC);
      }
      for (size_t i = 0; i < steps.size(); ++i) {
        int before = fs.injected();
        steps[i](engine, fb);
        bool hit = fs.injected() > before;
        bool failed = !engine.EngineOk();
        EXPECT_EQ(failed, hit) << "step " << i
                               << (hit ? " reported success after a failed call"
                                       : " failed on its own: ")
                               << engine.EngineError();
        if (hit || failed) {
          injected = true;
          break;
        }
      }
      int before = fs.injected();
      engine.CloseFileblock(fb);  // may fail; the engine's exit retries it
      if (close_is_step && !injected) {
        injected = fs.injected() > before;
        EXPECT_EQ(engine.EngineOk(), !injected) << "close: " << engine.EngineError();
      }
      if (!engine.EngineOk() && close_is_step && injected && fault.kind == Fault::kCall) {
        // A close that failed once leaves the Fileblock open; with the fault
        // spent, closing again must succeed.
        engine.CloseFileblock(fb);
        EXPECT_TRUE(engine.EngineOk()) << "second close: " << engine.EngineError();
      }
    }
    CheckReopen();
    return injected;
  }

  // The files must either ask for a rebuild or pass every check. Returns the
  // records they hold, -1 when they ask for a rebuild.
  int32_t CheckReopen() {
    Engine engine;
    engine.InitEngine(8);
    Fileblock* fb = engine.OpenFileblock(path_);
    if (!engine.EngineOk()) {
      EXPECT_EQ(engine.EngineError(), kErrIndexDefect);
      return -1;
    }
    engine.CloseFileblock(fb);
    EXPECT_TRUE(engine.EngineOk());
    VerifyReport report = Verify(platform::PosixFileSystem(), path_);
    EXPECT_TRUE(report.sound()) << "open error " << report.open_error
                                << ::testing::PrintToString(report.findings);
    return report.records;
  }

  // Fails each call of `call` in turn, then each write short, until the
  // sequence runs through without any fault.
  void EveryFault(const std::vector<Step>& setup, const std::vector<Step>& steps,
                  bool close_is_step) {
    for (auto [call, name] :
         {std::pair{Call::kWriteAt, "write"}, {Call::kReadAt, "read"}, {Call::kSync, "sync"}}) {
      for (int n = 0;; ++n) {
        SCOPED_TRACE(::testing::Message() << name << " number " << n + 1 << " fails");
        bool injected = RunOnce(setup, steps, {Fault::kCall, call, n, 0}, close_is_step);
        if (!injected || HasFailure() || n > 5000) break;
      }
      if (HasFailure()) return;
    }
    // Short writes: the budget ends every 211 bytes in turn, inside writes of
    // every size, until the sequence runs through.
    for (uint64_t budget = 0;; budget += 211) {
      SCOPED_TRACE(::testing::Message() << "writes stop after " << budget << " bytes");
      Fault fault{Fault::kShortWrite, Call::kWriteAt, 0, budget};
      if (!RunOnce(setup, steps, fault, close_is_step) || HasFailure()) return;
    }
  }

  testing::TempDir dir_;
  std::string path_ = dir_.File("f");
  testing::NoSyncFileSystem quiet_{platform::PosixFileSystem()};
};

TEST_F(FaultTest, AddingRecordsAndKeys) { EveryFault({}, AddSequence(), false); }

TEST_F(FaultTest, DeletingKeysAndRecords) { EveryFault({}, DeleteSequence(), false); }

TEST_F(FaultTest, RewritingRecords) { EveryFault({}, PutSequence(), false); }

TEST_F(FaultTest, ClosingAfterChanges) {
  std::vector<Step> setup = AddSequence();
  std::vector<Step> deletes = DeleteSequence();
  setup.insert(setup.end(), deletes.begin(), deletes.end());
  EveryFault(setup, {}, true);
}

// A crash at any call of a sequence of changes with two clean closes in it.
class CrashTest : public FaultTest {
 protected:
  // Adds, closes, rewrites and deletes; stops at the first failure (after the
  // crash).
  static void Sequence(Engine& engine, const std::string& path) {
    engine.InitEngine(8);
    // The rewrites come first in their open: a rewrite in place must set
    // InUse before it touches a slot.
    std::vector<Step> later = PutSequence();
    std::vector<Step> deletes = DeleteSequence();
    later.insert(later.end(), deletes.begin(), deletes.end());
    for (const std::vector<Step>& steps : {AddSequence(), later}) {
      Fileblock* fb = engine.OpenFileblock(path);
      for (const Step& step : steps) {
        if (!engine.EngineOk()) return;
        step(engine, fb);
      }
      if (!engine.EngineOk()) return;
      engine.CloseFileblock(fb);
      if (!engine.EngineOk()) return;
    }
  }

  void CrashEverywhere(bool keep_some) {
    // A run without a crash counts the calls and the records at each clean
    // close: a sound reopened Fileblock must show one of those states.
    CopyBase();
    std::vector<int32_t> clean = {Verify(platform::PosixFileSystem(), path_).records};
    int64_t total = 0;
    {
      testing::CrashFileSystem fs(platform::PosixFileSystem());
      Engine engine(fs);
      Sequence(engine, path_);
      ASSERT_TRUE(engine.EngineOk()) << engine.EngineError();
      total = fs.calls();
    }
    VerifyReport end = Verify(platform::PosixFileSystem(), path_);
    ASSERT_TRUE(end.sound());
    clean.push_back(end.records);
    clean.push_back(clean[0] + 32);
    for (int64_t n = 1; n <= total; ++n) {
      SCOPED_TRACE("crash at call " + std::to_string(n));
      CopyBase();
      {
        testing::CrashFileSystem fs(platform::PosixFileSystem());
        fs.CrashAtCall(n, keep_some, static_cast<uint32_t>(n));
        Engine engine(fs);
        Sequence(engine, path_);
        EXPECT_TRUE(fs.crashed());
        EXPECT_FALSE(engine.EngineOk());
      }
      int32_t records = CheckReopen();
      if (HasFailure()) return;
      if (records >= 0) {
        EXPECT_NE(std::find(clean.begin(), clean.end(), records), clean.end())
            << records << " records";
      }
    }
  }
};

TEST_F(CrashTest, CrashDropsEverythingUnsynced) { CrashEverywhere(false); }

TEST_F(CrashTest, CrashLetsSomeUnsyncedWritesThrough) { CrashEverywhere(true); }

}  // namespace
}  // namespace tessary::isam
