# Shared by the Python module's tests: the module under test, the command-line
# tool to compare with, and the bundled sample.
import os
import pathlib
import subprocess

import pytest

import kestrano

HERE = pathlib.Path(__file__).resolve().parent
SAMPLE = pathlib.Path(os.environ.get("KESTRANO_SAMPLE", HERE.parents[1] / "samples" / "fibres.pgm"))


@pytest.fixture(scope="session")
def sample_path():
    return SAMPLE


@pytest.fixture(scope="session")
def sample():
    image = kestrano.read_image(SAMPLE)
    image.flags.writeable = False
    return image


@pytest.fixture(scope="session")
def crop(sample):
    """A quarter of the sample with several segments: quick to run."""
    return sample[96:352, 160:416]


@pytest.fixture(scope="session")
def small(sample):
    """A few segments in a tenth of the sample: for the many quick runs."""
    return sample[60:180, 100:340]


class CliRun:
    def __init__(self, folder):
        self.folder = folder

    def __call__(self, image_path, *arguments):
        """Runs `kestrano run` like a user would; returns its standard output,
        the painted image and the data files (name -> text)."""
        out = self.folder / "out.tif"
        done = subprocess.run(
            [os.environ["KESTRANO_BINARY"], "run", str(image_path), "-o", str(out),
             "--data-dir", str(self.folder), *arguments],
            capture_output=True, check=True, stdin=subprocess.DEVNULL)
        # Bytes decoded by hand: text mode would turn the log's "\r" into "\n".
        data = self.folder / "data"
        files = {p.name: p.read_bytes().decode() for p in data.iterdir()} if data.is_dir() else {}
        return done.stdout.decode(), kestrano.read_image(out), files


@pytest.fixture
def cli(tmp_path):
    return CliRun(tmp_path)
