"""Loads an ASCII STL file with VTK's own reader and prints what it found.

usage: stl_check.py FILE

Prints one fact per line:
  errors <n>          errors and warnings the reader reported
  triangles <n>       cells of the surface
  points <n>          points after the reader merged coinciding vertices
  boundary <n>        edges used by one triangle only
  nonmanifold <n>     edges used by more than two triangles
  volume <v>          the enclosed volume (VTK's mass properties)
"""
import sys

import vtk


def main():
    errors = [0]

    def count(_obj, _event):
        errors[0] += 1

    reader = vtk.vtkSTLReader()
    reader.AddObserver("ErrorEvent", count)
    reader.AddObserver("WarningEvent", count)
    vtk.vtkObject.GlobalWarningDisplayOff()
    reader.SetFileName(sys.argv[1])
    reader.Update()
    data = reader.GetOutput()
    print("errors", errors[0])
    print("triangles", data.GetNumberOfCells())
    print("points", data.GetNumberOfPoints())
    for name, boundary in (("boundary", True), ("nonmanifold", False)):
        edges = vtk.vtkFeatureEdges()
        edges.SetInputData(data)
        edges.BoundaryEdgesOff()
        edges.FeatureEdgesOff()
        edges.ManifoldEdgesOff()
        edges.NonManifoldEdgesOff()
        if boundary:
            edges.BoundaryEdgesOn()
        else:
            edges.NonManifoldEdgesOn()
        edges.Update()
        print(name, edges.GetOutput().GetNumberOfCells())
    if data.GetNumberOfCells() > 0:
        mass = vtk.vtkMassProperties()
        mass.SetInputData(data)
        mass.Update()
        print("volume", mass.GetVolume())


if __name__ == "__main__":
    main()
