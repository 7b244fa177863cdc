#!/usr/bin/python3
"""Centre-line velocity profiles of the straight channel of bench/flow/peer.sh.

usage:
  profile.py engine <project-dir> <L> <W> <H> <ks>
  profile.py peer <case-dir> <H> <ks>
  profile.py compare <profile output> <reference profile output>

engine: the cell centres come from the 3-D VTK file of the project
(ParaView3U.vtk), the velocities from every result file (result.end and the
numbered result.NNNN of P 10), each of which names its outer iteration. A
numbered file is read once and then removed; its profile stays in
centre.<iteration>.
peer: the sampled profiles of postProcessing/centreline/<iteration>/.
Both take the streamwise velocity in the cell centres of the four cell columns
around the centre line x = L/2, y = W/2 and average them per cell layer.

Prints one line per profile, "profile <iteration> <change> <off>": the change
is the largest difference to the profile before it, off the largest difference
to the last profile, both over the largest velocity of the profile; then
"converged <iteration>", the first iteration from which every profile stays
within 0.1 % of the last one (the history runs go on until the profile no
longer changes by 1e-4 between two profiles); "settles <z> <z/H>", the height
whose velocity was the last to come within that limit; then the last
profile against the log law of a rough bed u = u*/0.4 ln(30 z/ks), u* fitted by
least squares between 10 % and 90 % of the depth:
  "loglaw <u*> <rms deviation> <largest deviation>" (deviations relative to the
  law), and "z <z> <u> <law>" per layer.
"""
import glob
import math
import os
import re
import sys

LIMIT = 1e-3


def fail(text):
    sys.stderr.write("profile.py: " + text + "\n")
    sys.exit(2)


def two_nearest(values, target):
    """The two distinct values nearest to target (cell centres either side)."""
    distinct = sorted(set(round(v, 6) for v in values))
    distinct.sort(key=lambda v: abs(v - target))
    return distinct[:2]


def vtk_cell_centres(name):
    """Centres (mean of the corner points) of the cells of an ASCII legacy VTK
    unstructured grid, in file order."""
    with open(name) as f:
        words = f.read().split()
    try:
        k = words.index("POINTS")
        n = int(words[k + 1])
        flat = list(map(float, words[k + 3:k + 3 + 3 * n]))
        pts = [flat[3 * i:3 * i + 3] for i in range(n)]
        k = words.index("CELLS")
        ncells = int(words[k + 1])
        k += 3
        centres = []
        for _ in range(ncells):
            m = int(words[k])
            ids = [int(w) for w in words[k + 1:k + 1 + m]]
            k += 1 + m
            centres.append(tuple(sum(pts[i][d] for i in ids) / m for d in range(3)))
    except (ValueError, IndexError):
        fail("cannot read the grid of " + name)
    return centres


def centre_cells(project, length, width):
    """Cell number (1-based, the order of the VTK cells) -> rounded z of its
    centre, for the cells of the four columns around the centre line; kept in
    centre.cells of the project after the first call."""
    cache = os.path.join(project, "centre.cells")
    if os.path.isfile(cache):
        with open(cache) as f:
            return {int(n): float(z) for n, z in (line.split() for line in f)}
    xyz = vtk_cell_centres(os.path.join(project, "ParaView3U.vtk"))
    if len(xyz) == 0:
        fail("no cells in " + project + "/ParaView3U.vtk")
    xs = two_nearest([p[0] for p in xyz], length / 2)
    ys = two_nearest([p[1] for p in xyz], width / 2)
    chosen = {}
    for c, (x, y, z) in enumerate(xyz):
        if round(x, 6) in xs and round(y, 6) in ys:
            chosen[c + 1] = round(z, 6)
    if len(chosen) == 0:
        fail("no cells on the centre line")
    with open(cache, "w") as f:
        for n, z in sorted(chosen.items()):
            f.write("%d %r\n" % (n, z))
    return chosen


def read_result(name, chosen):
    """(iteration, profile) of one result file, or None while it is incomplete."""
    iteration = None
    sums = {}
    cells = 0
    with open(name) as f:
        for line in f:
            if iteration is None:
                m = re.match(r"Results, iter = (\d+)", line)
                if m:
                    iteration = int(m.group(1))
                continue
            if not line.startswith("C "):
                continue
            parts = line.split()
            cells += 1
            n = int(parts[1])
            if n in chosen and len(parts) >= 3:
                s = sums.setdefault(chosen[n], [0.0, 0])
                s[0] += float(parts[2])
                s[1] += 1
    if iteration is None or sum(s[1] for s in sums.values()) != len(chosen):
        return None
    return iteration, [(z, s[0] / s[1]) for z, s in sorted(sums.items())]


def engine_profiles(project, length, width):
    """The profiles of result.end and of every numbered result file. A
    numbered file is read once: its profile goes to centre.<iteration> and the
    file itself (tens of megabytes on a large grid) is removed. The engine
    names a new file by the first free number, so a removed file's name comes
    back with a later iteration: the iteration, not the name, keys a profile.
    A file still being written is left for the next call unless the cells of
    the centre line are in it already."""
    chosen = centre_cells(project, length, width)
    profiles = []
    numbered = sorted(n for n in glob.glob(os.path.join(project, "result.[0-9]*")) if not n.endswith(".centre"))
    for name in numbered:
        got = read_result(name, chosen)
        if got is None:
            continue
        with open(os.path.join(project, "centre.%07d" % got[0]), "w") as f:
            f.write("%d\n" % got[0])
            for z, u in got[1]:
                f.write("%r %r\n" % (z, u))
        os.remove(name)
    for cache in glob.glob(os.path.join(project, "centre.[0-9]*")):
        with open(cache) as f:
            lines = f.read().split("\n")
        profiles.append((int(lines[0]), [tuple(map(float, l.split())) for l in lines[1:] if l.strip()]))
    end = os.path.join(project, "result.end")
    if os.path.isfile(end):
        got = read_result(end, chosen)
        if got is not None:
            profiles.append(got)
    return profiles


def peer_profiles(case):
    profiles = []
    for d in glob.glob(os.path.join(case, "postProcessing", "centreline", "*")):
        try:
            iteration = int(float(os.path.basename(d)))
        except ValueError:
            continue
        path = os.path.join(d, "midLengthCentreline_U.xy")
        if not os.path.isfile(path):
            continue
        sums = {}
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) < 6:
                    continue
                s = sums.setdefault(round(float(parts[2]), 6), [0.0, 0])
                s[0] += float(parts[3])
                s[1] += 1
        if sums:
            profiles.append((iteration, [(z, s[0] / s[1]) for z, s in sorted(sums.items())]))
    return profiles


def report(profiles, depth, ks):
    if not profiles:
        fail("no profiles found")
    profiles.sort()
    # Keep one profile per iteration (result.end repeats the last numbered file).
    unique = []
    for p in profiles:
        if unique and unique[-1][0] == p[0]:
            unique[-1] = p
        else:
            unique.append(p)
    def difference(prof, other):
        other = dict(other)
        top = max(abs(u) for _, u in prof) or 1.0
        return max(abs(u - other.get(z, 0.0)) for z, u in prof) / top

    last = unique[-1][1]
    offs = []
    for k, (iteration, prof) in enumerate(unique):
        change = difference(prof, unique[k - 1][1]) if k > 0 else float("inf")
        offs.append(difference(prof, last))
        print("profile %d %.3e %.3e" % (iteration, change, offs[-1]))
    converged = None
    for k in range(len(unique) - 1, -1, -1):
        if offs[k] > LIMIT:
            break
        converged = unique[k][0]
    print("converged %s" % ("none" if converged is None else converged))
    # The height whose velocity was the last to come within the limit.
    late = [k for k in range(len(unique)) if offs[k] > LIMIT]
    if late and converged is not None:
        prof = dict(unique[late[-1]][1])
        z = max(last, key=lambda zu: abs(prof.get(zu[0], 0.0) - zu[1]))[0]
        print("settles %.4f %.4f" % (z, z / depth))

    inside = [(z, u) for z, u in last if 0.1 * depth <= z <= 0.9 * depth]
    f = [math.log(30.0 * z / ks) / 0.4 for z, _ in inside]
    ustar = sum(fi * u for fi, (_, u) in zip(f, inside)) / sum(fi * fi for fi in f)
    dev = [(u - ustar * fi) / (ustar * fi) for fi, (_, u) in zip(f, inside)]
    rms = math.sqrt(sum(d * d for d in dev) / len(dev))
    print("loglaw %.5f %.4f %.4f" % (ustar, rms, max(abs(d) for d in dev)))
    for z, u in last:
        law = ustar / 0.4 * math.log(30.0 * z / ks) if z > ks / 30.0 else 0.0
        print("z %.4f %.5f %.5f" % (z, u, law))


def compare(name, reference):
    """Largest difference of the final profiles of two profile.py outputs,
    over the largest velocity of the reference."""
    def heights(n):
        with open(n) as f:
            return [tuple(map(float, l.split()[1:3])) for l in f if l.startswith("z ")]
    a, b = heights(name), dict(heights(reference))
    if not a or len(a) != len(b):
        fail("the profiles of %s and %s have different heights" % (name, reference))
    top = max(abs(u) for u in b.values()) or 1.0
    print("%.3e" % (max(abs(u - b.get(z, 0.0)) for z, u in a) / top))


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "compare":
        compare(sys.argv[2], sys.argv[3])
        return
    if len(sys.argv) == 7 and sys.argv[1] == "engine":
        length, width, depth, ks = map(float, sys.argv[3:7])
        report(engine_profiles(sys.argv[2], length, width), depth, ks)
    elif len(sys.argv) == 5 and sys.argv[1] == "peer":
        depth, ks = map(float, sys.argv[3:5])
        report(peer_profiles(sys.argv[2]), depth, ks)
    else:
        fail(__doc__.split("\n\n")[1])


if __name__ == "__main__":
    main()
