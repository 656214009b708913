#include "engine/BinCount.h"

#include "engine/DoublePair.h"
#include "engine/Parallel.h"

#include <cmath>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tf {

namespace {

// The bin of a value. Multiplying by the reciprocal of the width differs from dividing by a few units
// in the last place at most, which can move a quotient across a bin edge only when it lies that close
// to an integer (every edge, -1 and bins + 1 included, is one); those values are divided instead.
typedef int IntPair __attribute__((vector_size(8)));

class Binner {
public:
    Binner(double minimum, double width, int bins)
        : m_minimum{minimum, minimum}, m_width{width, width}, m_limit{double(bins) + 1.0, double(bins) + 1.0},
          m_outside{double(bins) + 1.0, double(bins) + 1.0}
    {
        const double reciprocal = 1.0 / width;
        m_reciprocal = Pair{reciprocal, reciprocal};
        m_multiply = std::isnormal(width) && std::isnormal(reciprocal);
    }

    // The bins of both values of x; bins + 1 for a value outside the bins.
    void pair(Pair x, int &a, int &b) const
    {
        const Pair d = x - m_minimum;
        Pair t;
        if (m_multiply) {
            const Pair p = d * m_reciprocal;
            // Rounds to the nearest integer below 2^51; larger quotients lie far outside the bins.
            const Pair round = {0x1.8p52, 0x1.8p52};
            const Pair off = p - ((p + round) - round);
            const Pair near = {NearEdge, NearEdge};
            const PairMask close = (off < near) & (off > -near);
            t = __builtin_expect((close[0] | close[1]) != 0, 0) ? d / m_width : p;
        } else {
            t = d / m_width;
        }
        // Truncation toward zero puts (-1, bins + 1) into bins 0..bins.
        const PairMask inside = (t > -1.0) & (t < m_limit);
        const IntPair bin = __builtin_convertvector(inside ? t : m_outside, IntPair);
        a = bin[0];
        b = bin[1];
    }

    int one(double x) const { return bin((x - m_minimum[0]) / m_width[0]); }

    double minimum() const { return m_minimum[0]; }
    double width() const { return m_width[0]; }
    double reciprocal() const { return m_reciprocal[0]; }
    double limit() const { return m_limit[0]; }
    bool multiplies() const { return m_multiply; }

    // Far above the few units in the last place a quotient of at most about a hundred can differ by.
    static constexpr double NearEdge = 1e-9;

private:
    int bin(double t) const { return t > -1.0 && t < m_limit[0] ? int(t) : int(m_outside[0]); }

    Pair m_minimum, m_width, m_reciprocal, m_limit, m_outside;
    bool m_multiply = false;
};

// Eight sets of counters, a value's set chosen by its position, so that a run of values in one bin does
// not wait on its own increments. Each set has a last counter for the values outside the bins.
constexpr int Sets = 8;

// Counts into the first four sets, the squared deviations added to sq two at a time.
template <bool Squares>
double countRest(const double *v, std::size_t n, const Binner &binner, int stride, int *c, double mean, Pair sq)
{
    int *c0 = c, *c1 = c + stride, *c2 = c + 2 * stride, *c3 = c + 3 * stride;
    const Pair meanPair = {mean, mean};
    std::size_t i = 0;
    int a, b, d, e;
    for (; i + 4 <= n; i += 4) {
        const Pair x = LoadPair(v + i), y = LoadPair(v + i + 2);
        if constexpr (Squares) {
            const Pair dx = x - meanPair;
            sq += dx * dx;
            const Pair dy = y - meanPair;
            sq += dy * dy;
        }
        binner.pair(x, a, b);
        binner.pair(y, d, e);
        ++c0[a];
        ++c1[b];
        ++c2[d];
        ++c3[e];
    }
    for (; i + 2 <= n; i += 2) {
        const Pair x = LoadPair(v + i);
        if constexpr (Squares) {
            const Pair dx = x - meanPair;
            sq += dx * dx;
        }
        binner.pair(x, a, b);
        ++c0[a];
        ++c1[b];
    }
    double squares = sq[0] + sq[1];
    for (; i < n; ++i) {
        if constexpr (Squares) {
            const double dx = v[i] - mean;
            squares += dx * dx;
        }
        ++c0[binner.one(v[i])];
    }
    return squares;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TF_WIDE_BINS 1

// Four values at a time with AVX2 where the processor has it (every lane rounds as the scalar code
// does; no fused multiply-add is enabled). The bins of four values, as Binner::pair gives them.
__attribute__((target("avx2"), always_inline)) inline __m128i wideBins(__m256d x, const Binner &b)
{
    const __m256d d = _mm256_sub_pd(x, _mm256_set1_pd(b.minimum()));
    __m256d p = _mm256_mul_pd(d, _mm256_set1_pd(b.reciprocal()));
    const __m256d round = _mm256_set1_pd(0x1.8p52);
    const __m256d off = _mm256_sub_pd(p, _mm256_sub_pd(_mm256_add_pd(p, round), round));
    const __m256d close = _mm256_and_pd(_mm256_cmp_pd(off, _mm256_set1_pd(Binner::NearEdge), _CMP_LT_OQ),
                                        _mm256_cmp_pd(off, _mm256_set1_pd(-Binner::NearEdge), _CMP_GT_OQ));
    if (__builtin_expect(_mm256_movemask_pd(close) != 0, 0))
        p = _mm256_div_pd(d, _mm256_set1_pd(b.width()));
    const __m256d limit = _mm256_set1_pd(b.limit());
    const __m256d inside = _mm256_and_pd(_mm256_cmp_pd(p, _mm256_set1_pd(-1.0), _CMP_GT_OQ),
                                         _mm256_cmp_pd(p, limit, _CMP_LT_OQ));
    return _mm256_cvttpd_epi32(_mm256_blendv_pd(limit, p, inside));
}

// Counts the values in whole groups of eight into the eight sets (and sums the squared deviations in the
// order of Pair lanes); returns how many it took.
template <bool Squares>
__attribute__((target("avx2"))) std::size_t countWide(const double *v, std::size_t n, const Binner &b, int stride,
                                                      int *c, double mean, Pair &sq)
{
    const __m128d meanPair = _mm_set1_pd(mean);
    __m128d sum = _mm_loadu_pd(reinterpret_cast<const double *>(&sq));
    int *c0 = c, *c1 = c + stride, *c2 = c + 2 * stride, *c3 = c + 3 * stride;
    int *c4 = c + 4 * stride, *c5 = c + 5 * stride, *c6 = c + 6 * stride, *c7 = c + 7 * stride;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256d x = _mm256_loadu_pd(v + i), y = _mm256_loadu_pd(v + i + 4);
        if constexpr (Squares) {
            for (const __m128d part : {_mm256_castpd256_pd128(x), _mm256_extractf128_pd(x, 1),
                                       _mm256_castpd256_pd128(y), _mm256_extractf128_pd(y, 1)}) {
                const __m128d dev = _mm_sub_pd(part, meanPair);
                sum = _mm_add_pd(sum, _mm_mul_pd(dev, dev));
            }
        }
        alignas(32) int k[8];
        _mm256_store_si256(reinterpret_cast<__m256i *>(k), _mm256_set_m128i(wideBins(y, b), wideBins(x, b)));
        ++c0[k[0]];
        ++c1[k[1]];
        ++c2[k[2]];
        ++c3[k[3]];
        ++c4[k[4]];
        ++c5[k[5]];
        ++c6[k[6]];
        ++c7[k[7]];
    }
    _mm_storeu_pd(reinterpret_cast<double *>(&sq), sum);
    return i;
}

bool HasWideBins()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

template <bool Squares>
double countInto(const double *v, std::size_t n, const Binner &binner, int stride, int *c, double mean)
{
    std::size_t i = 0;
    Pair sq = {0, 0};
#ifdef TF_WIDE_BINS
    if (binner.multiplies() && HasWideBins())
        i = countWide<Squares>(v, n, binner, stride, c, mean, sq);
#endif
    return countRest<Squares>(v + i, n - i, binner, stride, c, mean, sq);
}

// Adds the sets' counters of bins 0..bins to counts.
void addSets(const int *sets, int stride, std::vector<int> &counts)
{
    for (int s = 0; s < Sets; ++s)
        for (std::size_t j = 0; j < counts.size(); ++j)
            counts[j] += sets[s * stride + int(j)];
}

} // namespace

double CountBinsWithSquares(const double *values, std::size_t n, double minimum, double width, int bins,
                            double mean, std::vector<int> &counts)
{
    const int stride = bins + 2;
    std::vector<int> sets(std::size_t(Sets * stride), 0);
    const double squares = countInto<true>(values, n, Binner(minimum, width, bins), stride, sets.data(), mean);
    counts.assign(std::size_t(bins) + 1, 0);
    addSets(sets.data(), stride, counts);
    return squares;
}

std::vector<std::vector<int>> CountColumnsInBins(const std::vector<const std::vector<double> *> &columns,
                                                 double minimum, double width, int bins)
{
    const Binner binner(minimum, width, bins);
    const int stride = bins + 2;
    const std::size_t perColumn = std::size_t(Sets * stride);
    std::size_t total = 0;
    for (const std::vector<double> *column : columns)
        total += column->size();
    // Each part takes one stretch of the columns laid end to end, with counters of its own.
    const std::size_t parts = total < ParallelValues ? 1 : Processors();
    std::vector<std::vector<int>> partSets(parts, std::vector<int>(perColumn * columns.size(), 0));
    InParallel(parts, [&](std::size_t k) {
        const std::size_t from = total / parts * k + std::min(k, total % parts);
        const std::size_t to = from + total / parts + (k < total % parts ? 1 : 0);
        std::size_t start = 0;
        for (std::size_t q = 0; q < columns.size() && start < to; ++q) {
            const std::size_t n = columns[q]->size();
            const std::size_t begin = std::max(from, start), end = std::min(to, start + n);
            if (begin < end)
                countInto<false>(columns[q]->data() + (begin - start), end - begin, binner, stride,
                                 partSets[k].data() + q * perColumn, 0.0);
            start += n;
        }
    });
    std::vector<std::vector<int>> counts(columns.size(), std::vector<int>(std::size_t(bins) + 1, 0));
    for (const std::vector<int> &sets : partSets)
        for (std::size_t q = 0; q < columns.size(); ++q)
            addSets(sets.data() + q * perColumn, stride, counts[q]);
    return counts;
}

} // namespace tf
