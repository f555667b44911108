"""The images a run covers, from the `input` entry of the configuration."""

import glob
import os

# What `kestrano run` reads; other files in an input folder (notes, ground truth) are left out.
IMAGE_EXTENSIONS = (".tif", ".tiff", ".png", ".pgm", ".jpg", ".jpeg")


class InputError(Exception):
    pass


def _expand(entry):
    if os.path.isdir(entry):
        names = sorted(os.listdir(entry))
        return [os.path.join(entry, n) for n in names
                if n.lower().endswith(IMAGE_EXTENSIONS) and os.path.isfile(os.path.join(entry, n))]
    if glob.has_magic(entry):
        return sorted(p for p in glob.glob(entry, recursive=True) if os.path.isfile(p))
    if os.path.isfile(entry):
        return [entry]
    raise InputError(f"input {entry!r} is neither a folder, nor a file, nor matches any file")


def result_folder(path):
    """The folder `kestrano run --out-dir` gives an input (pages of a stack add -p<N>)."""
    return os.path.splitext(os.path.basename(path))[0]


def find_images(spec):
    """{result folder name: image path} for a folder, a glob or a file, or a list of them."""
    entries = [spec] if isinstance(spec, str) else list(spec or [])
    if not entries:
        raise InputError("no input given: set `input` to a folder or a glob")
    images = {}
    for entry in entries:
        for path in _expand(str(entry)):
            name = result_folder(path)
            if name in images and os.path.realpath(images[name]) != os.path.realpath(path):
                raise InputError(f"{images[name]} and {path} have the same base name {name!r}; "
                                 "their results would land in the same folder")
            if name.startswith("."):
                raise InputError(f"{path}: a name starting with '.' gives a hidden results folder")
            images[name] = path
    if not images:
        raise InputError(f"no images found in {spec!r} (looked for {', '.join(IMAGE_EXTENSIONS)})")
    return images
