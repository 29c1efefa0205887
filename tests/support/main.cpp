// Test entry point: COM on the main thread (as a host's omb_Init gives it),
// no error dialogs, then doctest.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <windows.h>
#include <objbase.h>

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    CoInitialize(nullptr);
    doctest::Context context(argc, argv);
    int result = context.run();
    CoUninitialize();
    return result;
}
