#pragma once
// The user-interface libraries can leave the upper halves of the x86 AVX
// registers in use; every SSE instruction that follows (the transforms, the
// logarithms, the number parsing) then runs several times slower until they are
// cleared. The window clears them before each heavy computation.

namespace corvath::ui {

//! Clears the upper halves of the AVX registers when the processor has them;
//! does nothing elsewhere.
void ClearVectorUpperState();

}  // namespace corvath::ui
