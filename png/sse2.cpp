#include "png/sse2.h"

#ifdef FENWILLOW_X86

bool HasSse2() {
#if defined(__SSE2__) || defined(_M_X64)
  return true;
#else
  static const bool has = __builtin_cpu_supports("sse2");
  return has;
#endif
}

bool HasSsse3() {
#if defined(__SSSE3__)
  return true;
#else
  // The compiler's runtime asks the processor once, before main.
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
#endif
}

#endif
