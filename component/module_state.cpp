#include "component/module_state.h"

#include <atomic>

namespace mailvane::component {
namespace {

HMODULE moduleHandle = nullptr;
std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

}  // namespace

void RecordModuleHandle(HMODULE module) noexcept { moduleHandle = module; }

HMODULE ModuleHandle() noexcept { return moduleHandle; }

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(moduleHandle, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void HoldModule() noexcept { ++liveObjects; }

void ReleaseModule() noexcept { --liveObjects; }

void LockModule() noexcept { ++serverLocks; }

void UnlockModule() noexcept {
    long locks = serverLocks.load();
    while (locks > 0 && !serverLocks.compare_exchange_weak(locks, locks - 1)) {
    }
}

bool ModuleIsHeld() noexcept { return liveObjects.load() != 0 || serverLocks.load() != 0; }

}  // namespace mailvane::component
