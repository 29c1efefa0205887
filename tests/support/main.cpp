// Test entry point: COM on the main thread (as a host's omb_Init gives it),
// no error dialogs, then doctest.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <iostream>

int main(int argc, char** argv)
{
    // Unbuffered, so a watchdog's kill still leaves what ran in the log.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::cout << std::unitbuf;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    CoInitialize(nullptr);
    doctest::Context context(argc, argv);
    int result = context.run();
    CoUninitialize();
    return result;
}
