"""Loads a legacy VTK file with VTK's own reader and prints what it found.

usage: vtk_check.py FILE [ARRAY ...]

Prints one fact per line:
  errors <n>                  errors and warnings the reader reported
  dataset <class name>
  points <n>
  cells <n>
  celltype <type> <count>     per VTK cell type
  dims <nx> <ny> <nz>         structured grids only
  bounds <xmin> <xmax> <ymin> <ymax> <zmin> <zmax>
  array <name> <components> <tuples>    every point-data array, in file order
  carray <name> <components> <tuples>   every cell-data array, in file order
  point <i> <x> <y> <z>       every point
  cell <i> <point ids>        every cell
  volume <v>                  the summed volume of the cells (unstructured grids)
  value <name> <i> <v> [<v> <v>]        every tuple of each ARRAY asked for
                                        (point data, else cell data)
"""
import sys

import vtk


def main():
    path = sys.argv[1]
    wanted = sys.argv[2:]
    with open(path, "rb") as f:
        head = f.read(4096).decode("latin-1")
    if "STRUCTURED_GRID" in head and "UNSTRUCTURED_GRID" not in head:
        reader = vtk.vtkStructuredGridReader()
    elif "POLYDATA" in head:
        reader = vtk.vtkPolyDataReader()
    else:
        reader = vtk.vtkUnstructuredGridReader()
    errors = [0]

    def count(_obj, _event):
        errors[0] += 1

    reader.AddObserver("ErrorEvent", count)
    reader.AddObserver("WarningEvent", count)
    vtk.vtkObject.GlobalWarningDisplayOff()
    reader.SetFileName(path)
    reader.ReadAllScalarsOn()
    reader.ReadAllVectorsOn()
    reader.Update()
    data = reader.GetOutput()
    print("errors", errors[0])
    print("dataset", data.GetClassName())
    print("points", data.GetNumberOfPoints())
    print("cells", data.GetNumberOfCells())
    types = {}
    for c in range(data.GetNumberOfCells()):
        t = data.GetCellType(c)
        types[t] = types.get(t, 0) + 1
    for t in sorted(types):
        print("celltype", t, types[t])
    if data.IsA("vtkStructuredGrid"):
        d = data.GetDimensions()
        print("dims", d[0], d[1], d[2])
    print("bounds", *("%.9g" % b for b in data.GetBounds()))
    pd = data.GetPointData()
    for a in range(pd.GetNumberOfArrays()):
        arr = pd.GetArray(a)
        print("array", arr.GetName(), arr.GetNumberOfComponents(), arr.GetNumberOfTuples())
    cd = data.GetCellData()
    for a in range(cd.GetNumberOfArrays()):
        arr = cd.GetArray(a)
        print("carray", arr.GetName(), arr.GetNumberOfComponents(), arr.GetNumberOfTuples())
    for i in range(data.GetNumberOfPoints()):
        print("point", i, *("%.9g" % x for x in data.GetPoint(i)))
    ids = vtk.vtkIdList()
    for c in range(data.GetNumberOfCells()):
        data.GetCellPoints(c, ids)
        print("cell", c, *(ids.GetId(k) for k in range(ids.GetNumberOfIds())))
    if data.IsA("vtkUnstructuredGrid") and data.GetNumberOfCells() > 0:
        sizes = vtk.vtkCellSizeFilter()
        sizes.SetInputData(data)
        sizes.ComputeSumOn()
        sizes.Update()
        total = sizes.GetOutput().GetFieldData().GetArray("Volume")
        if total is not None:
            print("volume", "%.9g" % total.GetValue(0))
    for name in wanted:
        arr = pd.GetArray(name)
        if arr is None:
            arr = cd.GetArray(name)
        if arr is None:
            continue
        for i in range(arr.GetNumberOfTuples()):
            print("value", name, i, *("%.9g" % x for x in arr.GetTuple(i)))


if __name__ == "__main__":
    main()
