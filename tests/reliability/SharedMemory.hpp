// A block of memory shared with forked child processes, which survives their being killed: children
// report progress there, and the parent reads it after each kill.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <new>
#include <stdexcept>
#include <type_traits>

namespace today::reliability {

template <class T>
class SharedMemory {
    static_assert(std::is_trivially_destructible_v<T>);

public:
    SharedMemory() {
        void* memory = ::mmap(nullptr, sizeof(T), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) throw std::runtime_error("mmap failed");
        _value = new (memory) T();
    }
    ~SharedMemory() { ::munmap(_value, sizeof(T)); }
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    T* operator->() const { return _value; }
    T& operator*() const { return *_value; }

private:
    T* _value;
};

}  // namespace today::reliability
