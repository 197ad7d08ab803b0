// Wuffs as png-bench's yardstick, compiled from the single-file release
// named by FENWILLOW_WUFFS_SOURCE; linked into the bench only.
#include "tools/png_bench_wuffs.h"

#include <cpuid.h>
#include <stdlib.h>

// Wuffs asks the processor for its features with CPUID whenever it sets up
// a decoder or a pixel conversion. On a virtual machine each CPUID traps to
// the hypervisor (tens of microseconds), more than decoding a small picture
// takes, and the answers never change within a process: each leaf is asked
// once and remembered.
struct TCpuidLeaf {
  int known;
  int ok;
  unsigned int regs[4];
};

static struct TCpuidLeaf cachedLeaves[2][2];  // [leaf 1, leaf 7][subleaf 0, other]

static int CachedCpuidCount(unsigned int leaf, unsigned int subleaf, unsigned int* a, unsigned int* b,
                            unsigned int* c, unsigned int* d) {
  struct TCpuidLeaf* slot = NULL;
  if ((leaf == 1 || leaf == 7) && subleaf == 0) slot = &cachedLeaves[leaf == 7][0];
  if (slot == NULL) return __get_cpuid_count(leaf, subleaf, a, b, c, d);
  if (!slot->known) {
    slot->ok = __get_cpuid_count(leaf, subleaf, &slot->regs[0], &slot->regs[1], &slot->regs[2], &slot->regs[3]);
    slot->known = 1;
  }
  *a = slot->regs[0];
  *b = slot->regs[1];
  *c = slot->regs[2];
  *d = slot->regs[3];
  return slot->ok;
}

static int CachedCpuid(unsigned int leaf, unsigned int* a, unsigned int* b, unsigned int* c, unsigned int* d) {
  return CachedCpuidCount(leaf, 0, a, b, c, d);
}

#define __get_cpuid CachedCpuid
#define __get_cpuid_count CachedCpuidCount

#define WUFFS_IMPLEMENTATION
#define WUFFS_CONFIG__STATIC_FUNCTIONS
#define WUFFS_CONFIG__MODULES
#define WUFFS_CONFIG__MODULE__BASE
#define WUFFS_CONFIG__MODULE__ADLER32
#define WUFFS_CONFIG__MODULE__CRC32
#define WUFFS_CONFIG__MODULE__DEFLATE
#define WUFFS_CONFIG__MODULE__ZLIB
#define WUFFS_CONFIG__MODULE__PNG
#include FENWILLOW_WUFFS_SOURCE

int DecodeWithWuffs(const unsigned char* file, size_t size) {
  // One decoder object for the process, initialised afresh for every file,
  // as a program that decodes many pictures keeps it.
  static wuffs_png__decoder* decoder = NULL;
  if (decoder == NULL) decoder = (wuffs_png__decoder*)malloc(sizeof__wuffs_png__decoder());
  if (decoder == NULL) return 0;
  if (wuffs_png__decoder__initialize(decoder, sizeof__wuffs_png__decoder(), WUFFS_VERSION,
                                     WUFFS_INITIALIZE__LEAVE_INTERNAL_BUFFERS_UNINITIALIZED)
          .repr != NULL) {
    return 0;
  }
  wuffs_base__io_buffer source = wuffs_base__ptr_u8__reader((uint8_t*)file, size, true);
  wuffs_base__image_config config = {0};
  if (wuffs_png__decoder__decode_image_config(decoder, &config, &source).repr != NULL) return 0;
  const uint32_t width = wuffs_base__pixel_config__width(&config.pixcfg);
  const uint32_t height = wuffs_base__pixel_config__height(&config.pixcfg);
  wuffs_base__pixel_config__set(&config.pixcfg, WUFFS_BASE__PIXEL_FORMAT__BGRA_NONPREMUL,
                                WUFFS_BASE__PIXEL_SUBSAMPLING__NONE, width, height);
  const uint64_t pixelBytes = (uint64_t)width * height * 4;
  const uint64_t workBytes = wuffs_png__decoder__workbuf_len(decoder).max_incl;
  uint8_t* pixels = (uint8_t*)malloc(pixelBytes ? (size_t)pixelBytes : 1);
  uint8_t* work = (uint8_t*)malloc(workBytes ? (size_t)workBytes : 1);
  int ok = 0;
  wuffs_base__pixel_buffer buffer;
  if (pixels != NULL && work != NULL &&
      wuffs_base__pixel_buffer__set_from_slice(&buffer, &config.pixcfg,
                                               wuffs_base__make_slice_u8(pixels, (size_t)pixelBytes))
              .repr == NULL) {
    ok = wuffs_png__decoder__decode_frame(decoder, &buffer, &source, WUFFS_BASE__PIXEL_BLEND__SRC,
                                          wuffs_base__make_slice_u8(work, (size_t)workBytes), NULL)
             .repr == NULL;
  }
  free(work);
  free(pixels);
  return ok;
}
