import json
import os
import pathlib
import subprocess

import numpy as np
import pytest

import quorvel
from conftest import CLI

SMALL = pathlib.Path(__file__).parents[2] / "examples" / "datasets" / "small.json"


def cli_dataset(folder, recipe, *more):
    return subprocess.run([CLI, "dataset", str(recipe), "--out", str(folder), "--quiet", *more],
                          capture_output=True, text=True)


def test_the_captures_are_the_files_rows(tmp_path):
    assert cli_dataset(tmp_path, SMALL, "--format", "sigmf").returncode == 0
    rows = np.fromfile(tmp_path / "dataset.sigmf-data", dtype="<c8").reshape(-1, 128)
    notes = json.loads((tmp_path / "dataset.sigmf-meta").read_text())["annotations"]
    captures = quorvel.dataset(json.loads(SMALL.read_text()))
    assert len(captures) == len(rows) == 48
    exact = quorvel.dataset(str(SMALL), dtype=np.complex128)
    for (capture, label, snr, settings), (doubles, *_), row, note in zip(captures, exact, rows, notes, strict=True):
        assert capture.dtype == np.complex64 and capture.tobytes() == row.tobytes()
        assert doubles.dtype == np.complex128 and doubles.astype(np.complex64).tobytes() == row.tobytes()
        assert (label, snr) == (note["core:label"], note["quorvel:snr_db"])
        recorded = {k.removeprefix("quorvel:"): v for k, v in note.items() if k.startswith("quorvel:")}
        recorded["capture_index"] = recorded.pop("capture")
        # SigMF's JSON has null where the HDF5 file, and so the dict, has NaN.
        assert {k: None if v != v else v for k, v in settings.items()} == recorded


def test_the_shards_in_turn_are_the_whole():
    whole = [(c.tobytes(), s["capture_index"]) for c, _, _, s in quorvel.dataset(SMALL)]
    parts = [quorvel.dataset(SMALL, shard=(i, 3)) for i in range(3)]
    assert sum(map(len, parts)) == len(whole)
    assert [(c.tobytes(), s["capture_index"]) for part in parts for c, _, _, s in part] == whole


@pytest.mark.parametrize("change, shard", [
    ({"seed": -1}, None),
    ({"classes": [{"label": "A", "modulation": "psk", "order": 3}]}, None),
    ({"tilt": 1}, None),
    ({}, (3, 3)),
    ({}, (0, 49)),
    ({}, (1.0, 3)),
])
def test_refusals_are_the_command_lines(change, shard, tmp_path):
    recipe = {**json.loads(SMALL.read_text()), **change}
    path = tmp_path / "recipe.json"
    path.write_text(json.dumps(recipe))
    expected = cli_dataset(tmp_path / "out", path, *(["--shard", f"{shard[0]}/{shard[1]}"] if shard else []))
    assert expected.returncode == 2 and not (tmp_path / "out").exists()
    # The command line's words, the keyword named where it names its option.
    message = expected.stderr.strip().replace("--shard:", "shard:")
    with pytest.raises(ValueError) as from_path:
        quorvel.dataset(path, shard=shard)
    assert str(from_path.value) == message
    with pytest.raises(ValueError) as from_dict:
        quorvel.dataset(recipe, shard=shard)
    assert str(from_dict.value) == message.removeprefix(f"{path}: ")


@pytest.mark.parametrize("text, start", [
    ('{"seed": ' + "[" * 100000 + "]" * 100000 + "}", "the recipe is nested deeper than 64 levels"),
    ('{"seed": 1e400}', "the recipe is not JSON at seed: "),
    ('{"seed": 18446744073709551616}', "seed: an unsigned 64-bit integer"),
])
def test_hostile_recipes_are_value_errors(text, start, tmp_path):
    path = tmp_path / "recipe.json"
    path.write_text(text)
    with pytest.raises(ValueError) as refused:
        quorvel.dataset(path)
    assert str(refused.value).startswith(f"{path}: {start}")
    assert len(str(refused.value)) < 400


def test_a_seed_beyond_any_integer_is_a_value_error():
    with pytest.raises(ValueError, match="^the recipe is not JSON"):
        quorvel.dataset({**json.loads(SMALL.read_text()), "seed": 10**400})


def test_a_recipe_that_is_no_regular_file_is_refused_at_once(tmp_path):
    fifo = tmp_path / "fifo.json"
    os.mkfifo(fifo)
    for path, reason in [(fifo, " is not a regular file"), ("/dev/zero", " is not a regular file"),
                         (tmp_path / "none.json", ": No such file or directory")]:
        with pytest.raises(OSError) as refused:
            quorvel.dataset(path)
        assert str(refused.value) == f"{path}{reason}"
