#pragma once

#include <cstddef>
#include <exception>
#include <limits>

// Makes allocations of the calling thread fail while it lives: the first
// `succeeding` allocations of the scope go through, the next `failing` ones
// throw, and the rest go through again. Other threads allocate as usual.
// Only a test program that links this library is affected: it replaces the
// program's global operator new.
class FailingAllocations {
public:
    // What a refused allocation throws. Anything but std::bad_alloc stands
    // for an error nobody foresaw, raised from wherever the code allocates.
    enum class Fault { OutOfMemory, Unforeseen };

    FailingAllocations(std::size_t succeeding, Fault fault = Fault::OutOfMemory,
                       std::size_t failing = std::numeric_limits<std::size_t>::max());
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;

    // How many allocations were refused so far.
    std::size_t Refused() const;
};

// Thrown for Fault::Unforeseen.
class InjectedFault : public std::exception {
public:
    const char* what() const noexcept override { return "injected fault"; }
};
