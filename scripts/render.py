#!/usr/bin/python3
"""Pictures of a TOVAK result: a field (the velocity magnitude unless asked
otherwise) on a longitudinal section and in plan view, rendered off-screen
with VTK from the engine's 3-D VTK file.

usage: scripts/render.py [--field FIELD] [--file VTK-FILE] <project-dir> [out-dir]

Reads the newest 3-D VTK file of the project directory (ParaView3U.vtk, or the
numbered paru3_NNNNN.vtk of a run that numbers its output; the sixth integer
of F 329 set to 1 writes it), or the one --file names, and writes into out-dir
(default: the project directory)

  <field>_section.png   the vertical section along the middle of the longer
                        horizontal side of the grid, vertically exaggerated
  <field>_plan.png      the grid seen from above (the water surface or lid)

then prints the paths of the two pictures. Both share one colour scale, from
the least to the largest value of the field in the whole grid.

FIELD is one of (the G 24 entry of the control file that writes it into the
VTK file in brackets):

  velocity   velocity magnitude (always in the file)
  bed        bed level (z 1 0)
  bedchange  bed change since the start of the sediment run (s 1 0)
  depth      water depth (y 1 0)
  level      water level (v 1 0)
  concN      suspended concentration of size N, e.g. conc1 (c 1 N)

The grid-line fields (bed, bedchange, depth, level) are the same at every
level of a column: the section shows them down the whole water column.

Needs VTK's Python module of the system interpreter (Debian: python3-vtk9).
That build of VTK renders through X only: without a display the script starts
a virtual X server of its own (Xvfb, Debian: xvfb) for the time it renders.
"""
import atexit
import glob
import math
import os
import re
import shutil
import subprocess
import sys

USAGE = "usage: scripts/render.py [--field FIELD] [--file VTK-FILE] <project-dir> [out-dir]"

# Field name -> (VTK array, colour-bar label, G 24 entry that writes it).
FIELDS = {
    "velocity": ("Velocity", "velocity magnitude (m/s)", None),
    "bed": ("Bed_level", "bed level (m)", "z 1 0"),
    "bedchange": ("Bed_movement", "bed change since the start (m)", "s 1 0"),
    "depth": ("Depth", "water depth (m)", "y 1 0"),
    "level": ("Water_level", "water level (m)", "v 1 0"),
}


def field_arrays(field):
    """(array name, label, G 24 entry) of a field name, or None."""
    if field in FIELDS:
        return FIELDS[field]
    match = re.fullmatch(r"conc([1-9][0-9]?)", field)
    if match:
        n = match.group(1)
        return ("Sediment_conc_size_" + n, "concentration of size %s (volume fraction)" % n, "c 1 " + n)
    return None


def parse_arguments(argv):
    """(field, file or None, project, out) from the command line; ends with
    the usage and status 2 on anything else."""
    field, chosen, rest = "velocity", None, []
    k = 0
    while k < len(argv):
        a = argv[k]
        if a in ("--field", "--file"):
            if k + 1 >= len(argv):
                fail(USAGE)
            if a == "--field":
                field = argv[k + 1]
            else:
                chosen = argv[k + 1]
            k += 2
            continue
        if a.startswith("--field="):
            field = a[len("--field="):]
        elif a.startswith("--file="):
            chosen = a[len("--file="):]
        elif a.startswith("--"):
            fail(USAGE)
        else:
            rest.append(a)
        k += 1
    if len(rest) not in (1, 2):
        fail(USAGE)
    if field_arrays(field) is None:
        fail("unknown field '%s': one of velocity, bed, bedchange, depth, level, conc1, conc2, ..." % field)
    return field, chosen, rest[0], (rest[1] if len(rest) == 2 else rest[0])


# Width of every picture in pixels; heights follow from the data.
WIDTH = 1400
# Height of the drawing at most: a grid longer across the screen than up it
# fills the width, any other fits this height.
MAX_DATA_HEIGHT = 900
# Space for the two title lines above the data and the colour bar below it.
TOP, BOTTOM, SIDE = 80, 110, 40
# The colour bar runs from here to the right margin, its label left of it.
BAR_LEFT = 420

# The perceptually uniform "viridis" colours at 0, 1/8, ..., 1.
VIRIDIS = [
    (0.267, 0.005, 0.329),
    (0.283, 0.141, 0.458),
    (0.254, 0.265, 0.530),
    (0.207, 0.372, 0.553),
    (0.164, 0.471, 0.558),
    (0.128, 0.567, 0.551),
    (0.135, 0.659, 0.518),
    (0.267, 0.749, 0.441),
    (0.478, 0.821, 0.318),
    (0.741, 0.873, 0.150),
    (0.993, 0.906, 0.144),
]


def fail(message, status=2):
    sys.stderr.write("render.py: " + message + "\n")
    sys.exit(status)


def ensure_module(name, missing, stop=None):
    """Imports a module; when this interpreter has none, runs the script (the
    one started, sys.argv[0]) again under the system interpreter, and where
    that one lacks it too ends with the message `missing` (through `stop`,
    by default this script's fail)."""
    import importlib

    try:
        return importlib.import_module(name)
    except ImportError:
        system = "/usr/bin/python3"
        if os.path.exists(system) and os.path.realpath(sys.executable) != os.path.realpath(system):
            os.execv(system, [system, os.path.abspath(sys.argv[0])] + sys.argv[1:])
        (stop or fail)(missing)


def ensure_vtk():
    ensure_module("vtk", "VTK's Python module is missing (Debian: apt-get install python3-vtk9)")


def ensure_display():
    """Without a display, starts a virtual X server of our own on the first
    free display number (Xvfb picks it and tells us) and stops it at exit."""
    if os.environ.get("DISPLAY"):
        return
    xvfb = shutil.which("Xvfb")
    if not xvfb:
        fail("no display to render on: install xvfb (Debian: apt-get install xvfb) or set DISPLAY")
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        [xvfb, "-displayfd", str(write_end), "-screen", "0", "1600x1200x24", "-nolisten", "tcp"],
        pass_fds=(write_end,),
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL,
    )
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as answer:
        while not number.endswith(b"\n"):
            chunk = answer.read(1)
            if not chunk:
                break
            number += chunk
    if not number.strip().isdigit():
        server.kill()
        server.wait()
        fail("the virtual X server (Xvfb) did not start")
    os.environ["DISPLAY"] = ":" + number.strip().decode()

    def stop():
        server.terminate()
        try:
            server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()

    atexit.register(stop)


def find_result(project):
    """The newest 3-D VTK file of the project directory, or None."""
    names = glob.glob(os.path.join(project, "paru3_*.vtk"))
    single = os.path.join(project, "ParaView3U.vtk")
    if os.path.isfile(single):
        names.append(single)
    if not names:
        return None
    # Newest first; among files of one time the highest counter.
    return max(names, key=lambda n: (os.path.getmtime(n), os.path.basename(n)))


def nice_factor(ratio):
    """The least of 1, 2, 5, 10, 20, 50, ... that is at least ratio."""
    if ratio <= 1:
        return 1
    decade = 10 ** int(math.floor(math.log10(ratio)))
    for step in (1, 2, 5):
        if step * decade >= ratio:
            return step * decade
    return 10 * decade


def describe_run(header):
    """The run title and time of the VTK file's second line ("TOVAK 2 <title>
    <time> seconds"): the title alone at time 0, else with its time."""
    match = re.match(r"\s*TOVAK \d+\s*(.*?)\s*(\S+) seconds\s*$", header)
    if not match:
        return header.strip()
    title, time = match.group(1), match.group(2)
    try:
        if float(time) == 0.0:
            return title
    except ValueError:
        pass
    return "%s, at %s s" % (title, time)


def lookup_table(low, high):
    import vtk

    colours = vtk.vtkColorTransferFunction()
    for k, rgb in enumerate(VIRIDIS):
        colours.AddRGBPoint(k / (len(VIRIDIS) - 1), *rgb)
    table = vtk.vtkLookupTable()
    table.SetNumberOfTableValues(256)
    for k in range(256):
        table.SetTableValue(k, *colours.GetColor(k / 255.0), 1.0)
    table.SetTableRange(low, high)
    table.Build()
    return table


def coloured_actor(data, table, low, high):
    import vtk

    mapper = vtk.vtkDataSetMapper()
    mapper.SetInputData(data)
    mapper.SetScalarModeToUsePointFieldData()
    mapper.SelectColorArray("shown")
    mapper.SetLookupTable(table)
    mapper.SetScalarRange(low, high)
    mapper.UseLookupTableScalarRangeOn()
    mapper.InterpolateScalarsBeforeMappingOn()
    mapper.ScalarVisibilityOn()
    actor = vtk.vtkActor()
    actor.SetMapper(mapper)
    # Flat colours: what the picture shows is the colour scale, not shading.
    actor.GetProperty().SetAmbient(1.0)
    actor.GetProperty().SetDiffuse(0.0)
    actor.GetProperty().SetSpecular(0.0)
    return actor


def outline_actor(poly):
    """The boundary edges of a surface, in dark grey."""
    import vtk

    edges = vtk.vtkFeatureEdges()
    edges.SetInputData(poly)
    edges.BoundaryEdgesOn()
    edges.FeatureEdgesOff()
    edges.ManifoldEdgesOff()
    edges.NonManifoldEdgesOff()
    edges.ColoringOff()
    mapper = vtk.vtkPolyDataMapper()
    mapper.SetInputConnection(edges.GetOutputPort())
    mapper.ScalarVisibilityOff()
    actor = vtk.vtkActor()
    actor.SetMapper(mapper)
    actor.GetProperty().SetColor(0.25, 0.25, 0.25)
    actor.GetProperty().SetLineWidth(1.5)
    actor.GetProperty().SetAmbient(1.0)
    actor.GetProperty().SetDiffuse(0.0)
    return actor


def text_actor(text, size, top_offset):
    import vtk

    actor = vtk.vtkTextActor()
    actor.SetInput(text)
    prop = actor.GetTextProperty()
    prop.SetFontSize(size)
    prop.SetColor(0.0, 0.0, 0.0)
    prop.SetFontFamilyToArial()
    actor.SetDisplayPosition(SIDE, top_offset)
    return actor


def save(actors, camera_setup, extent_right, extent_up, title, subtitle, table, path, bar_label):
    """Renders the actors with a parallel camera so that the data, extent_right
    by extent_up world units across and up the screen, fills the width (or
    MAX_DATA_HEIGHT) between the titles and the colour bar, centred, and
    writes the PNG."""
    import vtk

    per_pixel = max(extent_right / (WIDTH - 2 * SIDE), extent_up / MAX_DATA_HEIGHT)
    data_height = max(int(round(extent_up / per_pixel)), 40)
    height = data_height + TOP + BOTTOM

    renderer = vtk.vtkRenderer()
    renderer.SetBackground(1.0, 1.0, 1.0)
    for a in actors:
        renderer.AddActor(a)
    camera = renderer.GetActiveCamera()
    camera.ParallelProjectionOn()
    camera_setup(camera, per_pixel * (height / 2.0 - BOTTOM - data_height / 2.0))
    camera.SetParallelScale(per_pixel * height / 2.0)
    renderer.ResetCameraClippingRange()

    renderer.AddActor2D(text_actor(title, 20, height - 32))
    renderer.AddActor2D(text_actor(subtitle, 15, height - 60))

    bar = vtk.vtkScalarBarActor()
    bar.SetLookupTable(table)
    bar.SetOrientationToHorizontal()
    bar.SetNumberOfLabels(5)
    bar.SetLabelFormat("%.3g")
    bar.UnconstrainedFontSizeOn()
    bar.SetTextPositionToPrecedeScalarBar()
    label = bar.GetLabelTextProperty()
    label.SetColor(0.0, 0.0, 0.0)
    label.SetFontSize(15)
    label.ItalicOff()
    label.BoldOff()
    label.ShadowOff()
    bar.GetPositionCoordinate().SetCoordinateSystemToDisplay()
    bar.GetPositionCoordinate().SetValue(BAR_LEFT, 10)
    bar.GetPosition2Coordinate().SetCoordinateSystemToDisplay()
    bar.GetPosition2Coordinate().SetValue(WIDTH - SIDE - BAR_LEFT, BOTTOM - 40)
    renderer.AddActor2D(text_actor(bar_label, 16, 45))
    renderer.AddActor2D(bar)

    window = vtk.vtkRenderWindow()
    window.SetOffScreenRendering(1)
    window.SetMultiSamples(0)
    window.AddRenderer(renderer)
    window.SetSize(WIDTH, height)
    window.Render()
    grab = vtk.vtkWindowToImageFilter()
    grab.SetInput(window)
    grab.SetInputBufferTypeToRGB()
    grab.ReadFrontBufferOff()
    grab.Update()
    writer = vtk.vtkPNGWriter()
    writer.SetFileName(path)
    writer.SetInputConnection(grab.GetOutputPort())
    writer.Write()
    window.Finalize()


def main():
    field, chosen, project, out = parse_arguments(sys.argv[1:])
    array, label, entry = field_arrays(field)
    if not os.path.isdir(project):
        fail("no project directory " + project)
    if chosen is not None:
        result = chosen if os.path.isabs(chosen) or os.path.isfile(chosen) else os.path.join(project, chosen)
        if not os.path.isfile(result):
            fail("no file " + chosen)
    else:
        result = find_result(project)
    if result is None:
        fail(
            "no 3-D VTK file (ParaView3U.vtk or paru3_*.vtk) in " + project +
            ": set the sixth integer of F 329 in the control file to 1 and run the engine"
        )
    ensure_vtk()
    ensure_display()
    import vtk

    vtk.vtkObject.GlobalWarningDisplayOff()
    reader = vtk.vtkUnstructuredGridReader()
    reader.SetFileName(result)
    reader.ReadAllVectorsOn()
    reader.ReadAllScalarsOn()
    reader.Update()
    grid = reader.GetOutput()
    if grid.GetNumberOfCells() < 1 or grid.GetPointData().GetArray("Velocity") is None:
        fail(result + " holds no cells with velocities")
    run_title = describe_run(reader.GetHeader() or "")

    if field == "velocity":
        speed = vtk.vtkArrayCalculator()
        speed.SetInputData(grid)
        speed.SetAttributeTypeToPointData()
        speed.AddVectorArrayName("Velocity")
        speed.SetFunction("mag(Velocity)")
        speed.SetResultArrayName("shown")
        speed.Update()
        grid = speed.GetOutput()
    else:
        source = grid.GetPointData().GetArray(array)
        if source is None:
            fail("%s holds no %s (%s): add the entry '%s' to the G 24 data set of the control file and run the engine"
                 % (result, label, array, entry))
        shown = vtk.vtkDoubleArray()
        shown.DeepCopy(source)
        shown.SetName("shown")
        grid.GetPointData().AddArray(shown)
    low, high = grid.GetPointData().GetArray("shown").GetRange()
    if high <= low:
        high = low + 1e-6
    table = lookup_table(low, high)
    what = label[:label.rfind(" (")] if label.endswith(")") else label

    x0, x1, y0, y1, z0, z1 = grid.GetBounds()
    along_x = (x1 - x0) >= (y1 - y0)
    length = (x1 - x0) if along_x else (y1 - y0)
    depth = max(z1 - z0, 1e-9)
    centre = ((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2)
    name = os.path.basename(os.path.normpath(os.path.abspath(project)))
    os.makedirs(out, exist_ok=True)
    written = []

    # Longitudinal section through the middle of the grid, the vertical
    # exaggerated so that the depth shows as about an eighth of the length.
    plane = vtk.vtkPlane()
    plane.SetOrigin(*centre)
    plane.SetNormal(*((0, 1, 0) if along_x else (1, 0, 0)))
    cutter = vtk.vtkCutter()
    cutter.SetInputData(grid)
    cutter.SetCutFunction(plane)
    cutter.GenerateTrianglesOff()
    clean = vtk.vtkCleanPolyData()
    clean.SetInputConnection(cutter.GetOutputPort())
    clean.Update()
    section = clean.GetOutput()
    if section.GetNumberOfCells() < 1:
        fail("the section through the middle of the grid cuts no cell")
    scale = nice_factor(length / 8.0 / depth)
    actors = [coloured_actor(section, table, low, high), outline_actor(section)]
    for a in actors:
        a.SetOrigin(*centre)
        a.SetScale(1, 1, scale)

    def section_camera(camera, shift_up):
        focal = (centre[0], centre[1], centre[2] + shift_up)
        camera.SetFocalPoint(*focal)
        # Looking so that the flow direction runs to the right.
        if along_x:
            camera.SetPosition(focal[0], focal[1] - 10 * length, focal[2])
        else:
            camera.SetPosition(focal[0] + 10 * length, focal[1], focal[2])
        camera.SetViewUp(0, 0, 1)

    where = ("y = %.2f m" % centre[1]) if along_x else ("x = %.2f m" % centre[0])
    axis = "x" if along_x else "y"
    lo_axis, hi_axis = (x0, x1) if along_x else (y0, y1)
    path = os.path.join(out, field + "_section.png")
    save(
        actors,
        section_camera,
        length,
        depth * scale,
        "%s: %s on the longitudinal section %s" % (name, what, where),
        "%s from %.4g to %.4g m (to the right), z from %.4g to %.4g m, vertical scale x %s   %s"
        % (axis, lo_axis, hi_axis, z0, z1, scale, run_title),
        table,
        path,
        label,
    )
    written.append(path)

    # Plan view: the grid from above shows its top faces.
    surface = vtk.vtkDataSetSurfaceFilter()
    surface.SetInputData(grid)
    surface.Update()
    top = surface.GetOutput()
    actors = [coloured_actor(top, table, low, high)]

    def plan_camera(camera, shift_up):
        focal = (centre[0], centre[1] + shift_up, centre[2])
        camera.SetFocalPoint(*focal)
        camera.SetPosition(focal[0], focal[1], focal[2] + 10 * max(x1 - x0, y1 - y0, depth))
        camera.SetViewUp(0, 1, 0)

    path = os.path.join(out, field + "_plan.png")
    save(
        actors,
        plan_camera,
        max(x1 - x0, 1e-9),
        max(y1 - y0, 1e-9),
        "%s: %s at the top of the grid, seen from above" % (name, what),
        "x from %.4g to %.4g m (to the right), y from %.4g to %.4g m (up)   %s" % (x0, x1, y0, y1, run_title),
        table,
        path,
        label,
    )
    written.append(path)

    print("read " + result)
    for p in written:
        print(p)


# Marks the process that draws, started by the one the user started.
CHILD = "TOVAK_RENDER_CHILD"
ATTEMPTS = 3


def supervise():
    """Runs the drawing in a child process and tries again, with a new X
    server, when the child is killed by a signal: VTK aborts the process when
    its X connection fails, which happens now and then while many virtual X
    servers start and stop at once. The child's output is passed on once."""
    env = dict(os.environ, **{CHILD: "1"})
    for attempt in range(1, ATTEMPTS + 1):
        child = subprocess.run([sys.executable, os.path.abspath(__file__)] + sys.argv[1:], env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if child.returncode >= 0 or attempt == ATTEMPTS:
            sys.stdout.buffer.write(child.stdout)
            sys.stderr.buffer.write(child.stderr)
            if child.returncode < 0:
                sys.stderr.write("render.py: the drawing was killed by signal %d %d times\n" % (-child.returncode, ATTEMPTS))
                return 2
            return child.returncode


if __name__ == "__main__":
    if os.environ.get(CHILD):
        main()
    else:
        sys.exit(supervise())
