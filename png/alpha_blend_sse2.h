// The alpha blend of png/alpha_blend.h four pixels at a time in SSE2.
#pragma once

#include "png/alpha_blend.h"
#include "png/sse2.h"

#ifdef FENWILLOW_X86
// Only where HasSse2() is true.
void BlendRunsSse2(const TAlphaRuns& runs, const TPlacement& place);
#endif
