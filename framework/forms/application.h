// The program object: initialisation, the message loop, the standard exception message, the
// command line, the screen's cursors, the clipboard, and the shell and help calls (replaceable,
// so tests can record them instead of starting other programs).
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace forms {

class Component;
class Form;
class Timer;

// Cursor numbers of the screen's cursor table (negative: the system's; others: the program's).
constexpr int crDefault = 0;
constexpr int crArrow = -2;
constexpr int crCross = -3;
constexpr int crIBeam = -4;
constexpr int crHourGlass = -11;
constexpr int crNo = -18;
constexpr int crHandPoint = -21;

class Application {
 public:
  static Application& Instance();

  // The name the framework gives its window classes when the program names none.
  static constexpr char kFrameworkName[] = "Forms";
  // OLE (for drag and drop and the shell's dialogs) and the common controls. The window classes
  // and the window property the layer registers are named after the program: name + "Window",
  // name + "Application" and name + "Control" (the framework's own names without one). The
  // first call decides; so does a window made before it (the framework's names then).
  void Initialize(const std::string& name = kFrameworkName);
  // The name the layer's window classes are named after; fixed from the first use on.
  const std::string& ClassNamePrefix();
  // Shows the main form and runs the message loop until the program ends.
  void Run();
  // Handles every message waiting in the queue, then returns. A WM_QUIT met here is kept: the
  // program is marked as ending and every loop stops.
  void ProcessMessages();
  // Waits for one message and handles it (a modal loop's step).
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // The standard exception message: a message box with the title, the text, OK and the error
  // icon. With OnException set (tests), the text goes there instead.
  void HandleException(const std::string& text);
  std::function<void(const std::string& text)> OnException;

  std::string Title = "Application";
  std::string HelpFile;
  Form* MainForm = nullptr;
  // The hidden window that owns timers and popup menus.
  HWND Handle();

  // Command-line arguments: ParamStr(0) is the program's path; quotes are removed, backslashes
  // are literal.
  static int ParamCount();
  static std::string ParamStr(int index);
  static std::vector<std::string> SplitCommandLine(const char* commandLine);

  HCURSOR Cursor(int index);
  void SetCursor(int index, HCURSOR cursor);
  int ScreenCursor() const { return screenCursor_; }
  void SetScreenCursor(int index);

  static bool SetClipboardText(const std::string& text);
  static std::string ClipboardText();

  // ShellExecuteA and WinHelpA, replaceable by tests.
  using ShellExecuteFn =
      std::function<HINSTANCE(HWND, const char* verb, const char* file, const char* parameters,
                              const char* folder, int show)>;
  using WinHelpFn = std::function<BOOL(HWND, const char* file, UINT command, ULONG_PTR data)>;
  ShellExecuteFn ShellExecuteHook;
  WinHelpFn WinHelpHook;
  HINSTANCE Shell(HWND window, const char* verb, const char* file, const char* parameters,
                  const char* folder, int show);
  BOOL HelpCommand(UINT command, ULONG_PTR data);

  // Runs once, inside the next modal loop that starts (after its form is shown); tests answer
  // forms of ours with it.
  void SetModalHook(std::function<void(Form&)> hook) { modalHook_ = std::move(hook); }
  std::function<void(Form&)> TakeModalHook();

  // Every callback of the system that runs framework code counts itself here; components freed
  // inside a callback are deleted once the outermost callback has returned.
  struct DispatchScope {
    DispatchScope() { ++Instance().dispatchDepth_; }
    ~DispatchScope();
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
  };
  int DispatchDepth() const { return dispatchDepth_; }
  void DeferFree(Component* component);
  void FreeDeferred();

  void AddTimer(UINT_PTR id, Timer* timer) { timers_[id] = timer; }
  void RemoveTimer(UINT_PTR id) { timers_.erase(id); }

 private:
  Application() = default;
  bool ProcessMessage(MSG& message);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  bool initialized_ = false;
  std::string classNamePrefix_ = kFrameworkName;
  bool classNamesFixed_ = false;
  bool terminated_ = false;
  HWND handle_ = nullptr;
  int screenCursor_ = crDefault;
  int dispatchDepth_ = 0;
  std::map<int, HCURSOR> cursors_;
  std::vector<Component*> deferred_;
  std::map<UINT_PTR, Timer*> timers_;
  std::function<void(Form&)> modalHook_;
};

inline Application& App() { return Application::Instance(); }

}  // namespace forms
