#pragma once

#include "base/UniqueResource.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

// Owners of kernel, C runtime and module resources.

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    // Some functions fail with null, others with INVALID_HANDLE_VALUE.
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
using ScopedHandle = UniqueResource<KernelHandleTraits>;

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Type h) { FindClose(h); }
};
using ScopedFind = UniqueResource<FindHandleTraits>;

struct FileStreamTraits {
    using Type = FILE*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type f) { return f != nullptr; }
    static void Close(Type f) { fclose(f); }
};
using ScopedFile = UniqueResource<FileStreamTraits>;

// The two ends of a copy through C runtime streams: an input file and an
// output file, each with a buffer far larger than the runtime's own, which
// spares system calls on large files. The output is closed by CloseOutput,
// whose result counts: a write the buffer still held can fail there.
class BufferedStreamPair {
public:
    static constexpr size_t kBufferSize = 1 << 20;

    enum class Opened { kBoth, kNoInput, kNoOutput };

    // Opens the input, and only then creates (or empties) the output.
    [[nodiscard]] Opened Open(const std::string& inputPath, const std::string& outputPath)
    {
        input_.Reset(fopen(inputPath.c_str(), "rb"));
        if (!input_)
            return Opened::kNoInput;
        output_.Reset(fopen(outputPath.c_str(), "wb"));
        if (!output_)
            return Opened::kNoOutput;
        setvbuf(input_.Get(), nullptr, _IOFBF, kBufferSize);
        setvbuf(output_.Get(), nullptr, _IOFBF, kBufferSize);
        return Opened::kBoth;
    }

    FILE* Input() const { return input_.Get(); }
    FILE* Output() const { return output_.Get(); }

    // False when the output was not open or not all of it was written.
    [[nodiscard]] bool CloseOutput()
    {
        FILE* output = output_.Release();
        return output != nullptr && fclose(output) == 0;
    }

private:
    ScopedFile input_;
    ScopedFile output_;
};

// A view of a file mapping (MapViewOfFile).
struct MappedViewTraits {
    using Type = void*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type view) { return view != nullptr; }
    static void Close(Type view) { UnmapViewOfFile(view); }
};
using ScopedMappedView = UniqueResource<MappedViewTraits>;

struct LibraryTraits {
    using Type = HMODULE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type m) { return m != nullptr; }
    static void Close(Type m) { FreeLibrary(m); }
};
using ScopedLibrary = UniqueResource<LibraryTraits>;

// A block from malloc or realloc, given back with free.
struct FreeDeleter {
    void operator()(void* block) const { free(block); }
};
template <typename T>
using MallocPtr = std::unique_ptr<T, FreeDeleter>;

// Closes both handles of a created process.
struct ScopedProcessInfo {
    ScopedHandle process;
    ScopedHandle thread;

    explicit ScopedProcessInfo(const PROCESS_INFORMATION& info) : process(info.hProcess), thread(info.hThread) {}
};
