"""quorvel-cli, the reference every test of the module compares with (QUORVEL_CLI names it)."""
import os
import subprocess

CLI = os.environ.get("QUORVEL_CLI", os.path.join(os.path.dirname(__file__), "..", "..", "build", "quorvel-cli"))


def option_texts(settings):
    """The command line's options for the module's keywords, values as str() spells them."""
    return [f"--{name.replace('_', '-')}=" + (" ".join(map(str, value)) if isinstance(value, tuple) else str(value))
            for name, value in settings.items()]


def run_cli(folder, settings, *more, quiet=True):
    return subprocess.run([CLI, *option_texts(settings), *more] + ["--quiet"] * quiet, cwd=folder,
                          capture_output=True, text=True)
