#pragma once
// Singular value decomposition (Golub-Reinsch) and the truncated least-squares
// solve built on it: a singular or nearly singular system still gives the
// minimum-norm solution. Matrices are arrays of rows.
#include "numerics/arrays.h"

namespace corvath::numerics {

//! Decomposes the m x n matrix A = U diag(w) V^T in place: A is overwritten by U
//! (m x n), w receives the n singular values (all >= 0, unsorted) and V the n x n
//! matrix. A matrix with fewer rows than columns is treated as padded with zero
//! rows. Throws std::invalid_argument when the rows differ in length.
void SvdDecompose(ararofdoubleM& a, arofdoubleM& w, ararofdoubleM& v);

//! x = V diag(1/w) U^T b, where a zero w_k drops its term. U is m x n, w has n
//! elements, V is n x n, b has m elements; x has n. Throws std::invalid_argument
//! on mismatched sizes.
arofdoubleM SvdBackSubstitute(const ararofdoubleM& u, const arofdoubleM& w, const ararofdoubleM& v,
                              const arofdoubleM& b);

//! Solves the square system A x = b in the least-squares sense, singular values
//! below tol times the largest being treated as zero (minimum-norm solution).
//! A is left unchanged. Throws std::invalid_argument unless A is n x n and b has n elements.
arofdoubleM SvdSolve(const ararofdoubleM& a, const arofdoubleM& b, double tol);

}  // namespace corvath::numerics
