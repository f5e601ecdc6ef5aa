// Where programs meet: the request directory's path and the rules that keep
// other users away from it.

#include "assisted_fixture.h"

#include "service/requests/request_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kxtapi::testing {
namespace {

using namespace kxtapi::service;
using RequestDir = AssistedTest;

// Sets an environment variable for the scope; no thread of the library
// reads it meanwhile.
class TEnv {
public:
    TEnv(const char* Name, const char* Value) : FName(Name)
    {
        if (const char* Old = std::getenv(Name)) FOld = Old, FHad = true;
        if (Value) setenv(Name, Value, 1);
        else unsetenv(Name);
    }
    ~TEnv()
    {
        if (FHad) setenv(FName, FOld.c_str(), 1);
        else unsetenv(FName);
    }

private:
    const char* FName;
    std::string FOld;
    bool FHad = false;
};

TEST_F(RequestDir, ThePathFollowsTheRuntimeDirectoryElseTheTemporaryOne)
{
    {
        TEnv Runtime("XDG_RUNTIME_DIR", "/run/user/1234");
        EXPECT_EQ(RequestDirectory(), "/run/user/1234/kxtapi");
    }
    const std::string Fallback = "/kxtapi-" + std::to_string(geteuid());
    TEnv Tmp("TMPDIR", "/var/tmp");
    {
        TEnv Runtime("XDG_RUNTIME_DIR", nullptr);
        EXPECT_EQ(RequestDirectory(), "/var/tmp" + Fallback);
    }
    {
        TEnv Runtime("XDG_RUNTIME_DIR", "relative/dir");
        EXPECT_EQ(RequestDirectory(), "/var/tmp" + Fallback) << "a relative path is not used";
    }
    TEnv Runtime("XDG_RUNTIME_DIR", "");
    TEnv NoTmp("TMPDIR", nullptr);
    EXPECT_EQ(RequestDirectory(), "/tmp" + Fallback);
}

TEST_F(RequestDir, OnlyAPrivateDirectoryOfThisUserIsUsed)
{
    const std::string Dir = RequestDirectory();
    EXPECT_EQ(RequestDirectoryProblem(), "") << "missing is not a problem";
    ASSERT_EQ(CheckRequestDir(Dir, true), "");
    struct stat st;
    ASSERT_EQ(lstat(Dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // Open to others: refused, never repaired.
    chmod(Dir.c_str(), 0755);
    EXPECT_EQ(RequestDirectoryProblem(), Dir + " is open to other users (mode 0755)");
    TTapiApplication& App = *TapiApplication;
    try {
        App.Set_AssistMakeCall(true);
        ADD_FAILURE() << "registered over an open directory";
    } catch (const ETapiError& e) {
        EXPECT_EQ(e.ErrorCode, LINEERR_OPERATIONFAILED);
    }
    EXPECT_FALSE(App.Get_AssistMakeCall());
    ASSERT_EQ(lstat(Dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    std::string Errors;
    EXPECT_EQ(RunRequestTool({"555"}, &Errors), 1);
    EXPECT_NE(Errors.find("refusing the request directory: " + Dir + " is open to other users"), std::string::npos)
        << Errors;

    // Another user's: the owner is checked before the mode.
    chmod(Dir.c_str(), 0700);
    EXPECT_EQ(OwnerRefusal(Dir, geteuid() + 1, 040700), Dir + " belongs to another user (uid " +
                                                            std::to_string(geteuid() + 1) + ")");
    if (geteuid() == 0) {
        // Only root can hand a directory to someone else.
        ASSERT_EQ(chown(Dir.c_str(), 65534, 65534), 0);
        EXPECT_NE(RequestDirectoryProblem().find("belongs to another user (uid 65534)"), std::string::npos);
        EXPECT_THROW(App.Set_AssistMakeCall(true), ETapiError);
        ASSERT_EQ(chown(Dir.c_str(), 0, 0), 0);
    }

    // Not a directory, or a link to one: refused.
    std::filesystem::remove_all(Dir);
    const std::string Elsewhere = Dir + ".real";
    ASSERT_EQ(mkdir(Elsewhere.c_str(), 0700), 0);
    ASSERT_EQ(symlink(Elsewhere.c_str(), Dir.c_str()), 0);
    EXPECT_EQ(RequestDirectoryProblem(), Dir + " is not a directory");
    EXPECT_THROW(App.Set_AssistMakeCall(true), ETapiError);
    unlink(Dir.c_str());
    rmdir(Elsewhere.c_str());

    // With the directory in order again, registering works.
    EXPECT_NO_THROW(App.Set_AssistMakeCall(true));
    App.Set_AssistMakeCall(false);
}

}  // namespace
}  // namespace kxtapi::testing
