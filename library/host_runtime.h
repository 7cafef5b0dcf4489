// The host runtime that the load frame registers the library with: the
// module state, extension-module registration, allocation and the library
// object. The library only passes addresses to these operations; what they
// do with them is the runtime's business. Internal.
//
// None of this takes part in drawing charts. The runtime is a small layer of
// the library's own, and it can be told to fail its registration or its
// allocation, so that the load frame's handling of both can be exercised.
// Not safe to use from several threads at once: the system serialises the
// load and unload notifications that drive it.
#ifndef KORVELGRAPHLINE_LIBRARY_HOST_RUNTIME_H_
#define KORVELGRAPHLINE_LIBRARY_HOST_RUNTIME_H_

#include <cstddef>
#include <cstdint>

namespace korvel {
namespace library {

// Identifies the loaded module: the DLL's instance handle on Windows, an
// address inside the shared object on Linux.
using ModuleHandle = void*;

// The runtime's record for the module being loaded: a row of 32-bit words.
// The runtime gives them no meaning of its own; the library's pre-init hook
// moves two of them on load (see PreInitHook).
struct ModuleState {
  std::uint32_t words[12];  // byte offsets 0 .. 47
};

struct LibraryObject;

// One module's registration with the runtime. Zero-initialised storage is
// the unregistered state; only the runtime reads or writes the fields.
struct ExtensionModuleRecord {
  bool initialized;
  bool terminated;
  ModuleHandle module;
  LibraryObject* libraries;  // objects constructed for this module, newest first
};

// The object the runtime keeps for each registered library. It fills the
// 64 bytes the library allocates for it.
constexpr std::size_t kLibraryObjectBytes = 64;
struct LibraryObject {
  ExtensionModuleRecord* owner;
  LibraryObject* next;
  int options;
};
static_assert(sizeof(LibraryObject) <= kLibraryObjectBytes,
              "the library object must fit the memory allocated for it");

// The module state of the module being loaded. Never null.
ModuleState* CurrentModuleState();

// Registers module in record. Returns nonzero on success, 0 on failure
// (then record is left as it was).
int InitExtensionModule(ExtensionModuleRecord& record, ModuleHandle module);

// Ends the registration in record and releases the library objects
// constructed for it. everyModule = 0 ends this record only; the library
// never asks for more. Harmless on a record that was never registered.
void TermExtensionModule(ExtensionModuleRecord& record, int everyModule);

// Runtime memory of the given size, or null when there is none.
void* AllocateRuntimeMemory(std::size_t bytes);

// Constructs the library object in memory (kLibraryObjectBytes from
// AllocateRuntimeMemory) for record; the runtime owns it from then on and
// releases it with the record's termination. options = 0 for the library.
void ConstructLibraryObject(void* memory, ExtensionModuleRecord& record, int options);

// What the runtime has been asked to do since the last reset.
struct RuntimeActivity {
  int initializations = 0;
  int terminations = 0;
  int allocations = 0;  // requests, granted or not
  int constructions = 0;
};
const RuntimeActivity& Activity();

// Failures the runtime is told to produce, for exercising the load frame.
struct RuntimeFaults {
  bool failInitialization = false;
  bool failAllocation = false;
};
void SetFaults(const RuntimeFaults& faults);

// Clears the activity counts and the faults.
void ResetRuntime();

}  // namespace library
}  // namespace korvel

#endif  // KORVELGRAPHLINE_LIBRARY_HOST_RUNTIME_H_
