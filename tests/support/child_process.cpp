#include "child_process.h"

#include <doctest.h>

#include <vector>

namespace testing {

ChildRun runSelf(const std::string& arguments, DWORD milliseconds)
{
    ChildRun run;
    char path[MAX_PATH] = {};
    if (!GetModuleFileNameA(nullptr, path, MAX_PATH))
        return run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string line = "\"" + std::string(path) + "\" " + arguments;
    std::vector<char> command(line.begin(), line.end());
    command.push_back('\0');
    PROCESS_INFORMATION process{};
    run.started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                 &process) != FALSE;
    if (!run.started)
        run.startError = GetLastError();
    CloseHandle(writeEnd); // the child holds the only write end now
    if (!run.started) {
        // A process that died while it started (the platform's loader) may
        // have said why on the pipe before it went.
        DWORD available = 0, got = 0;
        char said[4096];
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
               ReadFile(readEnd, said, sizeof said, &got, nullptr) && got > 0)
            run.output.append(said, got);
        CloseHandle(readEnd);
        return run;
    }

    // Read until the child's end closes the pipe, then wait for its exit.
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    char buffer[4096];
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr))
            break; // the child is gone and everything was read
        if (available == 0) {
            if (GetTickCount64() > deadline)
                break;
            Sleep(10);
            continue;
        }
        DWORD got = 0;
        if (!ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) || got == 0)
            break;
        run.output.append(buffer, got);
    }
    const ULONGLONG now = GetTickCount64();
    run.finished = WaitForSingleObject(process.hProcess, now < deadline ? static_cast<DWORD>(deadline - now) : 0) ==
                   WAIT_OBJECT_0;
    if (!run.finished)
        TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(readEnd);
    return run;
}

void checkChildCase(const char* file, const char* name, DWORD milliseconds, std::optional<Gap> crashAtExit,
                    std::optional<Gap> xErrorDeath)
{
    ChildRun child =
        runSelf(std::string("--no-skip \"-sf=*") + file + "\" \"-tc=" + name + "*\"", milliseconds);
    INFO(child.output);
    REQUIRE_MESSAGE(child.started, "CreateProcess failed with error " << child.startError);
    // Xlib reports an X error on the Unix side's own error stream, which is
    // not the child's pipe, and ends the process with exit code 1: the child
    // stops short of doctest's summary. Every check before it must have
    // passed (the output is unbuffered, so a failed check would be in it).
    if (xErrorDeath && has(*xErrorDeath) && child.finished && child.exitCode == 1 &&
        child.output.find("[doctest] test cases:") == std::string::npos) {
        CHECK(child.output.find("ERROR: ") == std::string::npos);
        MESSAGE("the child ended short of its summary with exit code 1, an X error (" << gapName(*xErrorDeath)
                                                                                       << "); its output:\n"
                                                                                       << child.output);
        return;
    }
    CHECK(child.finished);
    // A filter that matches no case passes with "0 passed".
    CHECK(child.output.find("Status: SUCCESS!") != std::string::npos);
    CHECK(child.output.find(" 0 passed") == std::string::npos);
    if (!crashAtExit || !has(*crashAtExit))
        CHECK(child.exitCode == 0);
    else if (child.exitCode != 0) {
        // The gap's crash: what the child and the platform's debugger said
        // goes to the log, where a backtrace tells whose fault it was.
        const size_t from = child.output.size() > 4000 ? child.output.size() - 4000 : 0;
        MESSAGE("the child ended with " << child.exitCode << " after its checks (" << gapName(*crashAtExit)
                                        << "); the end of its output:\n" << child.output.substr(from));
    }
}

} // namespace testing
