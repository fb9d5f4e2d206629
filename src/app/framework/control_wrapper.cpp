#include "app/framework/control_wrapper.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "app/framework/window_internal.h"

namespace vmqdSDK {

LRESULT CALLBACK SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

using window_internal::Guarded;

struct SubclassRecord {
  WNDPROC original = nullptr;
  std::vector<ControlWrapper*> wrappers;  // attach order; the newest sees a message first
};

SubclassRecord* RecordOf(HWND control) { return static_cast<SubclassRecord*>(GetPropW(control, kSubclassProperty)); }

// Removes the record when it lists no wrapper and the control's procedure is still ours.
void DropRecordIfUnused(HWND control, SubclassRecord* record) {
  if (!record->wrappers.empty()) return;
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC)) != &SubclassProcedure) return;
  SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record->original));
  RemovePropW(control, kSubclassProperty);
  delete record;
}

}  // namespace

LRESULT CALLBACK SubclassProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  SubclassRecord* record = RecordOf(hwnd);
  if (record == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  LRESULT result = record->wrappers.empty()
                       ? CallWindowProcW(record->original, hwnd, message, wParam, lParam)
                       : Guarded([&] { return record->wrappers.back()->HandleMessage(message, wParam, lParam); });
  if (message == WM_NCDESTROY) {
    // The control is gone: its wrappers are detached and the record freed.
    if ((record = RecordOf(hwnd)) != nullptr) {
      for (ControlWrapper* w : record->wrappers) w->hwnd_ = nullptr;
      record->wrappers.clear();
      DropRecordIfUnused(hwnd, record);
    }
  }
  return result;
}

ControlWrapper::~ControlWrapper() { Detach(); }

bool ControlWrapper::Attach(HWND control) {
  if (hwnd_ != nullptr || control == nullptr || !IsWindow(control)) return false;
  SubclassRecord* record = RecordOf(control);
  if (record == nullptr) {
    auto fresh = std::make_unique<SubclassRecord>();
    fresh->original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
    if (fresh->original == nullptr || !SetPropW(control, kSubclassProperty, fresh.get())) return false;
    SetLastError(0);
    if (SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProcedure)) == 0 &&
        GetLastError() != 0) {
      RemovePropW(control, kSubclassProperty);
      return false;
    }
    record = fresh.release();
  }
  record->wrappers.push_back(this);
  hwnd_ = control;
  previous_ = record->original;
  return true;
}

void ControlWrapper::Detach() {
  if (hwnd_ == nullptr) return;
  if (SubclassRecord* record = RecordOf(hwnd_)) {
    record->wrappers.erase(std::remove(record->wrappers.begin(), record->wrappers.end(), this), record->wrappers.end());
    DropRecordIfUnused(hwnd_, record);
  }
  hwnd_ = nullptr;
  previous_ = nullptr;
}

LRESULT ControlWrapper::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallPrevious(message, wParam, lParam);
}

LRESULT ControlWrapper::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd_ == nullptr) return 0;
  SubclassRecord* record = RecordOf(hwnd_);
  if (record == nullptr) return previous_ ? CallWindowProcW(previous_, hwnd_, message, wParam, lParam) : 0;
  auto it = std::find(record->wrappers.begin(), record->wrappers.end(), this);
  if (it != record->wrappers.end() && it != record->wrappers.begin()) {
    return (*(it - 1))->HandleMessage(message, wParam, lParam);
  }
  return CallWindowProcW(record->original, hwnd_, message, wParam, lParam);
}

}  // namespace vmqdSDK
