"""Loads a Tecplot ASCII file with VTK's Tecplot reader and prints what it found.

usage: tecplot_check.py FILE [ARRAY ...]

Prints one fact per line, fields separated by tabs (array names may hold blanks):
  errors <n>                  errors the reader reported
  warnings <n>                warnings the reader reported
  dataset <class name>        of the first block
  points <n>
  dims <nx> <ny> <nz>         structured zones only
  array <name> <tuples>       every point-data array, in file order
  value <name> <i> <v>        every tuple of each ARRAY asked for
"""
import sys

import vtk


def main():
    path = sys.argv[1]
    wanted = sys.argv[2:]
    counts = {"errors": 0, "warnings": 0}

    def error(_obj, _event):
        counts["errors"] += 1

    def warning(_obj, _event):
        counts["warnings"] += 1

    reader = vtk.vtkTecplotReader()
    reader.AddObserver("ErrorEvent", error)
    reader.AddObserver("WarningEvent", warning)
    vtk.vtkObject.GlobalWarningDisplayOff()
    reader.SetFileName(path)
    reader.Update()
    out = reader.GetOutput()
    print("errors\t%d" % counts["errors"])
    print("warnings\t%d" % counts["warnings"])
    if out is None or out.GetNumberOfBlocks() < 1 or out.GetBlock(0) is None:
        return
    data = out.GetBlock(0)
    print("dataset\t" + data.GetClassName())
    print("points\t%d" % data.GetNumberOfPoints())
    if data.IsA("vtkStructuredGrid"):
        d = data.GetDimensions()
        print("dims\t%d\t%d\t%d" % (d[0], d[1], d[2]))
    pd = data.GetPointData()
    for a in range(pd.GetNumberOfArrays()):
        arr = pd.GetArray(a)
        print("array\t%s\t%d" % (arr.GetName(), arr.GetNumberOfTuples()))
    for name in wanted:
        arr = pd.GetArray(name)
        if arr is None:
            continue
        for i in range(arr.GetNumberOfTuples()):
            print("value\t%s\t%d\t%.9g" % (name, i, arr.GetTuple(i)[0]))


if __name__ == "__main__":
    main()
