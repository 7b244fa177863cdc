#!/usr/bin/python3
"""Writes docs/control.md, the reference of the control file, from the
engine's own data-set rows: build/tovak_datasets prints them (letter,
number, values with types and defaults, accepted ranges, count, refusal
message and status), and the comments of the options in src/state/options_*.h
say what each one sets.

usage: scripts/control_doc.py [--check] [TOVAK_DATASETS]

TOVAK_DATASETS is the row printer (default: build/tovak_datasets). With
--check nothing is written: the status is 1 when docs/control.md differs from
what the rows give (the file has drifted from the engine), else 0.
"""
import glob
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOC = os.path.join(ROOT, "docs", "control.md")

GROUPS = [
    ("grid", "Grid", "the grid: its size, generation, blocks, grid lines and files"),
    ("flow", "Flow", "the water flow: discharges, boundaries, iterations, solvers and relaxation"),
    ("turbulence", "Turbulence", "the turbulence model and the wall laws"),
    ("surface", "Free surface", "the water surface: how and when it moves, the water levels"),
    ("sediment", "Sediment", "sediment sizes, inflow, transport formulas and the time loop"),
    ("bed", "Bed", "bed layers, bed change, roughness, slides"),
    ("output", "Output", "result files, plots, printing and logging"),
    ("threads", "Threads", "threads and the parallel work ranges"),
    ("other", "Other", "water quality, vegetation, groundwater and everything else"),
]

# Data sets whose group the words of their options do not tell.
FIXED = {
    "F 1": "output", "F 2": "flow", "F 206": "threads", "F 164": "threads", "F 188": "threads",
    "F 33": "sediment", "F 37": "sediment", "F 36": "surface", "F 24": "turbulence", "F 16": "bed",
    "F 64": "grid", "F 91": "surface", "F 329": "output", "F 314": "flow", "F 237": "flow",
    "T any": "output", "S any": "sediment", "N any": "sediment", "M any": "sediment", "I any": "sediment",
    "Q any": "other", "H any": "other", "L any": "output",
}

# Words of the option comments and names, in the order they are tried.
KEYWORDS = [
    ("other", r"comp|thermo|temperat|alga|quality|veget|oxygen|fish|habitat|ice\b|seiche|groundwater"),
    ("threads", r"thread|parallel|openmp|work range|mpi"),
    ("output", r"print|write|plot|output|file|log|vtk|tecplot|paraview|result"),
    ("turbulence", r"turbul|k-epsilon|epsilon|\beps|plus|eddy|wall|kinen|viscos|gamma|schmidt|stress diff|turb"),
    ("surface", r"surf|water level|waterlevel|tfs|backwater|weir|wet|dry"),
    ("sediment", r"sediment|conc|fall|size|suspend|fraction|cohes|dune|grain|shields|transport|morph"),
    ("bed", r"\bbed|slide|avalanch|scour|rough|layer|repose|erosion|\bks\b|bagger|dredg"),
    ("grid", r"grid|block|cell|koosurf|unstruc|level|point|vert dist|dist\b|nest|\bx\b|\by\b|\bz\b"),
    ("flow", r"iter|relax|discharge|inflow|outflow|pres|velocit|flow|solver|converg|coriolis|wind|density|"
             r"time step|hydrostatic|poros|crank|diff|continuity|froude|sou\b|scheme|interpol|input|limit"),
]

# What the data sets a new user meets first do, where the comments of their
# options do not say it.
DESCRIPTIONS = {
    "F 1": "debugging letter: D (also E, J) logs the sediment continuity and the balance table per size at every "
           "step, B the bed change of every column at the end",
    "F 2": "run letters, performed in order (up to 20): Y generates the grid from koosurf, W computes the steady "
           "flow, R reads the result file, S runs the sediment time loop, X ends with status 0; "
           "docs/architecture.md lists the others",
    "F 24": "turbulence model (0: k-epsilon, the default)",
    "F 33": "time step (s) of the time loop and the flow iterations in each step",
    "F 36": "method that moves the free surface: 0 the classic update (default); 4, 5, 6, 7, 9, 21, 50 surface "
            "equations and column balances; 1 and 11..19 the transient kinematic surface",
    "F 37": "sediment computation of letter S: 1, 2 (two-layer bed) or 3 (multi-layer bed); not with letter W",
    "F 64": "grid generation algorithm of letter Y",
    "F 91": "grid column (i, j) whose water level is the reference of the free surface",
    "F 164": "parallel relaxation: 0 the default; 31 Gauss-Seidel along the water columns, the same bits for any "
             "thread count",
    "F 206": "number of threads",
    "F 237": "discharge (m3/s) of a discharge group: F 237 <group> <discharge>",
    "F 314": "makes discharge groups of the ends of the grid: F 314 1 1 lets the water in over the whole west end "
             "(group 1) and out over the whole east end (group 2)",
    "F 329": "result files written at the end and with P 10: value 1 the result file, 6 the 3-D VTK file, 15 with "
             "6 the grid-line file koosurf.NNNN with the new levels",
    "F 453": "writes the profiles file of the sediment loop every N steps",
    "G 1": "array sizes: grid lines along i and along j plus 2, cell levels, and the number of sediment sizes",
    "G 24": "variables of the plot files: their count, then per variable its letter, level and size (z bed level, "
            "v water level, y depth, s bed change, c concentration, ...)",
    "K 3": "relaxation factors: the three velocities, the pressure correction, k and epsilon",
    "K 4": "solver sweeps in each iteration: the three velocities, the pressure correction, k and epsilon",
    "K 5": "block correction per equation (same order as K 3); 1 for the pressure correction: the line-sum block "
           "correction in every inner iteration",
    "S any": "a sediment size: S <size> <diameter (m)> <fall velocity (m/s)>",
    "N any": "fraction of a size in the bed sediment: N 0 <size> <fraction> for the whole bed",
    "M any": "inflow concentration of a size by volume: M <discharge group> <size> <concentration>",
    "T any": "title of the run: the rest of the line, at most 67 characters, written into the result files",
}

DATASET_REF = re.compile(r"\b([A-Z]) (\d+)\b")


def option_comments():
    """Data set -> list of (option names, comment text) from the option
    headers: the comment after a declaration names its data sets, before a
    colon what the options hold; a comment line of its own that starts with
    data sets and a colon describes them."""
    out = {}
    declaration = re.compile(r"\s*inline\s+(?:const\s+)?[\w:<>]+\s+(.*?);\s*//\s*(.*)$")
    for path in sorted(glob.glob(os.path.join(ROOT, "src", "state", "options*.h"))):
        with open(path) as f:
            for line in f:
                m = declaration.match(line)
                if m:
                    declarators = re.sub(r"\{[^}]*\}", "", m.group(1))
                    names = [re.match(r"\s*(\w+)", d).group(1) for d in declarators.split(",")
                             if re.match(r"\s*\w+", d)]
                    comment = m.group(2).strip()
                else:
                    m = re.match(r"\s*//\s*((?:[A-Z] \d+(?:,\s*|\s+and\s+)?)+):\s*(.+)$", line)
                    if not m:
                        continue
                    names, comment = [], m.group(1) + ": " + m.group(2).strip()
                head = comment.split(":", 1)
                text = head[1].strip() if len(head) == 2 else ""
                for letter, number in DATASET_REF.findall(head[0]):
                    out.setdefault("%s %s" % (letter, number), []).append((names, text))
    return out


def read_rows(tool):
    try:
        text = subprocess.run([tool], check=True, stdout=subprocess.PIPE, universal_newlines=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        sys.stderr.write("control_doc.py: cannot run %s (%s); build it with cmake --build build\n" % (tool, e))
        sys.exit(2)
    rows = []
    for line in text.splitlines():
        cols = line.split("\t")
        if len(cols) != 9:
            continue
        rows.append({
            "letter": cols[0], "number": cols[1], "values": cols[2].split() if cols[2] else [],
            "bounds": cols[3].split() if cols[3] else [], "required": int(cols[4]), "status": int(cols[5]),
            "message": cols[6], "countMessage": cols[7], "reader": cols[8] == "1",
        })
    return rows


def key_of(row):
    return "%s %s" % (row["letter"], row["number"])


def title_of(row):
    if row["number"] == "any":
        return "%s (any number)" % row["letter"]
    return key_of(row)


def group_of(row, options):
    key = key_of(row)
    if key in FIXED:
        return FIXED[key]
    if row["letter"] == "P":
        return "output"
    if row["letter"] == "K":
        return "flow"
    if row["letter"] == "W":
        return "surface"
    names = " ".join(" ".join(n) for n, _ in options.get(key, []))
    names = re.sub(r"([a-z])([A-Z])", r"\1 \2", names).replace("_", " ")
    words = (names + " " + " ".join(t for _, t in options.get(key, []))).lower()
    if row["letter"] == "G" and not words:
        return "grid"
    for group, pattern in KEYWORDS:
        if re.search(pattern, words):
            return group
    return "grid" if row["letter"] == "G" else "other"


def shown_message(text):
    text = text.replace("\\n", " ").replace("\\t", " ").strip()
    return re.sub(r"\s+", " ", text)


def exit_status(status):
    return 2 if status in (0, 1) else status


def bound_text(bound):
    index, lo, hi, flags = bound.split(":")
    absolute = "a" in flags
    v = "|value %s|" % index if absolute else "value %s" % index
    parts = []
    if lo != "*":
        parts.append("above %s" % lo if "o" in flags else "at least %s" % lo)
    if hi != "*":
        parts.append("below %s" % hi if "O" in flags else "at most %s" % hi)
    return "%s %s" % (v, " and ".join(parts) if parts else "any")


def entry(row, options):
    lines = ["### " + title_of(row), ""]
    sets = options.get(key_of(row), [])
    described = [t for _, t in sets if t]
    names = ", ".join("`%s`" % n for n in dict.fromkeys(n for ns, _ in sets for n in ns))
    if key_of(row) in DESCRIPTIONS:
        lines.append("- Does: %s." % DESCRIPTIONS[key_of(row)])
    elif described:
        what = "; ".join(dict.fromkeys(described))
        lines.append("- Does: %s." % what.rstrip("."))
    elif names:
        lines.append("- Does: sets %s." % names)
    else:
        lines.append("- Does: read by its own rule (records, strings or lists; see the message of a refusal).")
    if names and (described or key_of(row) in DESCRIPTIONS):
        lines.append("- Sets: %s." % names)
    if row["values"]:
        shown = []
        for k, v in enumerate(row["values"], 1):
            kind, default = v.split("=", 1)
            shown.append("%d: %s, default %s" % (k, kind, default))
        lines.append("- Values: " + "; ".join(shown) + ".")
    elif row["reader"]:
        lines.append("- Values: read by the data set's own rule.")
    if row["bounds"]:
        lines.append("- Accepted: " + "; ".join(bound_text(b) for b in row["bounds"]) + ".")
    if row["required"] >= 0:
        lines.append("- Count: exactly %d value%s." % (row["required"], "" if row["required"] == 1 else "s"))
    message = shown_message(row["message"]) if row["message"] else (
        "Error for %s in control" % key_of(row) if row["number"] != "any" else "")
    if message:
        lines.append("- Refused with: \"%s\", exit status %d." % (message, exit_status(row["status"])))
    if row["countMessage"]:
        lines.append("- Wrong count: \"%s\"." % shown_message(row["countMessage"]).replace("%d", "N"))
    lines.append("")
    return lines


def render(rows):
    options = option_comments()
    out = [
        "# The control file",
        "",
        "Generated by `scripts/control_doc.py` from the data-set rows of the engine's",
        "control-file reader (src/io/datasets_*.cpp, printed by `build/tovak_datasets`)",
        "and the comments of the options they set (src/state/options_*.h); do not edit",
        "by hand: run `scripts/control_doc.py` after changing a row.",
        "",
        "Each line of `control` is one data set: a letter, a number (for F, G, K, W,",
        "P) and its values, separated by blanks. A data set that is not given keeps",
        "the default below. A value outside its accepted range, or a data set with",
        "the wrong count of values, ends the run before anything is computed, with",
        "the message below as the last line of `boogie`; the exit status of a",
        "refusal is never 0 or 1 (the statuses of a normal end and of letter X).",
        "Values are numbered from 1 in reading order.",
        "",
    ]
    grouped = {g: [] for g, _, _ in GROUPS}
    for row in rows:
        grouped[group_of(row, options)].append(row)
    out.append("Groups: " + ", ".join("[%s](#%s)" % (t, t.lower().replace(" ", "-")) for _, t, _ in GROUPS) + ".")
    out.append("")
    for g, title, about in GROUPS:
        out += ["## " + title, "", "Data sets of %s (%d)." % (about, len(grouped[g])), ""]
        for row in grouped[g]:
            out += entry(row, options)
    return "\n".join(out).rstrip() + "\n"


def main(argv):
    check = "--check" in argv
    rest = [a for a in argv if a != "--check"]
    tool = rest[0] if rest else os.path.join(ROOT, "build", "tovak_datasets")
    text = render(read_rows(tool))
    if check:
        with open(DOC) as f:
            current = f.read()
        if current != text:
            sys.stderr.write("control_doc.py: docs/control.md differs from the data-set rows: run scripts/control_doc.py\n")
            return 1
        return 0
    with open(DOC, "w") as f:
        f.write(text)
    print(DOC)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
