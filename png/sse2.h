// SSE2 in the codec: always there on x86-64; on 32-bit x86 only in
// functions that ask for it, called after HasSse2() has said yes. The same
// for SSSE3 everywhere.
#pragma once

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define FENWILLOW_X86 1

#if defined(__GNUC__) && !defined(__SSE2__)
#define FW_SSE2 __attribute__((target("sse2")))
#else
#define FW_SSE2
#endif

// Whether this processor has SSE2; asked once per process.
bool HasSse2();

// SSSE3 (byte shuffles) is not part of any x86 baseline: functions that use
// it ask for it, and are called after HasSsse3() has said yes.
#if defined(__GNUC__)
#define FW_SSSE3 __attribute__((target("ssse3")))
#else
#define FW_SSSE3
#endif
bool HasSsse3();

#endif
