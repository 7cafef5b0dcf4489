// The load and unload frame: the order of its steps over tables of its own,
// and the library's frame against the host runtime, including the runtime's
// refusals.
#include "library/load_frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "library/host_runtime.h"

#if defined(__ELF__)
extern "C" void* __dso_handle;
#endif

namespace korvel {
namespace library {
namespace {

// Must run before any test below detaches the library: in a test program of
// its own (as ctest runs each test) it sees the state the load left.
#if defined(__ELF__)
TEST(LibraryLoadTest, FrameRanWhenTheModuleWasLoaded) {
  const ExtensionModuleRecord& record = LibraryExtensionModule();
  EXPECT_TRUE(record.initialized);
  EXPECT_FALSE(record.terminated);
  EXPECT_EQ(record.module, &__dso_handle);
  ASSERT_NE(record.libraries, nullptr);
  EXPECT_EQ(record.libraries->owner, &record);
  EXPECT_EQ(record.libraries->next, nullptr);
}
#endif

// --- The order of the steps, over a frame made of recording routines.

std::vector<std::string> journal;
int hookResult = 1;
int mainResult = 1;

int RecordingHook(ModuleHandle, std::uint32_t reason, void*) {
  journal.push_back("hook:" + std::to_string(reason));
  return hookResult;
}
int RecordingMain(ModuleHandle, std::uint32_t reason, void*) {
  journal.push_back("main:" + std::to_string(reason));
  return mainResult;
}
void Plain1() { journal.push_back("plain1"); }
void Plain2() { journal.push_back("plain2"); }
void Constructor1() { journal.push_back("constructor1"); }
void Exit1() { journal.push_back("exit1"); }
void Exit2() { journal.push_back("exit2"); }
void PreTerminator1() { journal.push_back("preterminator1"); }
void Terminator1() { journal.push_back("terminator1"); }

const StaticRoutine kPlain[] = {Plain1, nullptr, Plain2};
const StaticRoutine kConstructors[] = {nullptr, Constructor1};
const StaticRoutine kPreTerminators[] = {PreTerminator1};
const StaticRoutine kTerminators[] = {Terminator1, nullptr};

class LoadFrameOrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    journal.clear();
    hookResult = 1;
    mainResult = 1;
  }
  int Run(std::uint32_t reason) { return RunLoadFrame(frame_, nullptr, reason, nullptr); }

  ExitList exits_;
  LoadFrame frame_ = {
      RecordingHook,
      {std::begin(kPlain), std::end(kPlain)},
      {std::begin(kConstructors), std::end(kConstructors)},
      RecordingMain,
      &exits_,
      {std::begin(kPreTerminators), std::end(kPreTerminators)},
      {std::begin(kTerminators), std::end(kTerminators)},
  };
};

TEST_F(LoadFrameOrderTest, EachReasonRunsItsStepsInOrder) {
  ASSERT_TRUE(exits_.Register(Exit1));
  ASSERT_TRUE(exits_.Register(Exit2));
  struct Case {
    std::uint32_t reason;
    std::vector<std::string> steps;
  };
  const Case cases[] = {
      {kProcessAttach, {"hook:1", "plain1", "plain2", "constructor1", "main:1"}},
      {kThreadAttach, {"main:2"}},
      {kThreadDetach, {"main:3"}},
      {kProcessDetach,
       {"main:0", "exit2", "exit1", "preterminator1", "terminator1", "hook:0"}},
      // The exit list has run and is empty now.
      {kProcessDetach, {"main:0", "preterminator1", "terminator1", "hook:0"}},
  };
  for (const Case& c : cases) {
    journal.clear();
    EXPECT_EQ(Run(c.reason), 1) << c.reason;
    EXPECT_EQ(journal, c.steps) << c.reason;
  }
}

TEST_F(LoadFrameOrderTest, RefusingHookFailsTheAttachBeforeAnythingElse) {
  hookResult = 0;
  EXPECT_EQ(Run(kProcessAttach), 0);
  EXPECT_EQ(journal, std::vector<std::string>{"hook:1"});
}

TEST_F(LoadFrameOrderTest, DetachRunsEveryStepAndReportsEitherRefusal) {
  const std::vector<std::string> all = {"main:0", "preterminator1", "terminator1", "hook:0"};
  struct Case {
    int hook, main, expected;
  };
  for (const Case& c : {Case{0, 1, 0}, Case{1, 0, 0}, Case{0, 0, 0}, Case{1, 1, 1}}) {
    journal.clear();
    hookResult = c.hook;
    mainResult = c.main;
    EXPECT_EQ(Run(kProcessDetach), c.expected) << c.hook << c.main;
    EXPECT_EQ(journal, all);
  }
}

TEST_F(LoadFrameOrderTest, AttachAndThreadNotificationsReturnWhatMainReturns) {
  mainResult = 0;
  for (std::uint32_t reason : {kProcessAttach, kThreadAttach, kThreadDetach}) {
    EXPECT_EQ(Run(reason), 0) << reason;
  }
  mainResult = 7;
  EXPECT_EQ(Run(kThreadAttach), 7);
}

TEST(ExitListTest, RefusesNullAndOverflow) {
  ExitList exits;
  EXPECT_FALSE(exits.Register(nullptr));
  for (int i = 0; i < ExitList::kCapacity; ++i) {
    ASSERT_TRUE(exits.Register(Exit1));
  }
  EXPECT_FALSE(exits.Register(Exit2));
  journal.clear();
  exits.RunInReverse();
  EXPECT_EQ(journal, std::vector<std::string>(ExitList::kCapacity, "exit1"));
}

// --- The library's own frame against the host runtime.

// Starts every test from a module that was never attached, and leaves the
// library attached again afterwards, as the load left it.
class LibraryFrameTest : public ::testing::Test {
 protected:
  void SetUp() override { StartFresh(); }
  void TearDown() override {
    StartFresh();
    LibraryStartup(module_, kProcessAttach, nullptr);
  }
  // Detaches (releasing any library object), then clears the record, the
  // module state and the runtime's counts and faults.
  void StartFresh() {
    LibraryStartup(module_, kProcessDetach, nullptr);
    ResetRuntime();
    LibraryExtensionModule() = ExtensionModuleRecord();
    *CurrentModuleState() = ModuleState();
  }

  int module_token_ = 0;
  ModuleHandle module_ = &module_token_;
};

TEST_F(LibraryFrameTest, AttachThenDetachLeavesTheRecordTerminated) {
  const ExtensionModuleRecord& record = LibraryExtensionModule();
  ASSERT_EQ(LibraryStartup(module_, kProcessAttach, nullptr), 1);
  EXPECT_TRUE(record.initialized);
  EXPECT_EQ(record.module, module_);
  ASSERT_NE(record.libraries, nullptr);
  EXPECT_EQ(record.libraries->owner, &record);
  EXPECT_EQ(record.libraries->options, 0);

  ASSERT_EQ(LibraryStartup(module_, kProcessDetach, nullptr), 1);
  EXPECT_TRUE(record.terminated);
  EXPECT_FALSE(record.initialized);
  EXPECT_EQ(record.libraries, nullptr);  // released by the runtime
  const RuntimeActivity& activity = Activity();
  EXPECT_EQ(activity.initializations, 1);
  EXPECT_EQ(activity.allocations, 1);
  EXPECT_EQ(activity.constructions, 1);
  EXPECT_EQ(activity.terminations, 1);
}

// A refused registration fails the load and nothing more happens; a failed
// allocation only costs the library object. Either way the detach that
// follows (the system sends one even after a refused attach) does no harm.
TEST_F(LibraryFrameTest, RuntimeRefusals) {
  struct Case {
    const char* name;
    RuntimeFaults faults;
    int attachResult;
    bool initialized;
    int allocations;
  };
  const Case cases[] = {
      {"refused initialization", {/*failInitialization=*/true, /*failAllocation=*/false}, 0,
       false, 0},
      {"failed allocation", {/*failInitialization=*/false, /*failAllocation=*/true}, 1, true, 1},
  };
  for (const Case& c : cases) {
    StartFresh();
    SetFaults(c.faults);
    EXPECT_EQ(LibraryStartup(module_, kProcessAttach, nullptr), c.attachResult) << c.name;
    const ExtensionModuleRecord& record = LibraryExtensionModule();
    EXPECT_EQ(record.initialized, c.initialized) << c.name;
    EXPECT_EQ(record.libraries, nullptr) << c.name;
    EXPECT_EQ(Activity().initializations, 1) << c.name;
    EXPECT_EQ(Activity().allocations, c.allocations) << c.name;
    EXPECT_EQ(Activity().constructions, 0) << c.name;
    EXPECT_EQ(Activity().terminations, 0) << c.name;

    EXPECT_EQ(LibraryStartup(module_, kProcessDetach, nullptr), 1) << c.name;
    EXPECT_TRUE(record.terminated) << c.name;
  }
}

TEST_F(LibraryFrameTest, ThreadNotificationsReturnOneAndChangeNothing) {
  for (bool attached : {false, true}) {
    if (attached) {
      ASSERT_EQ(LibraryStartup(module_, kProcessAttach, nullptr), 1);
    }
    for (std::uint32_t reason : {kThreadAttach, kThreadDetach}) {
      const ExtensionModuleRecord record = LibraryExtensionModule();
      const ModuleState state = *CurrentModuleState();
      const RuntimeActivity activity = Activity();
      EXPECT_EQ(LibraryStartup(module_, reason, nullptr), 1) << reason;
      EXPECT_EQ(std::memcmp(&record, &LibraryExtensionModule(), sizeof record), 0) << reason;
      EXPECT_EQ(std::memcmp(&state, CurrentModuleState(), sizeof state), 0) << reason;
      EXPECT_EQ(Activity().initializations, activity.initializations);
      EXPECT_EQ(Activity().terminations, activity.terminations);
      EXPECT_EQ(Activity().allocations, activity.allocations);
    }
  }
}

TEST_F(LibraryFrameTest, PreInitHookMovesTwoStateWordsOnAttachOnly) {
  ModuleState filled;
  for (int i = 0; i < 12; ++i) filled.words[i] = 0x01010101u * (i + 1);
  // Word index = byte offset / 4: 32 -> 28 is word 8 -> 7, 44 -> 40 is 11 -> 10.
  ModuleState moved = filled;
  moved.words[7] = filled.words[8];
  moved.words[8] = 0;
  moved.words[10] = filled.words[11];
  moved.words[11] = 0;

  struct Case {
    std::uint32_t reason;
    const ModuleState& expected;
  };
  for (const Case& c : {Case{kProcessAttach, moved}, Case{kProcessDetach, filled},
                        Case{kThreadAttach, filled}, Case{kThreadDetach, filled}}) {
    *CurrentModuleState() = filled;
    EXPECT_EQ(PreInitHook(module_, c.reason, nullptr), 1) << c.reason;
    for (int i = 0; i < 12; ++i) {
      EXPECT_EQ(CurrentModuleState()->words[i], c.expected.words[i])
          << "reason " << c.reason << ", byte offset " << 4 * i;
    }
  }
}

}  // namespace
}  // namespace library
}  // namespace korvel
