#include "base/module_state.h"

namespace {

struct ModuleState {
  HINSTANCE instance = nullptr;
  CZText controlFolder;
};

// Built on first use, so other start-up code may reach it in any order.
ModuleState& State() {
  static ModuleState state;
  return state;
}

}  // namespace

void RecordModuleInstance(HINSTANCE instance) {
  State().instance = instance;
  CZText folder;
  folder.LocateFile(nullptr);
  State().controlFolder = folder;
}

HINSTANCE ModuleInstance() { return State().instance; }

HINSTANCE ResourceModule() {
  return State().instance != nullptr ? State().instance : GetModuleHandleA(nullptr);
}

const CZText& ControlFolder() { return State().controlFolder; }

ScopedControlFolder::ScopedControlFolder(const char* folder) : saved_(State().controlFolder) {
  State().controlFolder = folder != nullptr ? folder : "";
}

ScopedControlFolder::~ScopedControlFolder() { State().controlFolder = saved_; }
