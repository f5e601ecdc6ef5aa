// A second program for the assisted-telephony tests: registers a
// TTapiRequestRecipient in the XDG_RUNTIME_DIR it inherits and reports on
// stdout, one line each:
//   ready                              registered (after RegisterAppl with --prefer)
//   request DEST|APP|CALLED|COMMENT    a request arrived
// It ends when its standard input closes, or after 30 s whatever happens.

#include <kxtapi/kxtapi.h>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

using namespace kxtapi;

int main(int argc, char** argv)
{
    const bool Prefer = argc > 1 && std::strcmp(argv[1], "--prefer") == 0;
    Application()->SetMainThread();
    TTapiRequestRecipient Recipient(nullptr);
    Recipient.OnRequestMakeCall = [](TObject*, const std::string& Dest, const std::string& App,
                                     const std::string& Called, const std::string& Comment) {
        std::printf("request %s|%s|%s|%s\n", Dest.c_str(), App.c_str(), Called.c_str(), Comment.c_str());
        std::fflush(stdout);
    };
    try {
        if (Prefer) Recipient.RegisterAppl();
        Recipient.Set_Enabled(true);
    } catch (const std::exception& e) {
        std::printf("failed %s\n", e.what());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < Deadline) {
        pollfd p[2] = {{Application()->PollFd(), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        poll(p, 2, 100);
        Application()->ProcessMessages();
        if (p[1].revents) {
            char Byte;
            if (read(STDIN_FILENO, &Byte, 1) <= 0) break;
        }
    }
    if (Prefer) Recipient.UnregisterAppl();
    Recipient.Set_Enabled(false);
    return 0;
}
