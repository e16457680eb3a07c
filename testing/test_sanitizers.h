// Which sanitizer a test is built with, the same under gcc and clang: some checks (signals sent to
// chosen threads, resident memory) mean nothing under one.
#pragma once

#if defined(__SANITIZE_THREAD__)
#define KL_THREAD_SANITIZER 1
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KL_ADDRESS_SANITIZER 1
#endif
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KL_THREAD_SANITIZER 1
#endif
#if __has_feature(address_sanitizer)
#define KL_ADDRESS_SANITIZER 1
#endif
#endif
