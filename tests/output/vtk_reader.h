// Reads a legacy VTK file with VTK's own reader (Debian's python3-vtk9, for
// the system interpreter) through tests/output/vtk_check.py.
#pragma once

#include <array>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct VtkLoad {
  bool ran = false;
  int errors = -1;
  std::string dataset;
  long points = -1, cells = -1;
  std::map<int, long> cellTypes;
  std::array<int, 3> dims{0, 0, 0};
  std::array<double, 6> bounds{};
  std::vector<std::string> arrays;        // point-data arrays in file order
  std::vector<std::string> cellArrays;    // cell-data arrays in file order
  std::map<std::string, int> components;  // per array
  std::map<std::string, long> tuples;     // per array
  std::vector<std::array<double, 3>> coords;
  std::vector<std::vector<long>> cellPoints;
  double volume = -1;
  std::map<std::string, std::vector<std::vector<double>>> values;  // asked-for arrays
};

// True when the system interpreter has VTK.
inline bool vtkAvailable() {
  return std::system("/usr/bin/python3 -c 'import vtk' >/dev/null 2>&1") == 0;
}

inline VtkLoad loadVtk(const std::string& path, const std::vector<std::string>& wanted = {}) {
  VtkLoad out;
  std::string cmd = "/usr/bin/python3 '" TOVAK_SOURCE_DIR "/tests/output/vtk_check.py' '" + path + "'";
  for (const auto& w : wanted) cmd += " '" + w + "'";
  cmd += " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  std::string text;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p)) text += buf;
  out.ran = pclose(p) == 0;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::string key;
    in >> key;
    if (key == "errors") in >> out.errors;
    else if (key == "dataset") in >> out.dataset;
    else if (key == "points") in >> out.points;
    else if (key == "cells") in >> out.cells;
    else if (key == "celltype") {
      int t;
      long n;
      in >> t >> n;
      out.cellTypes[t] = n;
    } else if (key == "dims") in >> out.dims[0] >> out.dims[1] >> out.dims[2];
    else if (key == "bounds") for (double& b : out.bounds) in >> b;
    else if (key == "array") {
      std::string name;
      int comps;
      long n;
      in >> name >> comps >> n;
      out.arrays.push_back(name);
      out.components[name] = comps;
      out.tuples[name] = n;
    } else if (key == "carray") {
      std::string name;
      int comps;
      long n;
      in >> name >> comps >> n;
      out.cellArrays.push_back(name);
      out.components[name] = comps;
      out.tuples[name] = n;
    } else if (key == "point") {
      long i;
      std::array<double, 3> x{};
      in >> i >> x[0] >> x[1] >> x[2];
      out.coords.push_back(x);
    } else if (key == "cell") {
      long i, id;
      in >> i;
      std::vector<long> ids;
      while (in >> id) ids.push_back(id);
      out.cellPoints.push_back(ids);
    } else if (key == "volume") {
      in >> out.volume;
    } else if (key == "value") {
      std::string name;
      long i;
      in >> name >> i;
      std::vector<double> v;
      double x;
      while (in >> x) v.push_back(x);
      out.values[name].push_back(v);
    }
  }
  return out;
}
