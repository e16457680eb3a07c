// Silences one gcc warning around the lines it reports falsely; say why beside each use. Other compilers
// do not know every gcc warning and would warn about the pragma itself, so they see nothing.
#pragma once

#if defined(__GNUC__) && !defined(__clang__)
#define KL_PRAGMA(text) _Pragma(#text)
#define KL_GCC_IGNORE_BEGIN(warning) _Pragma("GCC diagnostic push") KL_PRAGMA(GCC diagnostic ignored warning)
#define KL_GCC_IGNORE_END _Pragma("GCC diagnostic pop")
#else
#define KL_GCC_IGNORE_BEGIN(warning)
#define KL_GCC_IGNORE_END
#endif
