// Reads a Tecplot ASCII file with VTK's Tecplot reader (Debian's
// python3-vtk9, for the system interpreter) through
// tests/output/tecplot_check.py.
#pragma once

#include <array>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct TecplotLoad {
  bool ran = false;
  int errors = -1, warnings = -1;
  std::string dataset;
  long points = -1;
  std::array<int, 3> dims{0, 0, 0};
  std::vector<std::string> arrays;                       // point-data arrays in file order
  std::map<std::string, std::vector<double>> values;     // asked-for arrays
};

inline TecplotLoad loadTecplot(const std::string& path, const std::vector<std::string>& wanted = {}) {
  TecplotLoad out;
  std::string cmd = "/usr/bin/python3 '" TOVAK_SOURCE_DIR "/tests/output/tecplot_check.py' '" + path + "'";
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
    std::vector<std::string> f;
    std::istringstream fields(line);
    std::string field;
    while (std::getline(fields, field, '\t')) f.push_back(field);
    if (f.empty()) continue;
    if (f[0] == "errors" && f.size() == 2) out.errors = std::stoi(f[1]);
    else if (f[0] == "warnings" && f.size() == 2) out.warnings = std::stoi(f[1]);
    else if (f[0] == "dataset" && f.size() == 2) out.dataset = f[1];
    else if (f[0] == "points" && f.size() == 2) out.points = std::stol(f[1]);
    else if (f[0] == "dims" && f.size() == 4) out.dims = {std::stoi(f[1]), std::stoi(f[2]), std::stoi(f[3])};
    else if (f[0] == "array" && f.size() == 3) out.arrays.push_back(f[1]);
    else if (f[0] == "value" && f.size() == 4) out.values[f[1]].push_back(std::stod(f[3]));
  }
  return out;
}
