// What runs when the system loads and unloads the library: the start-up
// routine, the pre-init hook, the static initialisation tables, the exit
// list and the library's main routine, which registers the module with the
// host runtime. Internal; none of it takes part in drawing charts.
//
// The system calls LibraryStartup with one of the four reasons below: the
// DLL entry point does on Windows (all four), the shared object's
// constructor and destructor do on Linux (attach and detach only). The
// system serialises these calls; the frame takes no locks of its own.
#ifndef KORVELGRAPHLINE_LIBRARY_LOAD_FRAME_H_
#define KORVELGRAPHLINE_LIBRARY_LOAD_FRAME_H_

#include <cstdint>

#include "library/host_runtime.h"

namespace korvel {
namespace library {

// Why the entry routines are called; the values are the system's own.
enum LoadReason : std::uint32_t {
  kProcessDetach = 0,
  kProcessAttach = 1,
  kThreadAttach = 2,
  kThreadDetach = 3,
};

// An entry routine returns nonzero for success.
using EntryRoutine = int (*)(ModuleHandle module, std::uint32_t reason, void* reserved);
using StaticRoutine = void (*)();

// A sequence of static routines; null entries are skipped.
struct RoutineTable {
  const StaticRoutine* begin;
  const StaticRoutine* end;
};

// Routines registered to run at unload, last registered first.
class ExitList {
 public:
  static constexpr int kCapacity = 32;
  // False, registering nothing, for a null routine or a full list.
  bool Register(StaticRoutine routine);
  // Runs the registered routines in reverse order of registration and
  // forgets them, so each runs once.
  void RunInReverse();

 private:
  StaticRoutine routines_[kCapacity] = {};
  int count_ = 0;
};

// Everything the start-up routine runs, in the order it runs them.
struct LoadFrame {
  EntryRoutine preInitHook;
  RoutineTable plainInitializers;
  RoutineTable constructorInitializers;
  EntryRoutine main;
  ExitList* exitList;
  RoutineTable preTerminators;
  RoutineTable terminators;
};

// The start-up steps over frame:
//  - process attach: the pre-init hook (0 fails the load at once), the plain
//    initialisers, the constructor initialisers, then main, whose result is
//    returned;
//  - process detach: main, then the exit list, the pre-terminators and the
//    terminators, then the pre-init hook; 0 when main or the hook gave 0;
//  - thread attach and detach: main's result.
int RunLoadFrame(const LoadFrame& frame, ModuleHandle module, std::uint32_t reason,
                 void* reserved);

// The library's entry routine: RunLoadFrame over the library's own frame,
// whose four tables and exit list are empty and whose hook and main routine
// are PreInitHook and LibraryMain.
int LibraryStartup(ModuleHandle module, std::uint32_t reason, void* reserved);

// On process attach, moves two words of the runtime's current module state:
// the word at byte offset 32 to offset 28 and the word at 44 to 40, each
// source set to 0. Returns 1 for every reason.
int PreInitHook(ModuleHandle module, std::uint32_t reason, void* reserved);

// Process attach: registers the module in LibraryExtensionModule() (0 when
// the runtime refuses) and has the runtime construct the library object in
// 64 bytes of its memory; without memory the load still succeeds, without
// the object. Process detach: ends the registration. Returns 1 otherwise.
int LibraryMain(ModuleHandle module, std::uint32_t reason, void* reserved);

// The library's one registration record, zero until the first attach.
ExtensionModuleRecord& LibraryExtensionModule();

}  // namespace library
}  // namespace korvel

#endif  // KORVELGRAPHLINE_LIBRARY_LOAD_FRAME_H_
