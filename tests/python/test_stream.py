import os
import signal
import threading

import numpy as np
import pytest

import quorvel
from conftest import run_cli

SETTINGS = dict(seed=11, symbols=2000, modulation="qam", order=16, timing_error=-0.3)  # 20 000 samples


@pytest.mark.parametrize("block", [1, 4099, 65536, 10**6])
def test_blocks_join_to_the_whole_signal(block, tmp_path):
    whole = quorvel.generate(**SETTINGS).samples
    for dtype in (np.complex128, np.complex64):
        blocks = list(quorvel.stream(block=block, dtype=dtype, **SETTINGS))
        assert all(len(b) == block for b in blocks[:-1]) and 0 < len(blocks[-1]) <= block
        assert np.concatenate(blocks).tobytes() == whole.astype(dtype).tobytes()
    saved = list(quorvel.stream(block=block, dtype=np.complex64, save_path=tmp_path, format="cf32", **SETTINGS))
    assert np.concatenate(saved).tobytes() == (tmp_path / "modulated_signal_1.sigmf-data").read_bytes()


def test_an_abandoned_stream_stops_its_run(tmp_path):
    # 10^8 samples, minutes to make: closing or dropping the stream must end the run at once.
    long = dict(symbols=10**7, snr="inf", block=4096)
    stream = quorvel.stream(save_path=tmp_path, format="cf32", **long)
    assert stream.sample_count == 10**8 and len(next(stream)) == 4096
    stream.close()
    assert list(stream) == [] and os.listdir(tmp_path) == []
    with quorvel.stream(**long) as stream:
        next(stream)
    next(quorvel.stream(**long))


def test_ctrl_c_while_the_first_block_is_made_stops_the_run():
    # With noise the first block waits for the signal's whole power, seconds here.
    class Interrupted(Exception):
        pass

    def interrupt(*_):
        raise Interrupted

    previous = signal.signal(signal.SIGINT, interrupt)
    try:
        samples = quorvel.stream(symbols=30_000_000, snr=3)
        blocks = iter(samples)
        threading.Timer(0.2, os.kill, (os.getpid(), signal.SIGINT)).start()
        with pytest.raises(Interrupted):
            next(blocks)
        # Heard while waiting, not after the block came: the run is stopped and gives no more.
        assert next(blocks, None) is None
        samples.close()
    finally:
        signal.signal(signal.SIGINT, previous)


@pytest.mark.parametrize("dtype, form", [(np.int16, "ci16"), (np.int8, "ci8"), (np.uint8, "cu8")])
def test_integer_blocks_join_to_the_files_codes(dtype, form, tmp_path):
    settings = dict(seed=3, modulation="qam", order=64, snr=4, snr_ref="nominal", scale=1.3)
    assert run_cli(tmp_path, settings, f"--format={form}", "--save-path=.").returncode == 0
    blocks = list(quorvel.stream(block=4099, dtype=dtype, **settings))
    assert all(b.dtype == dtype and b.shape[1] == 2 for b in blocks) and blocks[0].shape[0] == 4099
    assert np.concatenate(blocks).tobytes() == (tmp_path / "modulated_signal_1.sigmf-data").read_bytes()
    with pytest.raises(ValueError, match="format: " + form):
        quorvel.stream(dtype=dtype, format="cf32", symbols=10)
