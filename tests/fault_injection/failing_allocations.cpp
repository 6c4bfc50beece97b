#include "tests/fault_injection/failing_allocations.h"

#include <cstdlib>
#include <new>

namespace {

struct ThreadPlan {
    bool active = false;
    std::size_t succeeding = 0;
    std::size_t failing = 0;
    std::size_t refused = 0;
    FailingAllocations::Fault fault = FailingAllocations::Fault::OutOfMemory;
};

// Plain data only: it must never allocate through operator new itself.
thread_local ThreadPlan t_plan;

}  // namespace

FailingAllocations::FailingAllocations(std::size_t succeeding, Fault fault, std::size_t failing) {
    t_plan = ThreadPlan{true, succeeding, failing, 0, fault};
}

FailingAllocations::~FailingAllocations() { t_plan.active = false; }

std::size_t FailingAllocations::Refused() const { return t_plan.refused; }

void* operator new(std::size_t size) {
    ThreadPlan& plan = t_plan;
    if (plan.active) {
        if (plan.succeeding > 0) {
            --plan.succeeding;
        } else if (plan.failing > 0) {
            --plan.failing;
            ++plan.refused;
            if (plan.fault == FailingAllocations::Fault::Unforeseen) throw InjectedFault();
            throw std::bad_alloc();
        }
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }

void operator delete(void* block, std::size_t) noexcept { std::free(block); }
