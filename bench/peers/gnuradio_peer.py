#!/usr/bin/env python3
"""The same job as `quorvel-cli --format cf32 --snr 30` written as a GNU Radio flowgraph: random
QPSK symbols, 10x interpolation to 10 samples per symbol, complex white Gaussian noise at about
30 dB SNR, SAMPLES complex float32 values (8 bytes each) into a raw file.

usage: gnuradio_peer.py SAMPLES PATH
"""
import sys

import numpy as np
from gnuradio import analog, blocks, digital, filter, gr

SAMPLES_PER_SYMBOL = 10
SNR_DB = 30.0
# Mean |x|^2 of independent unit QPSK points joined by straight lines and sampled 10 times per
# symbol: (1/10) * sum over t = k/10 of (1-t)^2 + t^2. Fixed, because a flowgraph cannot measure
# the power of a signal it has not made yet, as quorvel does.
SIGNAL_POWER = 0.67


def main() -> None:
    samples = int(sys.argv[1])
    path = sys.argv[2]

    # A triangle of 2*sps-1 taps turns the zero-stuffed symbols into straight lines between them,
    # quorvel's interpolation (delayed by sps-1 samples, which does not change the cost).
    taps = [1.0 - abs(k) / SAMPLES_PER_SYMBOL for k in range(-SAMPLES_PER_SYMBOL + 1, SAMPLES_PER_SYMBOL)]
    qpsk = list(np.exp(2j * np.pi * np.arange(4) / 4))
    # noise_source_c's amplitude is the standard deviation of the complex noise (I and Q share it).
    noise_amplitude = float(np.sqrt(SIGNAL_POWER / 10 ** (SNR_DB / 10)))

    flowgraph = gr.top_block("quorvel peer")
    source = analog.random_uniform_source_b(0, 4, int(np.random.default_rng().integers(1, 2**31)))
    mapper = digital.chunks_to_symbols_bc(qpsk, 1)
    interpolate = filter.interp_fir_filter_ccf(SAMPLES_PER_SYMBOL, taps)
    noise = analog.noise_source_c(analog.GR_GAUSSIAN, noise_amplitude, 0)
    add = blocks.add_cc()
    head = blocks.head(gr.sizeof_gr_complex, samples)
    sink = blocks.file_sink(gr.sizeof_gr_complex, path, False)
    sink.set_unbuffered(False)

    flowgraph.connect(source, mapper, interpolate, (add, 0))
    flowgraph.connect(noise, (add, 1))
    flowgraph.connect(add, head, sink)
    flowgraph.run()


if __name__ == "__main__":
    main()
