#include "platform/forms.h"

#include <cctype>
#include <cstdio>

#include "platform/exception.h"
#include "platform/kernel.h"
#include "platform/native.h"
#include "platform/window.h"

namespace plat {

TApplication& Application() {
  static TApplication application;
  return application;
}

void Dispatch(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    Application().ShowException(error);
  }
}

// --- TApplication ---------------------------------------------------------

HWND TApplication::Handle() {
  if (handle_ == nullptr) handle_ = native::CreateApplicationWindow();
  return handle_;
}

std::string TApplication::Title() const {
  char path[4096];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string name(path, length < sizeof path ? length : 0);
  const std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  for (std::size_t i = 1; i < name.size(); ++i) {
    name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
  }
  return name;
}

void TApplication::Adopt(TForm* form) {
  if (mainForm_ == nullptr) mainForm_ = form;
  form->DeliverCreate();
}

void TApplication::Run() {
  if (mainForm_ == nullptr) return;
  mainForm_->Show();
  if (!terminated_) native::RunMessageLoop();
  mainForm_->DeliverDestroy();
}

void TApplication::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  native::QuitMessageLoop();
}

namespace {

std::string ErrorText(const std::exception& error) {
  std::string text = error.what();
  if (text.empty() || text.back() != '.') text += '.';
  return text;
}

}  // namespace

void TApplication::ShowException(const std::exception& error) {
  const std::string text = ErrorText(error);
  const std::string caption = Title();
  MessageBoxA(mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : nullptr,
              text.c_str(), caption.c_str(), MB_OK);
}

void TApplication::LogException(const std::exception& error) {
  std::fprintf(stderr, "%s: %s\n", Title().c_str(), ErrorText(error).c_str());
  std::fflush(stderr);
}

void TApplication::Reset() {
  native::ResetWindows();
  handle_ = nullptr;
  mainForm_ = nullptr;
  terminated_ = false;
  exitCode_ = 0;
}

// --- TMenuItem / TPopupMenu -----------------------------------------------

void TMenuItem::SetChecked(bool checked) {
  checked_ = checked;
  if (!checked || !RadioItem || parent_ == nullptr) return;
  for (const auto& sibling : parent_->items_) {
    if (sibling.get() != this && sibling->RadioItem && sibling->GroupIndex == GroupIndex) {
      sibling->checked_ = false;
    }
  }
}

void TMenuItem::Click() {
  if (AutoCheck) SetChecked(!checked_);
  if (OnClick) OnClick();
}

TMenuItem* TMenuItem::Add(std::unique_ptr<TMenuItem> item) {
  item->parent_ = this;
  items_.push_back(std::move(item));
  return items_.back().get();
}

TMenuItem* TMenuItem::FindByCaption(const std::string& caption) {
  for (const auto& item : items_) {
    if (item->caption_ == caption) return item.get();
    if (TMenuItem* found = item->FindByCaption(caption)) return found;
  }
  return nullptr;
}

void TPopupMenu::Popup(HWND owner, int x, int y) {
  TMenuItem* chosen = native::TrackPopupMenu(*this, owner, x, y);
  if (chosen != nullptr) chosen->Click();
}

// --- TTimer ---------------------------------------------------------------

TTimer::~TTimer() { SetEnabled(false); }

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) {
    if (enabled) CancelDefer();
    return;
  }
  enabled_ = enabled;
  Arm();
}

void TTimer::SetPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  Arm();
}

void TTimer::Arm() {
  const bool run = enabled_ && !paused_;
  if (run && native_ == 0) {
    native_ = native::StartTimer(*this, Interval);
  } else if (!run && native_ != 0) {
    native::StopTimer(native_);
    native_ = 0;
  }
  deferred_ = false;
}

void TTimer::Defer(UINT milliseconds) {
  if (native_ == 0) return;
  native::DeferTimer(native_, milliseconds);
  deferred_ = milliseconds != Interval;
}

void TTimer::CancelDefer() {
  if (deferred_) Defer(Interval);
}

void TTimer::NativeTick() {
  deferred_ = false;
  if (enabled_ && OnTimer) Dispatch(OnTimer);
}

// --- TForm ----------------------------------------------------------------

TForm::TForm(std::string caption, int left, int top, int clientWidth, int clientHeight)
    : caption_(std::move(caption)), left_(left), top_(top), width_(clientWidth), height_(clientHeight) {}

TForm::~TForm() {
  if (handle_ != nullptr) native::DestroyFormWindow(handle_);
}

HWND TForm::Handle() {
  if (handle_ == nullptr) handle_ = native::CreateFormWindow(*this);
  return handle_;
}

void TForm::SetLeft(int left) {
  left_ = left;
  if (handle_) native::SetFormBounds(handle_, left_, top_, width_, height_);
}
void TForm::SetTop(int top) {
  top_ = top;
  if (handle_) native::SetFormBounds(handle_, left_, top_, width_, height_);
}
void TForm::SetWidth(int width) {
  width_ = width;
  if (handle_) native::SetFormBounds(handle_, left_, top_, width_, height_);
}
void TForm::SetHeight(int height) {
  height_ = height;
  if (handle_) native::SetFormBounds(handle_, left_, top_, width_, height_);
}

void TForm::Show() {
  Dispatch([this] { FormShow(); });
  visible_ = true;
  native::ShowFormWindow(Handle());
}

void TForm::Close() {
  bool canClose = true;
  try {
    FormCloseQuery(canClose);
  } catch (const std::exception& error) {
    Application().exitCode_ = 1;
    Application().ShowException(error);
    canClose = true;
  }
  if (!canClose) return;
  if (Application().MainForm() == this) Application().Terminate();
}

void TForm::NativeMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  Dispatch([&] { FormMouseDown(button, shift, x, y); });
}

void TForm::NativeContextPopup(int screenX, int screenY) {
  if (PopupMenu == nullptr) return;
  Dispatch([&] { PopupMenu->Popup(Handle(), screenX, screenY); });
}

void TForm::NativeMoved(int left, int top) {
  left_ = left;
  top_ = top;
}

void TForm::NativeCloseRequest() {
  Dispatch([this] { Close(); });
}

void TForm::NativeHiddenBy(unsigned reason, bool hidden) {
  const bool seen = Seen();
  hiddenBy_ = hidden ? hiddenBy_ | reason : hiddenBy_ & ~reason;
  if (Seen() != seen) Dispatch([this] { FormSeenChange(Seen()); });
}

bool TForm::NativeQueryEndSession() {
  bool agreed = false;
  Dispatch([&] {
    bool canClose = true;
    FormCloseQuery(canClose);
    agreed = canClose;
  });
  return agreed;
}

void TForm::NativeEndRequest() {
  try {
    bool canClose = true;
    FormCloseQuery(canClose);
  } catch (const std::exception& error) {
    Application().exitCode_ = 1;
    Application().LogException(error);
  }
}

void TForm::DeliverCreate() {
  Dispatch([this] { FormCreate(); });
}

void TForm::DeliverDestroy() {
  Dispatch([this] { FormDestroy(); });
}

}  // namespace plat
