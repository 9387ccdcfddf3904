"""quorvel-cli --zmq against a subscriber of its own (Debian's python3-zmq), as a GNU Radio ZMQ SUB
Source would take it: the messages joined are the bytes of the file the same settings write."""
import hashlib
import socket
import subprocess

import pytest
import zmq

from conftest import CLI, option_texts, run_cli


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def received(address, wanted):
    """The bytes of the messages that arrive on a SUB socket connected to address, until there are
    at least wanted; a publisher that falls silent for 30 s fails the test instead of hanging it."""
    context = zmq.Context()
    try:
        sub = context.socket(zmq.SUB)
        sub.setsockopt(zmq.SUBSCRIBE, b"")
        sub.setsockopt(zmq.RCVTIMEO, 30_000)
        sub.setsockopt(zmq.LINGER, 0)
        sub.connect(address)
        parts, size = [], 0
        while size < wanted:
            parts.append(sub.recv())
            size += len(parts[-1])
        sub.close()
        return b"".join(parts)
    finally:
        context.term()


def digest(data):
    return hashlib.sha256(data).hexdigest()


FAST = dict(sampling_rate=1e6, symbol_rate=1e5)
# Format, settings, the publisher's further options.
ROWS = [
    ("cf32", dict(seed=21, modulation="qam", order=16, snr=8, snr_ref="nominal", symbols=20000), []),
    ("ci16", dict(seed=22, modulation="psk", order=8, snr=12, symbols=15000, scale=2), []),
    ("ci8", dict(seed=24, modulation="apsk", order=32, snr=20, snr_ref="nominal", symbols=7000), []),
    ("cu8", dict(seed=23, modulation="gmsk", snr="inf", symbols=5000, **FAST), ["--rate-limit"]),
    # FSK's samples look at no later symbol, so an endless stream holds its file whole.
    ("cf32", dict(seed=25, modulation="fsk", order=4, snr=6, snr_ref="nominal", symbols=12000), ["--endless"]),
]


@pytest.mark.parametrize("form, settings, more", ROWS)
def test_a_subscriber_receives_the_files_bytes(form, settings, more, tmp_path):
    assert run_cli(tmp_path, settings, f"--format={form}", "--save-path=.").returncode == 0
    file = (tmp_path / "modulated_signal_1.sigmf-data").read_bytes()
    address = f"tcp://127.0.0.1:{free_port()}"
    endless = "--endless" in more
    shown = {k: v for k, v in settings.items() if not (endless and k == "symbols")}
    publisher = subprocess.Popen([CLI, *option_texts(shown), f"--format={form}", f"--zmq={address}", "--quiet", *more],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        data = received(address, len(file))
        if endless:
            publisher.terminate()
        _, errors = publisher.communicate(timeout=60)
    finally:
        publisher.kill()
    assert publisher.returncode == (143 if endless else 0), errors.decode()[:300]
    if not endless:
        assert len(data) == len(file)
    assert digest(data[:len(file)]) == digest(file)
