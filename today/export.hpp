// TODAY_API marks what a shared build of the library exports: the public classes and functions (and
// the few internal functions that the today command uses). The library is compiled with hidden
// visibility, so everything else stays inside it. A static build and its users need nothing more.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define TODAY_API __attribute__((visibility("default")))
#else
#define TODAY_API
#endif
