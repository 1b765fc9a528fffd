#include "base/prompts.h"

namespace {
EnginePrompts* g_prompts = nullptr;
}  // namespace

EnginePrompts* GetEnginePrompts() { return g_prompts; }
void SetEnginePrompts(EnginePrompts* prompts) { g_prompts = prompts; }
