// Three processes with eight toolbar windows each ask address checks of one server at the same
// time: every reply reaches the window that asked, nothing crosses between processes, and no slot
// is left. The count per window is kept small for the test run; the stress child takes any count.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_toolbar_server.h"
#include "table_probe.h"

namespace {

constexpr int kProcesses = 3;
constexpr int kChecksPerWindow = 100;

TEST(Stress, ThreeProcessesEightWindowsEach)
{
    StartSockets();
    FakeToolbarServer server;
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string child(path);
    child = child.substr(0, child.find_last_of('\\') + 1) + "svclib_stress_child.exe";

    std::vector<PROCESS_INFORMATION> processes;
    for (int p = 0; p < kProcesses; ++p) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        std::string commandLine = "\"" + child + "\" " + std::to_string(server.Port()) + " " +
                                  std::to_string(kChecksPerWindow);
        ASSERT_TRUE(CreateProcessA(child.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &startup, &process))
            << child << " error " << GetLastError();
        processes.push_back(process);
    }
    for (PROCESS_INFORMATION& process : processes) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 120000));
        DWORD exitCode = 99;
        GetExitCodeProcess(process.hProcess, &exitCode);
        EXPECT_EQ(0u, exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    EXPECT_EQ(static_cast<size_t>(kProcesses * 8 * kChecksPerWindow), server.Requests().size());
}

} // namespace
