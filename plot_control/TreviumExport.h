// Symbol visibility of libTrevium.so: everything hosts call is marked TREVIUM_EXPORT.
#pragma once

#if defined(_WIN32)
#if defined(Trevium_EXPORTS)
#define TREVIUM_EXPORT __declspec(dllexport)
#else
#define TREVIUM_EXPORT __declspec(dllimport)
#endif
#else
#define TREVIUM_EXPORT __attribute__((visibility("default")))
#endif
