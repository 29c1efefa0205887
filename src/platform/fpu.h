// The floating-point state the platform computes under. A host may run its
// x87 unit at any precision (64 bits in programs built with MinGW or
// Delphi), and the platform's own conversions (seconds to 100-ns units in the
// graph's IMediaPosition, x87 code in a 32-bit system) then give other
// answers than on a thread at the system's default. Platform calls that
// convert times and rates run under the default control word instead, and
// the host gets its own back afterwards, also where the platform changed it
// behind the caller's back: a Direct3D 9 device created without FPU
// preservation (the Video Mixing Renderer 9 makes one while its input
// connects) sets the thread's x87 unit to 24-bit precision. PlatformFpu
// guards a call that may change the whole state (omb_Open); PlatformTimeFpu
// the cheap time and rate calls, where a 32-bit system computes in x87.
#pragma once
#include <cstdint>

namespace ombrix::platform {

class PlatformFpu {
public:
    // The system's default: 53-bit precision, round to nearest, every
    // exception masked.
    static constexpr std::uint16_t kDefaultControlWord = 0x027f;

    PlatformFpu() noexcept
    {
        asm volatile("fnstcw %0" : "=m"(host_));
        asm volatile("stmxcsr %0" : "=m"(hostSse_));
        if (host_ != kDefaultControlWord)
            load(kDefaultControlWord);
    }
    ~PlatformFpu()
    {
        std::uint16_t now;
        std::uint32_t sse;
        asm volatile("fnstcw %0" : "=m"(now));
        asm volatile("stmxcsr %0" : "=m"(sse));
        if (now != host_)
            load(host_);
        if (sse != hostSse_)
            asm volatile("ldmxcsr %0" : : "m"(hostSse_));
    }
    PlatformFpu(const PlatformFpu&) = delete;
    PlatformFpu& operator=(const PlatformFpu&) = delete;

    // The status flags the platform's arithmetic raised are cleared first
    // when the word unmasks an exception: it would otherwise be raised at the
    // next x87 instruction. (fnclex waits for the unit; most words mask all.)
    static void load(std::uint16_t word) noexcept
    {
        if ((word & 0x3f) != 0x3f)
            asm volatile("fnclex");
        asm volatile("fldcw %0" : : "m"(word));
    }

private:
    std::uint16_t host_;
    std::uint32_t hostSse_;
};

// Around one platform call that converts a time or a rate: the x87 control
// word only, and only in a 32-bit process, whose system computes these in
// x87 registers (a 64-bit one computes them in SSE, at any x87 precision).
class PlatformTimeFpu {
public:
#if defined(__i386__)
    PlatformTimeFpu() noexcept
    {
        asm volatile("fnstcw %0" : "=m"(host_));
        if (host_ != PlatformFpu::kDefaultControlWord)
            PlatformFpu::load(PlatformFpu::kDefaultControlWord);
    }
    ~PlatformTimeFpu()
    {
        std::uint16_t now;
        asm volatile("fnstcw %0" : "=m"(now));
        if (now != host_)
            PlatformFpu::load(host_);
    }

private:
    std::uint16_t host_;
#else
    PlatformTimeFpu() noexcept {}
#endif
public:
    PlatformTimeFpu(const PlatformTimeFpu&) = delete;
    PlatformTimeFpu& operator=(const PlatformTimeFpu&) = delete;
};

} // namespace ombrix::platform
