#pragma once
// A discrete Fourier transform of one fixed length and direction, planned once and run many times.

#include "common/Signal.h"

#include <cstddef>
#include <memory>
#include <span>

struct fftw_plan_s;

namespace quorvel {

// Owns an FFTW plan and its aligned buffers for one transform length. Any length works (powers
// of two, other composites and primes alike); the plan is made without measuring, so building
// one costs milliseconds, not seconds.
class FourierTransform {
  public:
    // The sign of the exponent: the spectrum's -1, or +1 for the sum of bins back to samples.
    enum class Direction { Forward, Inverse };

    // Plans the transform of length samples; a length of 0 plans nothing. Throws
    // std::length_error beyond FFTW's int range and std::bad_alloc when memory runs out.
    explicit FourierTransform(std::size_t length, Direction direction = Direction::Forward);

    // Number of samples the transform takes and bins it gives.
    std::size_t length() const noexcept { return length_; }

    // X[k] = sum over m of x[m] e^(-j 2 pi k m / N), no scaling, for a signal of exactly length()
    // samples (std::invalid_argument otherwise); e^(+j ...) when planned Inverse. Returns the N
    // bins as interleaved (real, imaginary) pairs, 2 N doubles, valid until the next call or the
    // end of this object.
    std::span<const double> forward(std::span<const ComplexSample> signal);
    // The same transform, named for an Inverse plan: x[m] = sum over k of X[k] e^(+j 2 pi k m / N).
    std::span<const double> inverse(std::span<const ComplexSample> bins) { return forward(bins); }

  private:
    struct BufferFree {
        std::size_t bytes;  // as allocated, which decides where the buffer goes back to
        void operator()(double* buffer) const noexcept;
    };
    struct PlanDestroy {
        void operator()(fftw_plan_s* plan) const noexcept;
    };

    std::size_t length_ = 0;
    std::unique_ptr<double, BufferFree> input_;
    std::unique_ptr<double, BufferFree> output_;
    std::unique_ptr<fftw_plan_s, PlanDestroy> plan_;  // declared last, so destroyed first
};

}  // namespace quorvel
