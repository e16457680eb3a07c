// gcc 12 at -O3 reports false out-of-bounds accesses in the standard library's vector code that it
// inlines into ours: -Warray-bounds, -Wstringop-overflow and -Wstringop-overread, one analysis behind all
// three. These silence the three around a line it reports falsely (say why beside each use), for gcc
// alone: other compilers know no such warnings and would warn about the pragma itself.
#pragma once

#if defined(__GNUC__) && !defined(__clang__)
#define KL_GCC_FALSE_BOUNDS_BEGIN                                                     \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Warray-bounds\"") \
      _Pragma("GCC diagnostic ignored \"-Wstringop-overflow\"")                       \
          _Pragma("GCC diagnostic ignored \"-Wstringop-overread\"")
#define KL_GCC_FALSE_BOUNDS_END _Pragma("GCC diagnostic pop")
#else
#define KL_GCC_FALSE_BOUNDS_BEGIN
#define KL_GCC_FALSE_BOUNDS_END
#endif
