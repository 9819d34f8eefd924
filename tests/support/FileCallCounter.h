#pragma once
// Counts the fsync and rename calls of a program: included in exactly one source file of a test
// or benchmark program, it stands in for the C library's two functions in that program (the
// program's own definitions come first) and hands every call on to them.
#include <dlfcn.h>

struct TFileCalls {
    int Fsyncs = 0;
    int Renames = 0;
};

inline TFileCalls& FileCalls()
{
    static TFileCalls calls;
    return calls;
}

extern "C" int fsync(int fd)
{
    using TFsync = int (*)(int);
    static const auto next = reinterpret_cast<TFsync>(::dlsym(RTLD_NEXT, "fsync"));
    ++FileCalls().Fsyncs;
    return next(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept
{
    using TRename = int (*)(const char*, const char*);
    static const auto next = reinterpret_cast<TRename>(::dlsym(RTLD_NEXT, "rename"));
    ++FileCalls().Renames;
    return next(from, to);
}
