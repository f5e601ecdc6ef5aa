// A pseudo-terminal for tests: the test holds the master side and hands the
// slave's path to the code under test.
#pragma once

#include <cstddef>
#include <string>

namespace kxtapi::test {

class TPtyPair {
public:
    TPtyPair();
    ~TPtyPair();
    TPtyPair(const TPtyPair&) = delete;
    TPtyPair& operator=(const TPtyPair&) = delete;

    /// Path of the slave side ("/dev/pts/N").
    const std::string& SlavePath() const { return FSlave; }
    int MasterFd() const { return FMaster; }

    /// Writes all of Bytes to the master side (they arrive at the slave).
    void Send(const std::string& Bytes);
    /// Reads from the master side until Count bytes have come or TimeoutMs
    /// passed; returns what came.
    std::string Receive(size_t Count, int TimeoutMs = 2000);
    /// Closes the master side: the slave hangs up.
    void CloseMaster();

private:
    int FMaster = -1;
    std::string FSlave;
};

} // namespace kxtapi::test
