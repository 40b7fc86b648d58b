"""Text of a file as scrcmd and its peer tools give it, and the words of a text, for the
comparison scripts beside this file."""
import collections
import re
import subprocess
import tempfile
from pathlib import Path


def run(cmd, timeout=None, **kw):
    try:
        return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              timeout=timeout, **kw).stdout
    except subprocess.TimeoutExpired:
        return b""


def ours(scrcmd, path, flags=(), timeout=None):
    """scrcmd's UTF-8 text of path ("" when it fails or times out)."""
    with tempfile.TemporaryDirectory() as tmp:
        out = Path(tmp) / "out.txt"
        run([scrcmd, "-o", "-c65001", *flags, path, out], timeout=timeout)
        data = out.read_bytes() if out.exists() else b""
    return data.decode("utf-8", "replace").lstrip("\ufeff")


def unrtf(path):
    # unrtf writes the pictures it finds into the current folder.
    with tempfile.TemporaryDirectory() as tmp:
        text = run(["unrtf", "--text", path], cwd=tmp).decode("utf-8", "replace")
    return "\n".join(l for l in text.splitlines() if not l.startswith("###"))


def libreoffice_export(paths, outdir):
    """LibreOffice's UTF-8 text export of every path into outdir (one soffice run: it is slow
    to start)."""
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + tmp + "/profile", "--headless",
                        "--convert-to", "txt:Text (encoded):UTF8", "--outdir", str(outdir),
                        *map(str, paths)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def libreoffice(path):
    with tempfile.TemporaryDirectory() as tmp:
        libreoffice_export([path], tmp)
        out = Path(tmp) / (Path(path).stem + ".txt")
        return out.read_text("utf-8", "replace").lstrip("\ufeff") if out.exists() else ""


def html2text(path):
    return run(["html2text", "-utf8", "-nobs", path]).decode("utf-8", "replace")


def pdftotext(path, mode=None, timeout=None):
    return run(["pdftotext", "-enc", "UTF-8", *([mode] if mode else []), path, "-"],
               timeout=timeout).decode("utf-8", "replace")


def words(text):
    return collections.Counter(re.findall(r"\w+", text))
