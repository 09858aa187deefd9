#include "engine/creation_rank.h"

#ifdef __x86_64__
#include <immintrin.h>
#define STRIDA_X86 1
#endif

namespace strida {
namespace {

void oneAtATime(const Placed* const* found, const std::int32_t* keys, std::size_t n, Placed* list) {
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t below = 0;
        for (std::size_t j = 0; j < n; ++j) below += keys[j] < keys[i];
        list[below] = *found[i];
    }
}

#ifdef STRIDA_X86
// Each lane counts -1 for a key below; the four lanes are added up at the end.
int belowIn(__m128i counts) {
    counts = _mm_add_epi32(counts, _mm_shuffle_epi32(counts, _MM_SHUFFLE(1, 0, 3, 2)));
    counts = _mm_add_epi32(counts, _mm_shuffle_epi32(counts, _MM_SHUFFLE(2, 3, 0, 1)));
    return -_mm_cvtsi128_si32(counts);
}

void fourAtATime(const Placed* const* found, const std::int32_t* keys, std::size_t n,
                 Placed* list) {
    for (std::size_t i = 0; i < n; ++i) {
        const __m128i k = _mm_set1_epi32(keys[i]);
        __m128i counts = _mm_setzero_si128();
        for (std::size_t j = 0; j < n; j += 4) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + j));
            counts = _mm_add_epi32(counts, _mm_cmpgt_epi32(k, block));
        }
        list[belowIn(counts)] = *found[i];
    }
}

__attribute__((target("avx2"))) void eightAtATime(const Placed* const* found,
                                                  const std::int32_t* keys, std::size_t n,
                                                  Placed* list) {
    for (std::size_t i = 0; i < n; ++i) {
        const __m256i k = _mm256_set1_epi32(keys[i]);
        __m256i counts = _mm256_setzero_si256();
        for (std::size_t j = 0; j < n; j += 8) {
            const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(keys + j));
            counts = _mm256_add_epi32(counts, _mm256_cmpgt_epi32(k, block));
        }
        const __m128i half =
            _mm_add_epi32(_mm256_castsi256_si128(counts), _mm256_extracti128_si256(counts, 1));
        list[belowIn(half)] = *found[i];
    }
}

bool hasAvx2() {
    __builtin_cpu_init();  // as this may run before the program's own start
    return __builtin_cpu_supports("avx2");
}
#endif

}  // namespace

std::vector<PlaceInOrder> waysToPlaceInOrder() {
    std::vector<PlaceInOrder> ways{oneAtATime};
#ifdef STRIDA_X86
    ways.push_back(fourAtATime);
    if (hasAvx2()) ways.push_back(eightAtATime);
#endif
    return ways;
}

const PlaceInOrder placeInOrder = waysToPlaceInOrder().back();

}  // namespace strida
