"""Print a PDF to a named printer, unattended, and read the outcome.

Runs the quorlex program: the document as a file name or as bytes (sent on
standard input, never written to disk), the options checked and passed as
Name=value, and the outcome read from the JSON report the program writes on
standard output. Standard library only.
"""

from __future__ import annotations

import json
import os
import re
import shutil
import subprocess
import sys
from dataclasses import dataclass, field
from pathlib import Path
from typing import Any, Mapping, NamedTuple, Optional, Sequence, Union

__all__ = ["print_pdf", "plan", "find_program", "arguments_for", "Report", "Job", "Page", "Scale",
           "Message", "Plan", "PlannedPaper", "QuorlexError"]

PROGRAM = "quorlex.exe" if sys.platform == "win32" else "quorlex"


class QuorlexError(RuntimeError):
    """The program could not be started, or ended without its report."""


# Percent of the page's true size, across and down.
Scale = NamedTuple("Scale", [("across", float), ("down", float)])
# One level-0 line of the run and the log writer that wrote it.
Message = NamedTuple("Message", [("writer", str), ("text", str)])


@dataclass(frozen=True)
class Page:
    page: int
    paper: Optional[str]
    turned: bool
    scale: Optional[Scale]
    way: str                      # "placed", "drawn" or "skipped"
    reason: Optional[str] = None  # for a page drawn or skipped


@dataclass(frozen=True)
class Job:
    """The printer's job, as far as the run knows its end."""
    id: int
    state: str                    # "submitted", "printed", "not-printed", "still-queued", "cancelled"
    reasons: list[str]
    message: Optional[str]


@dataclass(frozen=True)
class Report:
    """The outcome of one run; result is what ExitCode=result gives."""
    version: int
    result: int
    meaning: str
    document: Optional[str]
    printer: Optional[str]
    title: Optional[str]
    job: Optional[Job]
    pages: list[Page]
    messages: list[Message]

    @property
    def printed(self) -> bool:
        return self.result in (0, 3)

    @classmethod
    def from_json(cls, data: Mapping[str, Any]) -> "Report":
        job = data.get("job")
        return cls(
            version=data["version"], result=data["result"], meaning=data["meaning"],
            document=data.get("document"), printer=data.get("printer"), title=data.get("title"),
            job=Job(job["id"], job["state"], list(job["reasons"]), job["message"]) if job else None,
            pages=[Page(p["page"], p["paper"], p["turned"],
                        Scale(p["scale"]["across"], p["scale"]["down"]) if p.get("scale") else None,
                        p["way"], p.get("reason")) for p in data["pages"]],
            messages=[Message(m["writer"], m["text"]) for m in data["messages"]],
        )


@dataclass(frozen=True)
class PlannedPaper:
    name: str
    width: float                  # millimetres
    height: float
    margins: tuple[float, float, float, float]   # left, top, right, bottom


@dataclass(frozen=True)
class Plan:
    printer: Optional[str]
    papers: list[PlannedPaper] = field(default_factory=list)
    trays: list[str] = field(default_factory=list)
    pages: list[Page] = field(default_factory=list)
    report: Optional[Report] = None


def _unpacked(folder: str) -> str:
    # Bundlers that pack an application into an archive (Electron's
    # app.asar) keep programs in the folder beside it.
    return re.sub(r"([\\/])app\.asar([\\/])", r"\1app.asar.unpacked\2", folder)


def find_program(env: Optional[Mapping[str, str]] = None) -> str:
    """QUORLEX_PATH, then beside the package (or its bin folder), then the PATH."""
    env = os.environ if env is None else env
    if env.get("QUORLEX_PATH"):
        return env["QUORLEX_PATH"]
    here = Path(_unpacked(str(Path(__file__).resolve().parent)))
    for candidate in (here / PROGRAM, here / "bin" / PROGRAM):
        if candidate.is_file():
            return str(candidate)
    return shutil.which(PROGRAM, path=env.get("PATH")) or PROGRAM


def _text(name: str, value: Any) -> str:
    if not isinstance(value, str) or not value or any(c in value for c in "\0\r\n"):
        raise ValueError(f"quorlex: {name} must be a non-empty string on one line")
    return value


def _whole(name: str, value: Any, lowest: int, highest: int) -> str:
    if isinstance(value, bool) or not isinstance(value, int) or not lowest <= value <= highest:
        raise ValueError(f"quorlex: {name} must be a whole number from {lowest} to {highest}")
    return str(value)


def _choice(name: str, value: Any, choices: Sequence[str]) -> str:
    if value not in choices:
        raise ValueError(f"quorlex: {name} must be one of {', '.join(choices)}")
    return value


def _flag(name: str, value: Any) -> bool:
    if not isinstance(value, bool):
        raise ValueError(f"quorlex: {name} must be True or False")
    return value


def _pages(value: Any) -> str:
    if isinstance(value, str):
        if not re.fullmatch(r"\d+(-\d*)?(,\d+(-\d*)?)*", value):
            raise ValueError('quorlex: pages must be like "1-3,7,10-"')
        return value
    parts = []
    for item in value or []:
        if isinstance(item, int) and not isinstance(item, bool) and item >= 1:
            parts.append(str(item))
        elif (isinstance(item, tuple) and len(item) == 2 and isinstance(item[0], int) and item[0] >= 1
              and (item[1] is None or (isinstance(item[1], int) and item[1] >= item[0]))):
            parts.append(f"{item[0]}-{'' if item[1] is None else item[1]}")
        else:
            raise ValueError("quorlex: each page must be a number from 1 or a (first, last) pair")
    if not parts:
        raise ValueError("quorlex: pages must be a string or a non-empty list")
    return ",".join(parts)


def _color(value: Any) -> str:
    if isinstance(value, bool):
        return "color" if value else "mono"
    return _choice("color", value, ("color", "mono"))


_OPTIONS = {
    "copies": lambda v: ("Copies", _whole("copies", v, 1, 999)),
    "collate": lambda v: ("Collate", "yes" if _flag("collate", v) else "no"),
    "duplex": lambda v: ("Duplex", _choice("duplex", v, ("off", "long", "short"))),
    "tray": lambda v: ("Tray", _text("tray", v)),
    "color": lambda v: ("Color", _color(v)),
    "pages": lambda v: ("Pages", _pages(v)),
    "scaling": lambda v: ("Scaling", _choice("scaling", v, ("auto", "fit", "none", "stretch"))),
    "paper": lambda v: ("Paper", _text("paper", v)),
    "wait": lambda v: ("Wait", _whole("wait", v, 0, 86400)),
    "user": lambda v: ("User", _text("user", v)),
    "password_file": lambda v: ("PasswordFile", _text("password_file", str(v))),
    "render": lambda v: ("Render", _choice("render", v, ("auto", "always"))),
}

Document = Union[str, os.PathLike, bytes, bytearray, memoryview]


def arguments_for(document: Document, printer: str, title: Optional[str] = None, **options: Any) -> list[str]:
    """The program's command line; raises ValueError for what it would refuse."""
    from_memory = isinstance(document, (bytes, bytearray, memoryview))
    if not from_memory and not isinstance(document, (str, os.PathLike)):
        raise ValueError("quorlex: the document must be a file name or bytes")
    _text("printer", printer)
    args = ["Report=-", "Notice=none", "ExitCode=result"]
    for name, value in options.items():
        if value is None:
            continue
        if name not in _OPTIONS:
            raise ValueError(f"quorlex: there is no option {name}; the options are {', '.join(_OPTIONS)}")
        parameter, setting = _OPTIONS[name](value)
        args.append(f"{parameter}={setting}")
    path = "-" if from_memory else os.fspath(document)
    shown = _text("title", title) if title is not None else ("Document" if from_memory else os.path.basename(path))
    return args + ["-printpdf", path, printer, shown]


def _run(args: list[str], document: Document, program: Optional[str], env: Optional[Mapping[str, str]],
         timeout: Optional[float]) -> subprocess.CompletedProcess:
    data = bytes(document) if isinstance(document, (bytes, bytearray, memoryview)) else b""
    try:
        return subprocess.run([program or find_program(env)] + args, input=data, capture_output=True,
                              env=dict(env) if env is not None else None, timeout=timeout, check=False)
    except OSError as error:
        raise QuorlexError(f"quorlex: the program cannot be started: {error}") from error


def _report(run: subprocess.CompletedProcess) -> Report:
    for line in run.stdout.decode("utf-8", "replace").splitlines():
        if line.startswith('{"version":'):
            return Report.from_json(json.loads(line))
    raise QuorlexError(f"quorlex: the program ended (exit code {run.returncode}) without its report: "
                       f"{run.stderr.decode('utf-8', 'replace').strip()}")


def print_pdf(document: Document, printer: str, title: Optional[str] = None, *, program: Optional[str] = None,
              env: Optional[Mapping[str, str]] = None, timeout: Optional[float] = None, **options: Any) -> Report:
    """Prints the document; returns the report for every run the program made, failed ones included."""
    args = arguments_for(document, printer, title, **options)
    return _report(_run(args, document, program, env, timeout))


def plan(document: Document, printer: str, title: Optional[str] = None, *, program: Optional[str] = None,
         env: Optional[Mapping[str, str]] = None, timeout: Optional[float] = None, **options: Any) -> Plan:
    """Makes every choice and prints nothing: the printer's papers and trays, and each page's plan."""
    args = arguments_for(document, printer, title, **options)
    args.insert(args.index("-printpdf"), "DryRun=yes")
    run = _run(args, document, program, env, timeout)
    papers, trays, pages, name = [], [], [], None
    for line in run.stdout.decode("utf-8", "replace").splitlines():
        fields = line.split("\t")
        if fields[0] == "printer" and len(fields) == 2:
            name = fields[1]
        elif fields[0] == "paper" and len(fields) == 8:
            numbers = [float(f) for f in fields[2:]]
            papers.append(PlannedPaper(fields[1], numbers[0], numbers[1], tuple(numbers[2:])))
        elif fields[0] == "tray" and len(fields) == 2:
            trays.append(fields[1])
        elif fields[0] == "page" and len(fields) == 3:
            pages.append(Page(int(fields[1]), None, False, None, "skipped"))
        elif fields[0] == "page" and len(fields) == 9:
            pages.append(Page(int(fields[1]), None if fields[4] == "none" else fields[4], fields[5] == "turned",
                              Scale(float(fields[6]), float(fields[7])), fields[8]))
    return Plan(name, papers, trays, pages, _report(run))
