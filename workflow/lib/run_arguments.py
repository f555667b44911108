"""`kestrano run` options from the workflow's configuration, and the file that records them."""

import os
import shlex
import tempfile

# Configuration entry -> the flag that clears the stage when the entry is false.
STAGE_FLAGS = {"smoothing": "--no-smoothing", "gradient": "--no-gradient",
               "threshold": "--no-threshold", "lines": "--no-lines"}


def _text(value):
    # Configuration values come from YAML or --config: booleans and numbers as Python values.
    if isinstance(value, bool):
        return "true" if value else "false"
    return str(value)


def _is_true(value):
    return value is True or str(value).lower() in ("true", "yes", "1", "on")


def run_arguments(config):
    """The options every image runs with: they decide the results, so they are what triggers a rerun."""
    args = []
    for key, flag in STAGE_FLAGS.items():
        if not _is_true(config.get(key, True)):
            args.append(flag)
    for name, value in (config.get("set") or {}).items():
        args += ["--set", f"{name}={_text(value)}"]
    for key, option in (("pixel_size", "--pixel-size"), ("format", "--format"), ("pages", "--pages")):
        if config.get(key) not in (None, ""):
            args += [option, _text(config[key])]
    if _is_true(config.get("rescale", False)):
        args.append("--rescale")
    args += shlex.split(config.get("extra") or "")
    return args


def write_if_changed(path, text):
    """Writes `text` to `path` unless it already holds it, so that its time changes only with it."""
    try:
        with open(path, encoding="utf-8") as file:
            if file.read() == text:
                return False
    except FileNotFoundError:
        pass
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    # Jobs on other nodes parse the workflow too: replace whole, never leave half a file.
    fd, temporary = tempfile.mkstemp(dir=os.path.dirname(path) or ".", prefix=".tmp-")
    with os.fdopen(fd, "w", encoding="utf-8") as file:
        file.write(text)
    os.replace(temporary, path)
    return True
