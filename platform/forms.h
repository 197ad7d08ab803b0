// The window layer's application, form, timer and menu objects, written
// once on top of the backend primitives of platform/native.h.
//
// Every event the framework delivers (form events, timer ticks, menu
// commands) runs inside the event dispatch: an error escaping a handler is
// shown in a modal box and the program carries on with the next event.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/wintypes.h"

namespace plat {

class TForm;
class TPopupMenu;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;

class TApplication {
 public:
  // The application's own top-level window: the captionless owner of the
  // program's windows, which carries the taskbar button.
  HWND Handle();
  // The executable's file name without directory and without everything
  // from the first full stop, every character after the first in lower case.
  std::string Title() const;
  // Constructs the form, then delivers its create event.
  template <class Form, class... Args>
  Form* CreateForm(std::unique_ptr<Form>& holder, Args&&... args) {
    holder = std::make_unique<Form>(std::forward<Args>(args)...);
    Adopt(holder.get());
    return holder.get();
  }
  // Shows the main form and runs the message loop until it closes; the
  // main form's destroy event follows.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  TForm* MainForm() const { return mainForm_; }
  // The text in a modal box captioned with the title, a full stop appended
  // when it does not already end in one.
  void ShowException(const std::exception& error);
  // The same text on standard error, after the title, for when no box can
  // be waited for.
  void LogException(const std::exception& error);
  // What the entry point returns: 0, or 1 once a close query has failed
  // (the settings were not saved).
  int ExitCode() const { return exitCode_; }
  // Forgets the forms and windows of a previous run (the entry point calls
  // this first, so every run starts as a fresh process would).
  void Reset();

 private:
  void Adopt(TForm* form);
  HWND handle_ = nullptr;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  int exitCode_ = 0;
  friend class TForm;
};

TApplication& Application();

// Runs `handler` as the event dispatch does.
void Dispatch(const std::function<void()>& handler);

class TMenuItem {
 public:
  explicit TMenuItem(std::string caption = std::string()) : caption_(std::move(caption)) {}
  TMenuItem(const TMenuItem&) = delete;
  TMenuItem& operator=(const TMenuItem&) = delete;

  const std::string& Caption() const { return caption_; }
  bool IsSeparator() const { return caption_ == "-"; }
  bool Checked() const { return checked_; }
  // Checking a radio item unchecks every other radio item of its group in
  // the same submenu.
  void SetChecked(bool checked);
  // Inverts the check mark of a self-toggling item, then runs the command.
  void Click();

  TMenuItem* Add(std::unique_ptr<TMenuItem> item);
  const std::vector<std::unique_ptr<TMenuItem>>& Items() const { return items_; }
  TMenuItem* Parent() const { return parent_; }
  // The first item (depth first) with this caption, or nullptr.
  TMenuItem* FindByCaption(const std::string& caption);

  bool RadioItem = false;
  int GroupIndex = 0;
  bool AutoCheck = false;
  bool Default = false;
  std::function<void()> OnClick;

 private:
  std::string caption_;
  bool checked_ = false;
  TMenuItem* parent_ = nullptr;
  std::vector<std::unique_ptr<TMenuItem>> items_;
};

class TPopupMenu {
 public:
  TMenuItem& Items() { return root_; }
  // Opens the menu with its top-left corner at the screen point; the chosen
  // item's command runs after the menu has closed.
  void Popup(HWND owner, int x, int y);

 private:
  TMenuItem root_;
};

class TTimer {
 public:
  TTimer() = default;
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  UINT Interval = 1000;
  std::function<void()> OnTimer;
  bool Enabled() const { return enabled_; }
  // Enabling a running timer changes nothing: its rhythm is not restarted
  // (but a deferred tick comes at the interval again).
  void SetEnabled(bool enabled);
  // While paused the timer does not tick, enabled or not; enabling or
  // disabling it meanwhile takes effect when the pause ends.
  void SetPaused(bool paused);
  // The next tick comes `milliseconds` from now instead of at the interval,
  // for a handler that knows its next ticks would change nothing; the ticks
  // after it keep the interval.
  void Defer(UINT milliseconds);
  // A deferred tick comes one interval from now instead.
  void CancelDefer();
  // Called by the backend at every tick.
  void NativeTick();

 private:
  // Starts or stops the backend's timer to match the state.
  void Arm();
  bool enabled_ = false;
  bool paused_ = false;
  bool deferred_ = false;
  std::uintptr_t native_ = 0;
};

class TForm {
 public:
  TForm(std::string caption, int left, int top, int clientWidth, int clientHeight);
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  // The native window, made on first use.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  const std::string& Caption() const { return caption_; }
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);
  bool Visible() const { return visible_; }
  // Delivers the show event, then shows the window.
  void Show();
  // The close query; when it agrees, closing the main form ends the
  // application. An error of the close query is shown in the error box, and
  // the form closes all the same: a window that cannot be closed is worse
  // than settings that were not saved.
  void Close();

  TPopupMenu* PopupMenu = nullptr;

  // Events.
  virtual void FormCreate() {}
  virtual void FormShow() {}
  virtual void FormCloseQuery(bool& canClose) { (void)canClose; }
  virtual void FormDestroy() {}
  virtual void FormMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    (void)button, (void)shift, (void)x, (void)y;
  }
  // Nobody can see the window any more (the screen saver runs, the session
  // is locked, the display is off, the window is hidden or a full-screen
  // window covers it), or somebody can again.
  virtual void FormSeenChange(bool seen) { (void)seen; }
  bool Seen() const { return hiddenBy_ == 0; }
  // The backend's reasons, for a backend that must know which of its own
  // still hold.
  unsigned HiddenBy() const { return hiddenBy_; }

  // Entry points for the backend; each runs inside the event dispatch.
  void NativeMouseDown(TMouseButton button, TShiftState shift, int x, int y);
  void NativeContextPopup(int screenX, int screenY);
  void NativeMoved(int left, int top);
  void NativeCloseRequest();
  // One of the reasons the window cannot be seen (a bit of the backend's
  // own choosing) began or ended; the seen event follows when the window
  // becomes seen or unseen.
  void NativeHiddenBy(unsigned reason, bool hidden);
  // The end-of-session query: runs the close query, says whether it agreed.
  // An error shows its box and refuses, so the user may cancel the log-out.
  bool NativeQueryEndSession();
  // A request to end that nobody may be there to answer (a termination
  // signal, the display's or the session's end): runs the close query,
  // whose error goes to standard error, not into a box. The caller then
  // ends the program whatever the close query said.
  void NativeEndRequest();

  // Called by the framework.
  void DeliverCreate();
  void DeliverDestroy();

 private:
  std::string caption_;
  int left_, top_, width_, height_;
  bool visible_ = false;
  unsigned hiddenBy_ = 0;
  HWND handle_ = nullptr;
};

}  // namespace plat
