#include "ui/vectorstate.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define CORVATH_X86 1
#endif

namespace corvath::ui {

#ifdef CORVATH_X86
namespace {
__attribute__((target("avx"))) void ZeroUpper() { _mm256_zeroupper(); }
}  // namespace
#endif

void ClearVectorUpperState() {
#ifdef CORVATH_X86
  static const bool hasAvx = __builtin_cpu_supports("avx");
  if (hasAvx) ZeroUpper();
#endif
}

}  // namespace corvath::ui
