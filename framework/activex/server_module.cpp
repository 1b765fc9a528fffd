#include "activex/server_module.h"

namespace activex {
namespace {

HINSTANCE g_module = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;

}  // namespace

void SetModuleHandle(HINSTANCE module) { g_module = module; }

HINSTANCE ModuleHandle() { return g_module; }

std::wstring ModulePathW() {
  if (g_module == nullptr) return std::wstring();
  wchar_t path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
  // A result of MAX_PATH means the path was cut: no usable name then.
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  return std::wstring(path, length);
}

std::string ModulePathA() {
  if (g_module == nullptr) return std::string();
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(g_module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(path, length);
}

void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }

void LockModule(bool lock) {
  if (lock) {
    InterlockedIncrement(&g_locks);
  } else {
    InterlockedDecrement(&g_locks);
  }
}

bool ModuleInUse() { return g_objects > 0 || g_locks > 0; }

}  // namespace activex
