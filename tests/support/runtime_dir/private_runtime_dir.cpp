// Linked into every test program: points XDG_RUNTIME_DIR at a fresh
// directory of its own before main, so a test that registers as make-call
// request recipient never touches the user's real runtime directory, and
// test programs running side by side never reach each other's sockets.
// The directory goes at exit.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

std::string gDir;

struct TPrivateRuntimeDir {
    TPrivateRuntimeDir()
    {
        const char* Tmp = std::getenv("TMPDIR");
        std::string Template = std::string(Tmp && Tmp[0] == '/' ? Tmp : "/tmp") + "/kxtapi-test-XXXXXX";
        if (!mkdtemp(Template.data())) {
            std::perror("kxtapi tests: mkdtemp");
            std::abort();
        }
        gDir = Template;
        setenv("XDG_RUNTIME_DIR", gDir.c_str(), 1);
        // Registered before anything the tests start, so it runs after their
        // own exit handlers (the request socket's among them).
        std::atexit([] {
            std::error_code Ignored;
            std::filesystem::remove_all(gDir, Ignored);
        });
    }
} gPrivateRuntimeDir;

}  // namespace
