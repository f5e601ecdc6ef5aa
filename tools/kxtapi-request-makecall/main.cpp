// kxtapi-request-makecall: asks the program registered as make-call request
// recipient to place a call, from a shell or a script.
//
//   kxtapi-request-makecall DEST [--app NAME] [--called PARTY] [--comment TEXT]
//
// Exit status: 0 when the recipient took the request, 1 when it was not
// delivered (no recipient, queue full, refused directory), 2 for wrong use.

#include <kxtapi/tapi.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* Program = "kxtapi-request-makecall";

void Usage(std::FILE* To)
{
    std::fprintf(To,
                 "usage: %s DEST [--app NAME] [--called PARTY] [--comment TEXT]\n"
                 "Asks the program registered to place calls for others to call DEST.\n"
                 "  --app NAME       the name of the program asking (up to 39 characters)\n"
                 "  --called PARTY   who is called (up to 39 characters)\n"
                 "  --comment TEXT   a note for the call (up to 79 characters)\n",
                 Program);
}

struct TArguments {
    std::string Dest, App, Called, Comment;
    bool HaveDest = false;
};

// Takes "--name VALUE" and "--name=VALUE"; false for wrong use.
bool Parse(int argc, char** argv, TArguments& Out, bool& Help)
{
    struct TOption {
        const char* Name;
        std::string* Value;
    } Options[] = {{"--app", &Out.App}, {"--called", &Out.Called}, {"--comment", &Out.Comment}};
    bool OptionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string Arg = argv[i];
        if (!OptionsEnded && Arg == "--") {
            OptionsEnded = true;
            continue;
        }
        if (!OptionsEnded && (Arg == "--help" || Arg == "-h")) {
            Help = true;
            return true;
        }
        if (OptionsEnded || Arg.rfind("--", 0) != 0) {
            if (Out.HaveDest) return false;
            Out.Dest = argv[i];
            Out.HaveDest = true;
            continue;
        }
        bool Known = false;
        for (const TOption& o : Options) {
            const size_t n = std::strlen(o.Name);
            if (Arg == o.Name) {
                if (i + 1 >= argc) return false;
                *o.Value = argv[++i];
            } else if (Arg.compare(0, n, o.Name) == 0 && Arg.size() > n && Arg[n] == '=') {
                *o.Value = Arg.substr(n + 1);
            } else {
                continue;
            }
            Known = true;
            break;
        }
        if (!Known) return false;
    }
    return Out.HaveDest;
}

}  // namespace

int main(int argc, char** argv)
{
    TArguments Args;
    bool Help = false;
    if (!Parse(argc, argv, Args, Help)) {
        Usage(stderr);
        return 2;
    }
    if (Help) {
        Usage(stdout);
        return 0;
    }
    const uint32_t r =
        tapiRequestMakeCallA(Args.Dest.c_str(), Args.App.c_str(), Args.Called.c_str(), Args.Comment.c_str());
    if (r == 0) return 0;
    if (r == TAPIERR_NOREQUESTRECIPIENT) {
        std::fprintf(stderr, "%s: no program is registered to place calls for others (no make-call request recipient)\n",
                     Program);
    } else if (r == TAPIERR_INVALDESTADDRESS) {
        std::fprintf(stderr, "%s: the destination must have 1 to %u characters\n", Program,
                     static_cast<unsigned>(TAPIMAXDESTADDRESSSIZE - 1));
    } else if (r == TAPIERR_REQUESTQUEUEFULL) {
        std::fprintf(stderr, "%s: the registered program has too many requests waiting; try again later\n", Program);
    } else if (r == TAPIERR_REQUESTFAILED && !kxtapi::RequestDirectoryProblem().empty()) {
        std::fprintf(stderr, "%s: refusing the request directory: %s\n", Program,
                     kxtapi::RequestDirectoryProblem().c_str());
    } else {
        std::fprintf(stderr, "%s: the request failed (TAPI result 0x%08x)\n", Program, static_cast<unsigned>(r));
    }
    return 1;
}
