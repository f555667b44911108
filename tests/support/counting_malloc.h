#pragma once
// Counts every malloc of the process (ours and the libraries') so that a test
// can read the peak of what a call allocates. Include it in exactly one file
// of a test program. Sanitizer builds replace malloc themselves: there the
// counting is off and KESTRANO_COUNTING_MALLOC is 0.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef __SANITIZE_ADDRESS__  // the sanitizer owns malloc in this build
#define KESTRANO_COUNTING_MALLOC 0
#else
#define KESTRANO_COUNTING_MALLOC 1
#endif

namespace {

std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};

}  // namespace

#if KESTRANO_COUNTING_MALLOC
extern "C" {
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

// Every block carries its size and the address glibc gave, just in front.
static void* countedBlock(std::size_t size, std::size_t alignment)
{
    const std::size_t header = std::max<std::size_t>(alignment, 32);
    void* block = size > SIZE_MAX - header ? nullptr : __libc_memalign(alignment, header + size);
    auto* raw = static_cast<unsigned char*>(block);
    if (!raw)
        return nullptr;
    unsigned char* user = raw + header;
    std::memcpy(user - 16, &size, sizeof size);
    std::memcpy(user - 8, &raw, sizeof raw);
    const std::size_t now = liveBytes += size;
    for (std::size_t peak = peakBytes.load(); now > peak && !peakBytes.compare_exchange_weak(peak, now);) {
    }
    return user;
}

static std::size_t blockSize(void* pointer)
{
    std::size_t size = 0;
    std::memcpy(&size, static_cast<unsigned char*>(pointer) - 16, sizeof size);
    return size;
}

void* malloc(std::size_t size)
{
    return countedBlock(size, 16);
}

void free(void* pointer)
{
    if (!pointer)
        return;
    liveBytes -= blockSize(pointer);
    unsigned char* raw = nullptr;
    std::memcpy(&raw, static_cast<unsigned char*>(pointer) - 8, sizeof raw);
    __libc_free(raw);
}

void* calloc(std::size_t count, std::size_t size)
{
    void* pointer = size != 0 && count > SIZE_MAX / size ? nullptr : malloc(count * size);
    return pointer ? std::memset(pointer, 0, count * size) : nullptr;
}

void* realloc(void* pointer, std::size_t size)
{
    void* moved = malloc(size);
    if (pointer && moved) {
        std::memcpy(moved, pointer, std::min(blockSize(pointer), size));
        free(pointer);
    }
    return moved;
}

void* memalign(std::size_t alignment, std::size_t size)
{
    return countedBlock(size, std::max<std::size_t>(alignment, 16));
}

void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    return memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size)
{
    *out = memalign(alignment, size);
    return *out ? 0 : 12;  // ENOMEM
}

std::size_t malloc_usable_size(void* pointer)
{
    return pointer ? blockSize(pointer) : 0;
}
}
#endif
