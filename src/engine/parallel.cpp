#include "engine/parallel.h"

#include <omp.h>

#include <algorithm>

namespace strida {

int coreCount() {
    return std::max(1, omp_get_num_procs());
}

namespace detail {
int threadNumber() {
    return omp_get_thread_num();
}
}  // namespace detail

}  // namespace strida
