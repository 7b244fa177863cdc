"""Loads an OpenFOAM case with VTK's own reader and prints what it found.

usage: foam_check.py CASE_DIRECTORY

Prints one fact per line:
  errors <n>              errors and warnings the reader reported
  cells <n>               cells of the internal mesh
  patch <name> <faces>    every boundary patch with its face count
"""
import os
import sys

import vtk


def main():
    case = sys.argv[1]
    stub = os.path.join(case, "case.foam")
    open(stub, "w").close()
    errors = [0]

    def count(_obj, _event):
        errors[0] += 1

    reader = vtk.vtkOpenFOAMReader()
    reader.AddObserver("ErrorEvent", count)
    reader.AddObserver("WarningEvent", count)
    vtk.vtkObject.GlobalWarningDisplayOff()
    reader.SetFileName(stub)
    reader.UpdateInformation()
    reader.EnableAllPatchArrays()
    reader.Update()
    data = reader.GetOutput()
    print("errors", errors[0])
    it = data.NewIterator()
    it.InitTraversal()
    while not it.IsDoneWithTraversal():
        name = it.GetCurrentMetaData().Get(vtk.vtkCompositeDataSet.NAME())
        block = it.GetCurrentDataObject()
        if name == "internalMesh":
            print("cells", block.GetNumberOfCells())
        else:
            print("patch", name, block.GetNumberOfCells())
        it.GoToNextItem()


if __name__ == "__main__":
    main()
