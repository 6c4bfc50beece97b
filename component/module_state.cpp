#include "component/module_state.h"

#include <atomic>

namespace mailvane::component {
namespace {

HMODULE moduleHandle = nullptr;
std::atomic<long> holdCount{0};

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

void HoldModule() noexcept { ++holdCount; }

void ReleaseModule() noexcept { --holdCount; }

bool ModuleIsHeld() noexcept { return holdCount.load() != 0; }

}  // namespace mailvane::component
