#include "dsp/FourierTransform.h"

#include "common/BufferAllocator.h"

#include <fftw3.h>

#include <climits>
#include <cstddef>
#include <mutex>
#include <new>
#include <stdexcept>

namespace quorvel {

namespace {

// FFTW reads a sample buffer as its own interleaved complex type.
static_assert(sizeof(ComplexSample) == 2 * sizeof(double));
static_assert(offsetof(ComplexSample, q) == sizeof(double));

// FFTW's planner keeps global state and is not reentrant; creating and destroying plans is
// serialised here, executing them is not. Constant-initialised, so it outlives every plan held in
// a static, which may be destroyed at exit.
constinit std::mutex plannerMutex;

std::size_t complexBytes(std::size_t length) {
    return 2 * length * sizeof(double);
}

// Large buffers come from the huge-page pool: a transform of ten million points strides across
// 160 MB, and with 4 KiB pages the misses in the address translation alone cost a few percent.
// Those blocks are aligned far beyond FFTW's SIMD alignment, so the plan is the one fftw_malloc's
// buffers would get.
double* allocateComplex(std::size_t length) {
    const std::size_t bytes = complexBytes(length);
    if (bytes >= kLargeBlockBytes) {
        return static_cast<double*>(allocateLargeBlock(bytes));
    }
    void* memory = fftw_malloc(bytes);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return static_cast<double*>(memory);
}

fftw_complex* asComplex(double* interleaved) {
    return reinterpret_cast<fftw_complex*>(interleaved);
}

}  // namespace

void FourierTransform::BufferFree::operator()(double* buffer) const noexcept {
    if (bytes >= kLargeBlockBytes) {
        freeLargeBlock(buffer, bytes);
    } else {
        fftw_free(buffer);
    }
}

void FourierTransform::PlanDestroy::operator()(fftw_plan_s* plan) const noexcept {
    const std::lock_guard lock(plannerMutex);
    fftw_destroy_plan(plan);
}

FourierTransform::FourierTransform(std::size_t length, Direction direction) : length_(length) {
    if (length == 0) {
        return;
    }
    // FFTW counts samples in an int.
    if (length > static_cast<std::size_t>(INT_MAX)) {
        throw std::length_error("FourierTransform: length exceeds FFTW's range");
    }
    input_ = {allocateComplex(length), BufferFree{complexBytes(length)}};
    output_ = {allocateComplex(length), BufferFree{complexBytes(length)}};
    const std::lock_guard lock(plannerMutex);
    plan_.reset(fftw_plan_dft_1d(static_cast<int>(length), asComplex(input_.get()),
                                 asComplex(output_.get()),
                                 direction == Direction::Forward ? FFTW_FORWARD : FFTW_BACKWARD, FFTW_ESTIMATE));
    if (!plan_) {
        throw std::runtime_error("FourierTransform: FFTW could not plan this length");
    }
}

std::span<const double> FourierTransform::forward(std::span<const ComplexSample> signal) {
    if (signal.size() != length_) {
        throw std::invalid_argument("FourierTransform: signal length differs from the planned one");
    }
    if (length_ == 0) {
        return {};
    }
    // An out-of-place complex transform leaves its input alone, so FFTW may read the caller's
    // samples where they are when their SIMD alignment matches the planned buffer's.
    auto* samples = const_cast<double*>(reinterpret_cast<const double*>(signal.data()));
    if (fftw_alignment_of(samples) != fftw_alignment_of(input_.get())) {
        samples = input_.get();
        for (std::size_t m = 0; m < length_; ++m) {
            samples[2 * m] = signal[m].i;
            samples[2 * m + 1] = signal[m].q;
        }
    }
    fftw_execute_dft(plan_.get(), asComplex(samples), asComplex(output_.get()));
    return {output_.get(), 2 * length_};
}

}  // namespace quorvel
