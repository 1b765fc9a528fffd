#include "test_prompt_support.h"

#include <vector>

#include "dialog_prompts.h"
#include "modal_bracket.h"
#include "base/module_state.h"
#include "password_settings.h"

namespace prompttest {

PromptThread::PromptThread(std::function<void()> call) : call_(std::move(call)) {
  thread_ = CreateThread(nullptr, 0, &PromptThread::Start, this, 0, &id_);
}

DWORD WINAPI PromptThread::Start(LPVOID self) {
  try {
    static_cast<PromptThread*>(self)->call_();
  } catch (...) {
    ADD_FAILURE() << "the prompt call threw";
  }
  return 0;
}

bool PromptThread::Wait(DWORD limitMs) {
  if (thread_ == nullptr) return false;
  return WaitForSingleObject(thread_, limitMs) == WAIT_OBJECT_0;
}

namespace {

BOOL CALLBACK CloseDialogs(HWND window, LPARAM) {
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof(cls));
  if (std::string(cls) == "#32770") PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

struct Search {
  std::string prefix;
  HWND found = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof(cls));
  if (std::string(cls) != "#32770" || !IsWindowVisible(window)) return TRUE;
  if (WindowText(window).rfind(search->prefix, 0) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

PromptThread::~PromptThread() {
  if (thread_ == nullptr) return;
  // A prompt still open after the test: close its dialogs (nested ones first) and wait again.
  for (int round = 0; round < 5 && !Wait(1000); ++round) {
    EnumThreadWindows(id_, CloseDialogs, 0);
  }
  if (!Wait(0)) {
    ADD_FAILURE() << "a prompt did not close";
    // Test-only last resort: a hung prompt must not hang the whole run.
    TerminateThread(thread_, 1);
  }
  CloseHandle(thread_);
}

HWND WaitForDialog(DWORD threadId, const char* captionPrefix, DWORD limitMs) {
  const DWORD start = GetTickCount();
  Search search;
  search.prefix = captionPrefix != nullptr ? captionPrefix : "";
  while (GetTickCount() - start < limitMs) {
    search.found = nullptr;
    EnumThreadWindows(threadId, FindDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(20);
  }
  return nullptr;
}

std::string WindowText(HWND window) {
  char buffer[2048] = {};
  // Sent with a time limit: a dialog thread that hangs must not hang the test thread.
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer),
                           SMTO_NORMAL, kDialogLimitMs, &got)) {
    return std::string();
  }
  return std::string(buffer, got);
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

void SetEditText(HWND edit, const std::string& text) {
  // Select everything and replace it, as typing over a selection does: the edit control reports
  // the change to its parent (a combo box passes it on as CBN_EDITCHANGE, which it does not for
  // WM_SETTEXT).
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(edit, EM_SETSEL, 0, -1, SMTO_NORMAL, kDialogLimitMs, &ignored);
  SendMessageTimeoutA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()),
                      SMTO_NORMAL, kDialogLimitMs, &ignored);
}

HWND ComboEdit(HWND dialog, int comboId) {
  return FindWindowExA(GetDlgItem(dialog, comboId), nullptr, "Edit", nullptr);
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int DefaultButton(HWND dialog) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(dialog, DM_GETDEFID, 0, 0, SMTO_NORMAL, kDialogLimitMs, &result);
  return HIWORD(result) == DC_HASDEFID ? LOWORD(result) : 0;
}

bool IsItemEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

void PromptTest::SetUp() {
  SetIniFile(IniPath().c_str());
  SetPasswordMode(TRUE, TRUE);
  ResetPromptTexts();
  InstallDialogPrompts();
}

void PromptTest::TearDown() {
  SetCurrentModalBracket(nullptr);
  ResetPromptTexts();
  SetPasswordMode(TRUE, TRUE);
}

}  // namespace prompttest
