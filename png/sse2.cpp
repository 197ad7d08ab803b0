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

#endif
