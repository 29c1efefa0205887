// The x87 unit's precision control, as a host sets it: programs built for
// 64-bit precision (MinGW's and Delphi's start-up), the 53 bits of most C
// runtimes, and the 24 bits a Direct3D 9 device sets on its thread unless it
// was created with FPU preservation.
#pragma once
#include <cstdint>

namespace testing {

enum class X87Precision : std::uint16_t { Bits24 = 0x000, Bits53 = 0x200, Bits64 = 0x300 };

inline std::uint16_t x87ControlWord()
{
    std::uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

inline void setX87ControlWord(std::uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }

inline X87Precision x87Precision() { return static_cast<X87Precision>(x87ControlWord() & 0x300); }

inline const char* nameOf(X87Precision precision)
{
    switch (precision) {
    case X87Precision::Bits24: return "24-bit";
    case X87Precision::Bits53: return "53-bit";
    default: return "64-bit";
    }
}

// Sets the precision for a scope and gives the whole control word back after it.
class ScopedX87Precision {
public:
    explicit ScopedX87Precision(X87Precision precision) : saved_(x87ControlWord())
    {
        setX87ControlWord(static_cast<std::uint16_t>((saved_ & ~0x300) | static_cast<std::uint16_t>(precision)));
    }
    ~ScopedX87Precision() { setX87ControlWord(saved_); }
    ScopedX87Precision(const ScopedX87Precision&) = delete;
    ScopedX87Precision& operator=(const ScopedX87Precision&) = delete;

private:
    std::uint16_t saved_;
};

constexpr X87Precision kAllPrecisions[] = {X87Precision::Bits64, X87Precision::Bits53, X87Precision::Bits24};

} // namespace testing
