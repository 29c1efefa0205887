// Prints the gap table's answers for the platform it runs on, one NAME=0|1
// line per gap, for the tests that are driven by shell scripts.
#include <cstdio>

#include "platform_gaps.h"

int main()
{
    const testing::GapEntry* table = testing::gapTable();
    for (int g = 0; g < static_cast<int>(testing::Gap::Count); ++g)
        std::printf("%s=%d\n", table[g].name, testing::has(table[g].gap) ? 1 : 0);
    return 0;
}
