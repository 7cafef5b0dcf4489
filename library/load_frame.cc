#include "library/load_frame.h"

#include <cstring>
#include <iterator>

namespace korvel {
namespace library {
namespace {

ExtensionModuleRecord extensionModule;

void RunTable(const RoutineTable& table) {
  for (const StaticRoutine* entry = table.begin; entry != table.end; ++entry) {
    if (*entry != nullptr) (*entry)();
  }
}

// Copies the 32-bit word at byte offset `from` of the module state to `to`
// and clears the source.
void MoveStateWord(ModuleState& state, std::size_t from, std::size_t to) {
  unsigned char* bytes = reinterpret_cast<unsigned char*>(state.words);
  std::memcpy(bytes + to, bytes + from, sizeof(std::uint32_t));
  std::memset(bytes + from, 0, sizeof(std::uint32_t));
}

// The library has no static initialisers or terminators and registers
// nothing for exit; the tables hold one empty entry each, which is skipped.
const StaticRoutine kPlainInitializers[] = {nullptr};
const StaticRoutine kConstructorInitializers[] = {nullptr};
const StaticRoutine kPreTerminators[] = {nullptr};
const StaticRoutine kTerminators[] = {nullptr};
ExitList exitList;

const LoadFrame kLibraryFrame = {
    PreInitHook,
    {std::begin(kPlainInitializers), std::end(kPlainInitializers)},
    {std::begin(kConstructorInitializers), std::end(kConstructorInitializers)},
    LibraryMain,
    &exitList,
    {std::begin(kPreTerminators), std::end(kPreTerminators)},
    {std::begin(kTerminators), std::end(kTerminators)},
};

}  // namespace

bool ExitList::Register(StaticRoutine routine) {
  if (routine == nullptr || count_ == kCapacity) return false;
  routines_[count_++] = routine;
  return true;
}

void ExitList::RunInReverse() {
  while (count_ > 0) {
    const StaticRoutine routine = routines_[--count_];
    routine();
  }
}

int RunLoadFrame(const LoadFrame& frame, ModuleHandle module, std::uint32_t reason,
                 void* reserved) {
  switch (reason) {
    case kProcessAttach:
      if (frame.preInitHook(module, reason, reserved) == 0) return 0;
      RunTable(frame.plainInitializers);
      RunTable(frame.constructorInitializers);
      return frame.main(module, reason, reserved);
    case kProcessDetach: {
      int result = frame.main(module, reason, reserved);
      // Static termination returns here; it does not end the process.
      frame.exitList->RunInReverse();
      RunTable(frame.preTerminators);
      RunTable(frame.terminators);
      if (frame.preInitHook(module, reason, reserved) == 0) result = 0;
      return result;
    }
    default:
      return frame.main(module, reason, reserved);
  }
}

int LibraryStartup(ModuleHandle module, std::uint32_t reason, void* reserved) {
  return RunLoadFrame(kLibraryFrame, module, reason, reserved);
}

int PreInitHook(ModuleHandle, std::uint32_t reason, void*) {
  if (reason == kProcessAttach) {
    ModuleState& state = *CurrentModuleState();
    MoveStateWord(state, 32, 28);
    MoveStateWord(state, 44, 40);
  }
  return 1;
}

int LibraryMain(ModuleHandle module, std::uint32_t reason, void*) {
  switch (reason) {
    case kProcessAttach: {
      if (InitExtensionModule(extensionModule, module) == 0) return 0;
      // Without memory the module still loads, only without its object.
      void* memory = AllocateRuntimeMemory(kLibraryObjectBytes);
      if (memory != nullptr) ConstructLibraryObject(memory, extensionModule, 0);
      return 1;
    }
    case kProcessDetach:
      TermExtensionModule(extensionModule, 0);
      return 1;
    default:
      return 1;
  }
}

ExtensionModuleRecord& LibraryExtensionModule() { return extensionModule; }

}  // namespace library
}  // namespace korvel
