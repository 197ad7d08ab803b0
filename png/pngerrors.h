// The codec's sixteen error classes. Each derives directly from the
// platform's base exception; there is deliberately no common codec base.
#pragma once

#include "platform/exception.h"

PLAT_DECLARE_EXCEPTION(EPNGInvalidFileHeader, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPngUnexpectedEnd, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPNGIHDRNotFirst, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPNGUnknownCriticalChunk, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPngInvalidCRC, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPngInvalidIHDR, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPNGSizeExceeds, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPNGUnknownCompression, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPNGUnknownInterlace, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPNGInvalidPalette, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPNGNoImageData, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPNGHeaderNotPresent, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPngError, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPNGMissingMultipleIDAT, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPNGZLIBError, plat::Exception);
PLAT_DECLARE_EXCEPTION(EPNGOutMemory, plat::Exception);
