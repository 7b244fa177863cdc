#!/usr/bin/python3
"""Plots of the series and profiles a TOVAK run writes, with matplotlib
(Debian: python3-matplotlib); no display needed.

usage:
  (the options may stand before or after the directory or file)
  scripts/plot_series.py timeo <project-dir> [--labels A,B,...] [--out PNG]
      The time series of `timeo` (one line per written step: the time in
      seconds, then the values the O records of `timei` ask for): one curve
      per column against the time (in hours when the run is longer than two
      hours). --labels names the columns in their order; else "column 1",
      "column 2", ... Lines that start with a word (the "Cont:" lines of the
      f entry) are left out.
  scripts/plot_series.py profile <project-dir> [--field FIELD] [--out PNG]
      A longitudinal profile along the middle of the grid from every 3-D VTK
      file of the project (the numbered paru3_NNNNN.vtk of P 10 and
      ParaView3U.vtk), one curve per file, labelled with its time. FIELD:
      bed (the default; G 24 entry z 1 0), bedchange (s 1 0), level (the
      water level, v 1 0, drawn over the bed when the file holds it), depth
      (y 1 0), or concN, the concentration of size N (c 1 N) in the bottom
      cells.
  scripts/plot_series.py cross <ParaCross or parc VTK file> [--field ARRAY] [--out PNG]
      A cross-section file of the engine (F 329 with the cross-section lines
      it names): the cells of the section coloured by one of its scalar
      arrays (the first one unless named), or by the velocity across the
      section.
  scripts/plot_series.py profiles <project-dir> [--out PNG]
      The `profiles` file of the sediment loop (its lines: the distance
      along the middle of block 1, the mass defect, the flux defect and the
      time change of the column in kg, the bed mass change in kg, the bed
      change of size 1 and the bed move of the step in m): the bed change
      and the bed move along the channel.

Each prints the path of the picture it writes (by default into the project
directory: timeo.png, profile_<field>.png, the cross file's name with .png,
profiles.png). Status 2 with a message when the input is missing or
unreadable.
"""
import glob
import os
import re
import sys

USAGE = __doc__[__doc__.index("usage:"):__doc__.index("Each prints")].rstrip()


def fail(message):
    sys.stderr.write("plot_series.py: " + message + "\n")
    sys.exit(2)


# The field names and the module check are render.py's.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import render  # noqa: E402


def pyplot():
    matplotlib = render.ensure_module("matplotlib", "matplotlib is missing (Debian: apt-get install python3-matplotlib)",
                                      fail)
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    return plt


def is_number(text):
    try:
        float(text)
        return True
    except ValueError:
        return False


# ---- timeo ----

def read_timeo(path):
    """(times, rows): the numeric lines of a timeo file; each row the values
    after the time."""
    times, rows = [], []
    with open(path) as f:
        for line in f:
            words = line.split()
            if not words or not is_number(words[0]):
                continue
            times.append(float(words[0]))
            rows.append([float(w) for w in words[1:] if is_number(w)])
    return times, rows


def plot_timeo(project, labels, out):
    path = os.path.join(project, "timeo")
    if not os.path.isfile(path):
        fail("no timeo file in %s: a timei file with an O record makes the engine write it" % project)
    times, rows = read_timeo(path)
    if not times:
        fail(path + " holds no line of numbers")
    columns = max(len(r) for r in rows)
    if columns == 0:
        fail(path + " holds times only")
    names = labels + ["column %d" % (k + 1) for k in range(len(labels), columns)]
    hours = times[-1] - times[0] > 7200.0
    t = [x / 3600.0 if hours else x for x in times]
    plt = pyplot()
    fig, axes = plt.subplots(columns, 1, figsize=(10, 2.2 * columns + 0.8), sharex=True, squeeze=False)
    for k in range(columns):
        ax = axes[k][0]
        xs = [t[n] for n, r in enumerate(rows) if len(r) > k]
        ys = [r[k] for r in rows if len(r) > k]
        ax.plot(xs, ys, color="C%d" % (k % 10))
        ax.set_ylabel(names[k])
        ax.grid(True, alpha=0.3)
    axes[-1][0].set_xlabel("time (h)" if hours else "time (s)")
    fig.suptitle("%s: timeo" % os.path.basename(os.path.abspath(project)))
    fig.tight_layout()
    out = out or os.path.join(project, "timeo.png")
    fig.savefig(out, dpi=90)
    return out


# ---- legacy VTK files of the engine ----

def read_vtk(path):
    """Points, polygons or hexahedra, point and cell arrays of an ASCII legacy
    VTK file as the engine writes it: a dict with 'title', 'points' (list of
    (x, y, z)), 'cells' (lists of point indices), 'point' and 'cell' (name ->
    list of values; vectors as tuples)."""
    with open(path) as f:
        lines = f.read().split("\n")
    if len(lines) < 4 or not lines[0].startswith("# vtk"):
        fail(path + " is no legacy VTK file")
    out = {"title": lines[1].strip(), "points": [], "cells": [], "point": {}, "cell": {}}
    tokens = " ".join(lines[2:]).split()
    k, where = 0, None

    def take(n):
        nonlocal k
        if k + n > len(tokens):
            fail(path + " ends early")
        part = tokens[k:k + n]
        k += n
        return part

    while k < len(tokens):
        word = tokens[k]
        k += 1
        if word == "POINTS":
            n = int(take(2)[0])
            v = [float(x) for x in take(3 * n)]
            out["points"] = [tuple(v[3 * i:3 * i + 3]) for i in range(n)]
        elif word in ("CELLS", "POLYGONS"):
            n = int(take(2)[0])
            for _ in range(n):
                m = int(take(1)[0])
                out["cells"].append([int(x) for x in take(m)])
        elif word == "CELL_TYPES":
            take(int(take(1)[0]))
        elif word == "POINT_DATA":
            take(1)
            where = "point"
        elif word == "CELL_DATA":
            take(1)
            where = "cell"
        elif word in ("SCALARS", "VECTORS"):
            name = take(2)[0]
            if word == "SCALARS" and k < len(tokens) and tokens[k] == "LOOKUP_TABLE":
                take(2)
            count = len(out["points"]) if where == "point" else len(out["cells"])
            if word == "SCALARS":
                out[where or "point"][name] = [float(x) for x in take(count)]
            else:
                v = [float(x) for x in take(3 * count)]
                out[where or "point"][name] = [tuple(v[3 * i:3 * i + 3]) for i in range(count)]
    return out


def vtk_time(data):
    match = re.search(r"(\S+) seconds\s*$", data["title"])
    try:
        return float(match.group(1)) if match else None
    except ValueError:
        return None


def time_label(seconds, hours=None):
    """The time in hours (for a series that runs beyond two hours, or for
    one time beyond two hours) or in seconds."""
    if seconds is None:
        return "?"
    if hours if hours is not None else seconds >= 7200.0:
        return "%.3g h" % (seconds / 3600.0)
    return "%.4g s" % seconds


def profile_field(field):
    """(VTK array, label, G 24 entry) of a field: the fields of render.py."""
    entry = render.field_arrays(field) if field != "velocity" else None
    if entry is None:
        fail("unknown field '%s': one of bed, bedchange, level, depth, conc1, conc2, ..." % field)
    return entry


def centre_line(points):
    """Indices of the lowest point of every grid column along the middle of
    the grid: the points are grouped by their distance along the longer
    horizontal side, and of each group the column nearest to the group's
    middle across is taken. Returns (along, indices) sorted along."""
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    along_x = (max(xs) - min(xs)) >= (max(ys) - min(ys))
    a, c = (0, 1) if along_x else (1, 0)
    groups = {}
    for n, p in enumerate(points):
        groups.setdefault(round(p[a], 3), []).append(n)
    line = []
    for key in sorted(groups):
        members = groups[key]
        across = sorted(points[n][c] for n in members)
        middle = 0.5 * (across[0] + across[-1])
        best = min(abs(points[n][c] - middle) for n in members)
        column = [n for n in members if abs(abs(points[n][c] - middle) - best) < 1e-6]
        line.append((key, min(column, key=lambda n: points[n][2])))
    return [k for k, _ in line], [n for _, n in line], "x" if along_x else "y"


def vtk_series(project):
    names = sorted(glob.glob(os.path.join(project, "paru3_*.vtk")))
    single = os.path.join(project, "ParaView3U.vtk")
    if os.path.isfile(single):
        names.append(single)
    return names


def plot_profile(project, field, out):
    array, label, entry = profile_field(field)
    names = vtk_series(project)
    if not names:
        fail("no 3-D VTK file (paru3_*.vtk or ParaView3U.vtk) in %s: set the sixth integer of F 329 to 1 "
             "(P 10 N writes one every N steps)" % project)
    series = []
    for name in names:
        data = read_vtk(name)
        if array not in data["point"]:
            fail("%s holds no %s: add the entry '%s' to the G 24 data set of the control file" % (name, array, entry))
        series.append((vtk_time(data), name, data))
    series.sort(key=lambda s: (s[0] is None, s[0] or 0.0, s[1]))
    plt = pyplot()
    # The water level changes by centimetres over a bed that falls by more:
    # it gets a picture of its own above the one with the bed to scale.
    with_bed = field == "level" and all("Bed_level" in d["point"] for _, _, d in series)
    if with_bed:
        fig, (ax, whole) = plt.subplots(2, 1, figsize=(10, 7), sharex=True, gridspec_kw={"height_ratios": [3, 2]})
    else:
        fig, ax = plt.subplots(figsize=(10, 4.5))
    colours = plt.get_cmap("viridis")
    hours = max((t for t, _, _ in series if t is not None), default=0.0) > 7200.0
    # The files of a steady run all hold time 0: they are told apart by name.
    by_name = len(set(t for t, _, _ in series)) < len(series)
    axis = "x"
    for k, (t, name, data) in enumerate(series):
        along, line, axis = centre_line(data["points"])
        values = [data["point"][array][n] for n in line]
        colour = colours(k / max(len(series) - 1, 1))
        label_k = os.path.basename(name) if by_name else time_label(t, hours)
        ax.plot(along, values, color=colour, label=label_k)
        if with_bed and k == len(series) - 1:
            whole.plot(along, values, color=colour, label="water level, " + label_k)
            whole.plot(along, [data["point"]["Bed_level"][n] for n in line], color="saddlebrown", label="bed")
            whole.set_ylabel("level (m)")
            whole.grid(True, alpha=0.3)
            whole.legend(fontsize=8)
            whole.set_xlabel("%s (m)" % axis)
    ax.set_xlabel("%s (m)" % axis)
    ax.set_ylabel(label)
    ax.grid(True, alpha=0.3)
    ax.legend(fontsize=8, ncol=2 if len(series) > 6 else 1)
    ax.set_title("%s: %s along the middle of the grid" % (os.path.basename(os.path.abspath(project)), label))
    fig.tight_layout()
    out = out or os.path.join(project, "profile_%s.png" % field)
    fig.savefig(out, dpi=90)
    return out


def plot_cross(path, field, out):
    if not os.path.isfile(path):
        fail("no file " + path)
    data = read_vtk(path)
    if not data["cells"]:
        fail(path + " holds no cells")
    arrays = dict(data["cell"])
    if field is None:
        scalars = [n for n, v in arrays.items() if v and not isinstance(v[0], tuple)]
        field = scalars[0] if scalars else "Velocity"
    if field not in arrays:
        fail("%s holds no array %s (it holds: %s)" % (path, field, ", ".join(arrays)))
    values = arrays[field]
    if values and isinstance(values[0], tuple):
        values = [v[2] if len(v) > 2 else 0.0 for v in values]  # the velocity across the section
        field = "velocity across the section (m/s)"
    plt = pyplot()
    from matplotlib.collections import PolyCollection

    polys = [[(data["points"][n][0], data["points"][n][2]) for n in cell] for cell in data["cells"]]
    fig, ax = plt.subplots(figsize=(10, 4))
    coll = PolyCollection(polys, array=values, cmap="viridis", edgecolors="face")
    ax.add_collection(coll)
    ax.autoscale_view()
    fig.colorbar(coll, ax=ax, label=field)
    ax.set_xlabel("distance along the section (m)")
    ax.set_ylabel("level (m)")
    ax.set_title("%s, %s" % (os.path.basename(path), time_label(vtk_time(data))))
    fig.tight_layout()
    out = out or os.path.splitext(path)[0] + ".png"
    fig.savefig(out, dpi=90)
    return out


def plot_profiles_file(project, out):
    path = os.path.join(project, "profiles")
    if not os.path.isfile(path):
        fail("no profiles file in %s (the sediment loop writes it every N steps with F 453 N)" % project)
    rows, time = [], None
    with open(path) as f:
        for line in f:
            match = re.search(r"time = (\S+) sec", line)
            if match:
                time = float(match.group(1))
            words = line.split()
            if len(words) == 7 and all(is_number(w) for w in words):
                rows.append([float(w) for w in words])
    if not rows:
        fail(path + " holds no profile line")
    plt = pyplot()
    fig, ax = plt.subplots(figsize=(10, 4))
    x = [r[0] for r in rows]
    ax.plot(x, [r[5] for r in rows], label="bed change of size 1 (m)")
    ax.plot(x, [r[6] for r in rows], label="bed move of the step (m)")
    ax.set_xlabel("distance along the middle of block 1 (m)")
    ax.grid(True, alpha=0.3)
    ax.legend()
    ax.set_title("%s: profiles at %s" % (os.path.basename(os.path.abspath(project)), time_label(time)))
    fig.tight_layout()
    out = out or os.path.join(project, "profiles.png")
    fig.savefig(out, dpi=90)
    return out


def main(argv):
    if not argv or argv[0] not in ("timeo", "profile", "cross", "profiles"):
        fail(USAGE)
    kind = argv[0]
    options = {"--labels": None, "--out": None, "--field": None}
    targets = []
    k = 1
    while k < len(argv):
        if argv[k] in options:
            if k + 1 >= len(argv):
                fail(USAGE)
            options[argv[k]] = argv[k + 1]
            k += 2
            continue
        if argv[k].startswith("--"):
            fail(USAGE)
        targets.append(argv[k])
        k += 1
    if len(targets) != 1:
        fail(USAGE)
    target, out = targets[0], options["--out"]
    if kind != "cross" and not os.path.isdir(target):
        fail("no project directory " + target)
    if kind == "timeo":
        labels = [s.strip() for s in options["--labels"].split(",")] if options["--labels"] else []
        written = plot_timeo(target, labels, out)
    elif kind == "profile":
        written = plot_profile(target, options["--field"] or "bed", out)
    elif kind == "cross":
        written = plot_cross(target, options["--field"], out)
    else:
        written = plot_profiles_file(target, out)
    print(written)


if __name__ == "__main__":
    main(sys.argv[1:])
