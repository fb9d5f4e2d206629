#include "app/framework/application.h"

#include "app/framework/wide_text.h"
#include "foundation/error_log.h"
#include "foundation/thread.h"

namespace vmqdSDK {
namespace {

RecursiveLock& RegistryLock() {
  static RecursiveLock lock;
  return lock;
}
Application* g_application = nullptr;

}  // namespace

Application::Application(HINSTANCE instance, HINSTANCE previous, std::wstring commandLine, int showCommand)
    : instance_(instance), previous_(previous), commandLine_(std::move(commandLine)), showCommand_(showCommand) {
  LockGuard guard(RegistryLock());
  g_application = this;
  SetMessageBoxHook(&ShowSystemMessageBox);
}

Application::~Application() {
  LockGuard guard(RegistryLock());
  if (g_application == this) {
    g_application = nullptr;
    SetMessageBoxHook(nullptr);
  }
}

Application* Application::Current() {
  LockGuard guard(RegistryLock());
  return g_application;
}

HINSTANCE ResolveInstance(HINSTANCE instance) {
  if (instance != nullptr) return instance;
  LockGuard guard(RegistryLock());
  if (g_application != nullptr && g_application->Instance() != nullptr) return g_application->Instance();
  return GetModuleHandleW(nullptr);
}

void ShowSystemMessageBox(const std::string& text, const std::string& caption, std::uint32_t style, void* owner) {
  MessageBoxW(static_cast<HWND>(owner), Widen(text).c_str(), Widen(caption).c_str(), style);
}

}  // namespace vmqdSDK
