// Wuffs, where png-bench was built with it: one PNG file in memory decoded
// to BGRA, its natural output for the bench files. Answers whether it
// succeeded.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

int DecodeWithWuffs(const unsigned char* file, size_t size);

#ifdef __cplusplus
}
#endif
