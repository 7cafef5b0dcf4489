// Hands the system's load and unload notifications to LibraryStartup.
//
// Windows: the DLL entry point, with all four reasons. The C runtime's own
// start-up has run before it on attach and runs after it on detach.
// Linux: the shared object's constructor and destructor, process attach and
// detach only; the module is identified by an address inside it. A refused
// attach cannot fail the load here, so its result is dropped.
#include "library/load_frame.h"

#if defined(_WIN32)

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  return korvel::library::LibraryStartup(instance, reason, reserved);
}

#elif defined(__ELF__)

// Defined by the toolchain in every ELF module, and unique to it.
extern "C" void* __dso_handle;

namespace {

__attribute__((constructor)) void AttachOnLoad() {
  korvel::library::LibraryStartup(&__dso_handle, korvel::library::kProcessAttach, nullptr);
}

__attribute__((destructor)) void DetachOnUnload() {
  korvel::library::LibraryStartup(&__dso_handle, korvel::library::kProcessDetach, nullptr);
}

}  // namespace

#endif
