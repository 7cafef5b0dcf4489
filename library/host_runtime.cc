#include "library/host_runtime.h"

#include <cstdlib>
#include <new>

namespace korvel {
namespace library {
namespace {

ModuleState moduleState;
RuntimeActivity activity;
RuntimeFaults faults;

}  // namespace

ModuleState* CurrentModuleState() { return &moduleState; }

int InitExtensionModule(ExtensionModuleRecord& record, ModuleHandle module) {
  ++activity.initializations;
  if (faults.failInitialization) return 0;
  record.initialized = true;
  record.terminated = false;
  record.module = module;
  return 1;
}

void TermExtensionModule(ExtensionModuleRecord& record, int /*everyModule*/) {
  ++activity.terminations;
  while (record.libraries != nullptr) {
    LibraryObject* object = record.libraries;
    record.libraries = object->next;
    object->~LibraryObject();
    std::free(object);
  }
  record.initialized = false;
  record.terminated = true;
}

void* AllocateRuntimeMemory(std::size_t bytes) {
  ++activity.allocations;
  if (faults.failAllocation) return nullptr;
  return std::malloc(bytes);
}

void ConstructLibraryObject(void* memory, ExtensionModuleRecord& record, int options) {
  ++activity.constructions;
  record.libraries = new (memory) LibraryObject{&record, record.libraries, options};
}

const RuntimeActivity& Activity() { return activity; }

void SetFaults(const RuntimeFaults& newFaults) { faults = newFaults; }

void ResetRuntime() {
  activity = RuntimeActivity();
  faults = RuntimeFaults();
}

}  // namespace library
}  // namespace korvel
