// Linked into every GoogleTest program: outside the sanitizer builds, the program starts itself
// again under glibc's malloc checks, so a write just past a heap block fails the test when the
// block is freed, in the Release suite too.
#include <cstdlib>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VORRU_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VORRU_SANITIZED 1
#endif
#endif

#if !defined(VORRU_SANITIZED) && defined(__GLIBC__)
namespace {

const char* const MALLOC_DEBUG = VORRU_MALLOC_DEBUG_LIBRARY;

// glibc passes the program's arguments to the constructors it runs before main.
__attribute__((constructor)) void restart_with_malloc_checks(int, char** argv, char**) {
    if (std::getenv("MALLOC_CHECK_") || std::getenv("LD_PRELOAD") ||
        access(MALLOC_DEBUG, R_OK) != 0)
        return;
    setenv("LD_PRELOAD", MALLOC_DEBUG, 1);
    setenv("MALLOC_CHECK_", "3", 1);
    execv("/proc/self/exe", argv);
}

} // namespace
#endif
