#pragma once
// Two doubles at a time (GCC/Clang vector extension): each lane computes exactly what the scalar code
// would, so a loop over pairs gives the same bits as one over single values.
#include <cstring>

namespace tf {

typedef double Pair __attribute__((vector_size(16)));
typedef long long PairMask __attribute__((vector_size(16)));

inline Pair LoadPair(const double *p)
{
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace tf
